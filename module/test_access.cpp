#include "module/test_access.h"

#include "module/module_state.h"

namespace td::test_access {

void SetStepCarrier(VESSEL *carrier) { g_module_state.anchors.carrier = carrier; }

OBJHANDLE SlotVessel(int slot) { return g_module_state.anchors.vessel[slot]; }

ATTACHMENTHANDLE SlotCarrierPoint(int slot) { return g_module_state.anchors.carrier_point[slot]; }

void SetSlotVessel(int slot, OBJHANDLE vessel) {
  AnchorTableState &table = g_module_state.anchors;
  table.vessel[slot] = vessel;
  // Nothing is known about the slots below any more; the used ones end at the last held.
  table.used_below = 0;
  table.used_end = kAnchorSlotCount;
  while (table.used_end > 0 && table.vessel[table.used_end - 1] == nullptr) --table.used_end;
}

TerrainRadiusFn TerrainFunction() { return g_module_state.terrain.radius; }

}  // namespace td::test_access
