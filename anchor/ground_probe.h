// How high a vessel's touchdown plane stands over the terrain straight below its origin, and
// the displacement that would set it down there. Everything is taken from the vessel's own
// reference body. Must only be called while the terrain function is bound.
#pragma once

#include "host/orbiter_api.h"

namespace td {

// Returns the clearance (m, negative when sunk in). drop_global (global frame, m) moves the
// origin along the line through the body's centre so the touchdown plane lies at the terrain
// altitude; terrain_alt_m is the terrain altitude after its floor at -1 m.
double ProbeGround(const VESSEL &vessel, VECTOR3 &drop_global, double &terrain_alt_m);

// An anchored vessel has floated free, and is let go, when it stands clearly above terrain
// that lies below the body's mean radius: there the terrain no longer holds it up.
inline constexpr double kFloatFreeClearance_m = 0.1;
inline bool FloatsFree(double clearance_m, double terrain_alt_m) {
  return clearance_m > kFloatFreeClearance_m && terrain_alt_m < 0.0;
}

}  // namespace td
