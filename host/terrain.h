// The bound terrain function and the one way every caller turns its answer into a terrain
// altitude. The slot is filled by the module's start-up and is empty while the terrain
// library is missing or lacks the function; callers check TerrainBound() first.
#pragma once

#include "host/terrain_api.h"

namespace td {

extern TerrainRadiusFn g_terrainRadius;

inline bool TerrainBound() { return g_terrainRadius != nullptr; }

// Terrain altitude over a body of the given mean radius. Values below -1 m are raised to
// -1 m; -1 itself, anything above and not-a-number pass unchanged (the test is strict and
// a NaN fails it).
inline double TerrainAltitude(const VECTOR3 &pos_rel_body, double meanRadius_m) {
  double alt_m = g_terrainRadius(pos_rel_body) - meanRadius_m;
  if (alt_m < -1.0) alt_m = -1.0;
  return alt_m;
}

}  // namespace td
