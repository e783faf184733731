// Where the terrain library is found for the module, and how the world configures the copy
// the module will load.
#include <dlfcn.h>

#include "sim/world_impl.h"

namespace sim {

namespace {

std::string ExecutableDirectory(const World::Impl &w) {
  const size_t slash = w.executable_path.rfind('/');
  return slash == std::string::npos ? std::string(".") : w.executable_path.substr(0, slash);
}

// A Windows-style library name as the module builds it ("...\modules\dorvak.dll") turned
// into the shared object that stands for it.
std::string ElfFileName(std::string name) {
  for (char &c : name) {
    if (c == '\\') c = '/';
  }
  const std::string dll = ".dll";
  if (name.size() >= dll.size() && name.compare(name.size() - dll.size(), dll.size(), dll) == 0) {
    name.replace(name.size() - dll.size(), dll.size(), ".so");
  }
  return name;
}

}  // namespace

std::string TerrainLibraryFile(const World::Impl &w, const char *requested_name) {
  switch (w.terrain_mode) {
    case TerrainMode::kMissing:
      return std::string();
    case TerrainMode::kNoFunction:
      return ExecutableDirectory(w) + "/modules/nofn/dorvak.so";
    case TerrainMode::kPresent:
      break;
  }
  // A relative name stays relative: the loader resolves it as the module asked.
  return ElfFileName(requested_name);
}

void World::ConfigureTerrain(const DorvakConfig &config) {
  impl_->terrain_config = config;
  impl_->terrain_memo.Forget();
  impl_->terrain_function = nullptr;
  impl_->terrain_step_begins = nullptr;
  const std::string module_name = ExecutableDirectory(*impl_) + "/modules\\dorvak.dll";
  const std::string file = TerrainLibraryFile(*impl_, module_name.c_str());
  if (file.empty()) return;
  void *library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) return;
  impl_->terrain_libraries.push_back(library);
  if (void *configure = dlsym(library, "dorvakConfigure")) {
    reinterpret_cast<DorvakConfigureFn>(configure)(&config);
    impl_->terrain_function = reinterpret_cast<TerrainRadiusFn>(dlsym(library, kHostRadiusName));
    impl_->terrain_step_begins = reinterpret_cast<void (*)()>(dlsym(library, kStepBeginsName));
    g_terrain_library_owner = impl_.get();
  }
}

}  // namespace sim
