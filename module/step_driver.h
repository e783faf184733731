// The per-step driver behind opcPreStep: find the carrier, run the contact pass, release
// everything when the user's focus strays from the carrier or a release key is pressed,
// move the focus vessel for held movement keys, and free the slots of vanished vessels.
#pragma once

#include "host/orbiter_api.h"

namespace td {

inline constexpr double kFocusReleaseAngle_rad = 0.01;

void RunStep(double simt, double simdt, double mjd);

// The first vessel in the host's order whose class name is exactly "DynamicPlanet", or null.
VESSEL *FindCarrier();

// True when the focus vessel is more than 0.01 rad from the carrier in latitude or in
// longitude (the longitude difference taken the short way round). False without a focus.
bool FocusStrayed(const VESSEL &carrier);

}  // namespace td
