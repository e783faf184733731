#include "fuzz/terrain_hold.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace tdfuzz {

void HoldTerrainLibraries() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return;
  std::string dir(path, static_cast<size_t>(n));
  dir.erase(dir.rfind('/') + 1);
  for (const char *file : {"modules/dorvak.so", "modules/nofn/dorvak.so"}) {
    dlopen((dir + file).c_str(), RTLD_NOW | RTLD_LOCAL);  // never closed
  }
}

}  // namespace tdfuzz
