// The terrain library on Windows: the module loads it with the system's LoadLibraryA from
// beside the executable, so the installation decides whether it is there and what it exports;
// the scenario's terrain mode is checked against it, not imposed. The world configures the
// copy the module will load.
#include <stdexcept>

#include "host/terrain_api.h"
#include "sim/world_impl.h"

namespace sim {

namespace {

const char *Describe(TerrainMode mode) {
  switch (mode) {
    case TerrainMode::kPresent:
      return "a terrain library with its terrain function";
    case TerrainMode::kMissing:
      return "no terrain library";
    case TerrainMode::kNoFunction:
      return "a terrain library without its terrain function";
  }
  return "";
}

std::string ExecutableDirectory(const World::Impl &w) {
  const size_t separator = w.executable_path.find_last_of("\\/");
  return separator == std::string::npos ? std::string()
                                        : w.executable_path.substr(0, separator + 1);
}

}  // namespace

void World::ConfigureTerrain(const DorvakConfig &config) {
  impl_->terrain_config = config;
  impl_->terrain_memo.Forget();
  impl_->terrain_function = nullptr;
  impl_->terrain_step_begins = nullptr;
  const std::string file = ExecutableDirectory(*impl_) + kTerrainLibraryName;
  const HMODULE library = LoadLibraryA(file.c_str());
  TerrainMode found = TerrainMode::kMissing;
  if (library != nullptr) {
    found = GetProcAddress(library, kTerrainFunctionName) != nullptr ? TerrainMode::kPresent
                                                                     : TerrainMode::kNoFunction;
  }
  if (found != impl_->terrain_mode) {
    if (library != nullptr) FreeLibrary(library);
    throw std::runtime_error("the scenario wants " + std::string(Describe(impl_->terrain_mode)) +
                             ", but the installation has " + Describe(found) + ": " + file +
                             " (see docs/windows.md)");
  }
  if (library == nullptr) return;
  impl_->terrain_libraries.push_back(library);
  if (const FARPROC configure = GetProcAddress(library, "dorvakConfigure")) {
    ProcAs<DorvakConfigureFn>(configure)(&config);
    impl_->terrain_function = ProcAs<TerrainRadiusFn>(GetProcAddress(library, kHostRadiusName));
    impl_->terrain_step_begins = ProcAs<void (*)()>(GetProcAddress(library, kStepBeginsName));
    g_terrain_library_owner = impl_.get();
  }
}

}  // namespace sim
