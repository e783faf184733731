// What must hold after every step, whatever the world handed the module: each checked
// condition that fails aborts with a line naming it, which libFuzzer takes for a finding.
#pragma once

#include "fuzz/world_script.h"

namespace tdfuzz {

// - no vessel handle stands in two anchor slots;
// - the vessel of every occupied slot hangs on this step's carrier by that slot's point, or
//   has left the simulation;
// - no vessel hangs on a carrier without a slot, unless the module was started again;
// - every force handed to AddForce, and every position, direction and rotation vector handed
//   to CreateAttachment and SetAttachmentParams, is finite;
// - every AttachChild and DetachChild the module asks for succeeds, on an attachment point of
//   the vessel it asks.
// Clears the world's record of host calls afterwards.
void CheckAfterStep(Scene &scene);

}  // namespace tdfuzz
