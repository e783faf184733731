// Invariant checks of the module, which the stand-in host uses for its own too. They are
// compiled in only where the build defines TD_ASSERTS (the debug, asan and fuzz builds):
// there a broken invariant stops the program at its cause. The plug-in's release build has
// none, since it must never stop the host; the condition is then not evaluated, so a check
// can never change what the module does.
#pragma once

#if defined(TD_ASSERTS)

#include <cstdio>
#include <cstdlib>

namespace td {

[[noreturn]] inline void AssertFailed(const char *condition, const char *file, int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

}  // namespace td

#define TD_ASSERT(condition) \
  ((condition) ? static_cast<void>(0) : ::td::AssertFailed(#condition, __FILE__, __LINE__))

#else

// The condition stays compiled, so it cannot rot, behind a `false &&` that never evaluates it.
#define TD_ASSERT(condition) static_cast<void>(false && (condition))

#endif
