#include "module/lifecycle.h"

#include "anchor/anchor_table.h"
#include "module/key_table.h"
#include "module/step_driver.h"
#include "module/terrain_library.h"

namespace td {

namespace {
int32_t g_versionCache = 0;  // 0: not yet computed
}

void StartModule(HINSTANCE instance) {
  InstallKeyboardHook(instance);
  ClearAnchorTable();
  ForgetCarrier();
  LoadTerrainLibrary();
}

void StopModule() {
  ReleaseTerrainLibrary();
  RemoveKeyboardHook();
}

int ModuleVersion() {
  if (g_versionCache != 0) return g_versionCache;
  char date[] = "Apr 25 2006";  // the host wants a writable text
  g_versionCache = Date2Int(date);
  return g_versionCache;
}

}  // namespace td
