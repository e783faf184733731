#include "platform/library_path.h"

#include <cstring>

#include "platform/desktop.h"

namespace td {

bool BuildSiblingPath(const char *exe_path, const char *relative_name, char *out,
                      std::size_t out_size) {
  if (out_size == 0) return false;
  out[0] = '\0';
  const char *last_sep = nullptr;
  for (const char *c = exe_path; *c != '\0'; ++c) {
    if (*c == '\\' || *c == '/') last_sep = c;
  }
  if (last_sep == nullptr) return false;
  const std::size_t dir_len = static_cast<std::size_t>(last_sep - exe_path) + 1;
  const std::size_t name_len = std::strlen(relative_name);
  if (dir_len + name_len + 1 > out_size) return false;
  std::memcpy(out, exe_path, dir_len);
  std::memcpy(out + dir_len, relative_name, name_len + 1);
  return true;
}

bool ExecutableSiblingPath(const char *relative_name, char *out, std::size_t out_size) {
  char exe_path[kMaxPath];
  const DWORD len = GetModuleFileNameA(nullptr, exe_path, static_cast<DWORD>(sizeof exe_path));
  // Zero means failure; a full buffer means the path was cut short.
  if (len == 0 || len >= sizeof exe_path) {
    if (out_size > 0) out[0] = '\0';
    return false;
  }
  exe_path[len] = '\0';
  return BuildSiblingPath(exe_path, relative_name, out, out_size);
}

}  // namespace td
