#include "app/plugin.h"

#include <dlfcn.h>

#include <stdexcept>

namespace app {

namespace {

template <typename Fn>
Fn Find(void *handle, const char *name, const std::string &path) {
  void *symbol = dlsym(handle, name);
  if (symbol == nullptr) throw std::runtime_error(path + " has no entry point " + name);
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

Plugin::Plugin(const std::string &path) {
  // RTLD_NOW: a host symbol the plug-in needs and the program lacks fails here, not mid-run.
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char *why = dlerror();
    throw std::runtime_error("cannot load the plug-in: " + std::string(why ? why : path));
  }
  try {
    entry_.init_module = Find<void (*)(HINSTANCE)>(handle_, "InitModule", path);
    entry_.exit_module = Find<void (*)(HINSTANCE)>(handle_, "ExitModule", path);
    entry_.get_module_version = Find<int (*)()>(handle_, "GetModuleVersion", path);
    entry_.post_step = Find<void (*)(double, double, double)>(handle_, "opcPostStep", path);
  } catch (...) {
    Unload();
    throw;
  }
}

Plugin::~Plugin() { Unload(); }

void Plugin::Unload() {
  if (handle_ == nullptr) return;
  dlclose(handle_);
  handle_ = nullptr;
}

std::string DefaultPluginPath(const std::string &executable_path) {
  const size_t slash = executable_path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : executable_path.substr(0, slash);
  return dir + "/modules/plugin/touchdown.so";
}

}  // namespace app
