// The plug-in on ELF platforms: a shared object opened with the dynamic loader.
#include <dlfcn.h>

#include <stdexcept>

#include "app/run/plugin.h"
#include "app/run/plugin_loader.h"

namespace app {

void *OpenLibrary(const std::string &path) {
  // RTLD_NOW: a host symbol the plug-in needs and the program lacks fails here, not mid-run.
  void *library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    const char *why = dlerror();
    throw std::runtime_error("cannot load the plug-in: " + std::string(why ? why : path));
  }
  return library;
}

void *FindExport(void *library, const char *name) { return dlsym(library, name); }

void CloseLibrary(void *library) { dlclose(library); }

std::string DefaultPluginPath(const std::string &executable_path) {
  const size_t slash = executable_path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : executable_path.substr(0, slash);
  return dir + "/modules/plugin/touchdown.so";
}

}  // namespace app
