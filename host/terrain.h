// The bound terrain function and the one way every caller turns its answer into a terrain
// altitude. The slot is filled by the module's start-up and is empty while the terrain
// library is missing or lacks the function; callers check TerrainBound() first.
#pragma once

#include "host/terrain_api.h"

namespace td {

bool TerrainBound();

// Fills the slot (null: empties it); the module's start-up and exit only.
void BindTerrain(TerrainRadiusFn radius);

// Distance from the body's centre to the terrain in the direction of pos_rel_body (m), as
// the bound function answers.
double TerrainRadius(const VECTOR3 &pos_rel_body);

// The lowest terrain altitude the module believes: deeper answers are taken for a fault of the
// terrain library, not a pit for vessels to fall into.
inline constexpr double kTerrainAltitudeFloor_m = -1.0;

// Terrain altitude over a body of the given mean radius. Values below the floor are raised to
// it; the floor itself, anything above and not-a-number pass as they are (the test is strict
// and a NaN fails it).
double TerrainAltitude(const VECTOR3 &pos_rel_body, double mean_radius_m);

}  // namespace td
