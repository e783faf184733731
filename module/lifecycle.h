// Start-up, shut-down and version of the module, behind the exported entry points.
#pragma once

#include "host/orbiter_api.h"

namespace td {

// Keyboard hook and key table, anchor table, the ground's frame, then the terrain library,
// in that order.
void StartModule(HINSTANCE instance);
// Frees the terrain library and takes out the keyboard hook; the tables stay as they are.
void StopModule();
// A session has ended and the host has destroyed every vessel with its attachment points:
// the carrier, the anchor slots, the ground's frame and the held keys are forgotten without a
// call to the host, whose handles of that session may be reused by the next one.
void ForgetSession();
// The version number made from the module's fixed date, computed once by the host.
int ModuleVersion();

}  // namespace td
