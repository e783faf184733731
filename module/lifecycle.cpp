#include "module/lifecycle.h"

#include "anchor/anchor_table.h"
#include "anchor/ground_frame.h"
#include "module/key_table.h"
#include "module/module_state.h"
#include "module/terrain_library.h"

namespace td {

void StartModule(HINSTANCE instance) {
  InstallKeyboardHook(instance);
  ResetAnchorTable();
  ForgetGround();
  LoadTerrainLibrary();
}

void StopModule() {
  ReleaseTerrainLibrary();
  RemoveKeyboardHook();
}

void ForgetSession() {
  ResetAnchorTable();
  ForgetGround();
  ClearKeyTable();
}

int ModuleVersion() {
  int32_t &version = g_module_state.version_cache;  // 0: not yet computed
  if (version != 0) return version;
  char date[] = "Apr 25 2006";  // the host wants a writable text
  version = Date2Int(date);
  return version;
}

}  // namespace td
