#include "module/terrain_library.h"

#include "host/terrain.h"
#include "platform/desktop.h"
#include "platform/library_path.h"

namespace td {

namespace {
HMODULE g_terrainLibrary = nullptr;
}

void LoadTerrainLibrary() {
  g_terrainRadius = nullptr;
  char path[kMaxPath];
  // A path that cannot be built loads nothing: the platform's search must never pick up a
  // library of that name from elsewhere.
  if (ExecutableSiblingPath(kTerrainLibraryName, path, sizeof path)) {
    g_terrainLibrary = LoadLibraryA(path);
  }
  if (g_terrainLibrary == nullptr) {
    MessageBoxA(nullptr, kTerrainNotFoundText, kErrorCaption, MB_OK);
    return;
  }
  g_terrainRadius = ProcAs<TerrainRadiusFn>(GetProcAddress(g_terrainLibrary, kTerrainFunctionName));
  if (g_terrainRadius == nullptr) {
    MessageBoxA(nullptr, kTerrainErrorText, kErrorCaption, MB_OK);
  }
}

void ReleaseTerrainLibrary() {
  if (g_terrainLibrary == nullptr) return;
  FreeLibrary(g_terrainLibrary);
  g_terrainLibrary = nullptr;
  // The function lived in the library just freed; an empty slot is never called.
  g_terrainRadius = nullptr;
}

}  // namespace td
