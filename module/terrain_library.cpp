#include "module/terrain_library.h"

#include "host/terrain.h"
#include "module/module_state.h"
#include "platform/desktop.h"
#include "platform/library_path.h"

namespace td {

namespace {
HMODULE &Library() { return g_module_state.terrain.module; }
}  // namespace

void LoadTerrainLibrary() {
  BindTerrain(nullptr);
  char path[kMaxPath];
  // A path that cannot be built loads nothing: the platform's search must never pick up a
  // library of that name from elsewhere.
  if (ExecutableSiblingPath(kTerrainLibraryName, path, sizeof path)) {
    Library() = LoadLibraryA(path);
  }
  if (Library() == nullptr) {
    MessageBoxA(nullptr, kTerrainNotFoundText, kErrorCaption, MB_OK);
    return;
  }
  BindTerrain(ProcAs<TerrainRadiusFn>(GetProcAddress(Library(), kTerrainFunctionName)));
  if (!TerrainBound()) MessageBoxA(nullptr, kTerrainErrorText, kErrorCaption, MB_OK);
}

void ReleaseTerrainLibrary() {
  if (Library() == nullptr) return;
  FreeLibrary(Library());
  Library() = nullptr;
  // The function lived in the library just freed; an empty slot is never called.
  BindTerrain(nullptr);
}

}  // namespace td
