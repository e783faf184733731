#include <dlfcn.h>

#include "platform/self_instance.h"

namespace td {

namespace {
// Any object of this library will do to ask the loader which file it came from.
const char kAddressInThisLibrary = 0;
}  // namespace

HINSTANCE PlatformSelfInstance() {
  Dl_info info;
  if (dladdr(&kAddressInThisLibrary, &info) == 0 || info.dli_fname == nullptr) return nullptr;
  // The library is already loaded (this runs from inside it): RTLD_NOLOAD only finds its
  // handle. The extra reference it takes is given back at once; the handle stays valid for
  // as long as the library is loaded.
  void *handle = dlopen(info.dli_fname, RTLD_LAZY | RTLD_NOLOAD);
  if (handle != nullptr) dlclose(handle);
  return static_cast<HINSTANCE>(handle);
}

}  // namespace td
