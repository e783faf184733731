#include "module/test_access.h"

#include "anchor/anchor_index.h"
#include "module/module_state.h"

namespace td::test_access {

void SetStepCarrier(VESSEL *carrier) { g_module_state.anchors.carrier = carrier; }

OBJHANDLE SlotVessel(int slot) { return g_module_state.anchors.vessel[slot]; }

ATTACHMENTHANDLE SlotCarrierPoint(int slot) { return g_module_state.anchors.carrier_point[slot]; }

void SetSlotVessel(int slot, OBJHANDLE vessel) {
  AnchorTableState &table = g_module_state.anchors;
  if (table.vessel[slot] != nullptr) UnindexSlot(table, slot);
  table.vessel[slot] = vessel;
  if (vessel != nullptr) IndexSlot(table, slot);
  // Nothing is known about the slots below any more.
  table.used_below = 0;
}

TerrainRadiusFn TerrainFunction() { return g_module_state.terrain.radius; }

}  // namespace td::test_access
