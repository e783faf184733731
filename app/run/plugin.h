// The touchdown plug-in, loaded as the simulator loads a module: by file name, entry points
// found by name. Loading runs its entry stub, whose call of the host's InitLib starts the
// module (InitModule) in the current world, which must be ready for it, terrain library
// configured; unloading runs ExitModule through the stub.
#pragma once

#include <string>

#include "sim/world.h"

namespace app {

class Plugin {
 public:
  // Throws std::runtime_error with the loader's message when the file cannot be loaded or
  // lacks an entry point.
  explicit Plugin(const std::string &path);
  ~Plugin();
  Plugin(const Plugin &) = delete;
  Plugin &operator=(const Plugin &) = delete;

  const sim::ModuleEntryPoints &Entry() const { return entry_; }
  HINSTANCE Instance() const { return static_cast<HINSTANCE>(handle_); }
  void Unload();

 private:
  void *handle_ = nullptr;
  sim::ModuleEntryPoints entry_;
};

// Where the plug-in lies in a build or an installation: modules/plugin/ beside the program.
std::string DefaultPluginPath(const std::string &executable_path);

}  // namespace app
