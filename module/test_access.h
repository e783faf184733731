// The module's state as tests and benchmarks set it up and look at it. Linked into the
// in-process library only, never into the plug-in.
#pragma once

#include "host/orbiter_api.h"
#include "host/terrain_api.h"

namespace td::test_access {

// Makes `carrier` this step's carrier without looking at the anchored vessels' one, as if
// the step driver had just found it.
void SetStepCarrier(VESSEL *carrier);

// The vessel in a slot (null: free) and the slot's carrier-side point, in use or not.
OBJHANDLE SlotVessel(int slot);
ATTACHMENTHANDLE SlotCarrierPoint(int slot);
// Puts a handle straight into a slot (null frees it); nothing is attached.
void SetSlotVessel(int slot, OBJHANDLE vessel);

// The bound terrain function itself, or null.
TerrainRadiusFn TerrainFunction();

}  // namespace td::test_access
