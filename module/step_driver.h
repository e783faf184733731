// The per-step driver behind opcPostStep: find the carrier, run the contact pass, release
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

// Releases, with no separation speed, every anchored vessel that still exists.
void ReleaseSweep();

// Frees every anchor slot when this step's carrier (null: none) is not the one the anchored
// vessels were attached to, detaching them first if that one still exists: the slots'
// points belong to it, and no other vessel may be handed them.
void FollowCarrier(VESSEL *carrier);
// Forgets the carrier the anchored vessels hang on; InitModule, with the table.
void ForgetCarrier();

}  // namespace td
