// libFuzzer target: the module linked in-process and driven through a world that the input
// builds (see world_script.h), its invariants checked after every step (world_invariants.h).
#include "fuzz/terrain_hold.h"
#include "fuzz/world_invariants.h"
#include "fuzz/world_script.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  tdfuzz::HoldTerrainLibraries();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FuzzedDataProvider in(data, size);
  tdfuzz::Scene scene;
  tdfuzz::BuildScene(scene, in);
  tdfuzz::PlayScript(scene, in, tdfuzz::CheckAfterStep);
  return 0;
}
