// Where the terrain library is looked for: always beside the host executable, never on the
// platform's search path or in the current directory, where a stray file of the same name
// could be picked up instead.
#pragma once

#include <cstddef>

namespace td {

inline constexpr std::size_t kMaxPath = 1024;

// Writes into out the directory part of exe_path (up to and including its last '\' or '/')
// followed by relative_name. Returns false, leaving out empty, when the result does not fit
// or exe_path has no directory part.
bool BuildSiblingPath(const char *exe_path, const char *relative_name, char *out,
                      std::size_t out_size);

// The host executable's path (GetModuleFileNameA with no module) joined with relative_name.
bool ExecutableSiblingPath(const char *relative_name, char *out, std::size_t out_size);

}  // namespace td
