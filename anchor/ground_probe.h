// How high a vessel's touchdown plane stands over the terrain straight below its origin, and
// the displacement that would set it down there. Everything is taken from the vessel's own
// reference body. Must only be called while the terrain function is bound.
#pragma once

#include "host/orbiter_api.h"

namespace td {

// Returns the clearance (m, negative when sunk in). drop_global (global frame, m) moves the
// origin along the line through the body's centre so the touchdown plane lies at the terrain
// altitude; terrainAlt_m is the terrain altitude after its floor at -1 m.
double ProbeGround(const VESSEL &vessel, VECTOR3 &drop_global, double &terrainAlt_m);

}  // namespace td
