#include "host/terrain.h"

#include "module/module_state.h"
#include "module/td_assert.h"

namespace td {

bool TerrainBound() { return g_module_state.terrain.radius != nullptr; }

void BindTerrain(TerrainRadiusFn radius) { g_module_state.terrain.radius = radius; }

double TerrainRadius(const VECTOR3 &pos_rel_body) {
  TD_ASSERT(TerrainBound());
  return g_module_state.terrain.radius(pos_rel_body);
}

double TerrainAltitude(const VECTOR3 &pos_rel_body, double mean_radius_m) {
  double alt_m = TerrainRadius(pos_rel_body) - mean_radius_m;
  if (alt_m < kTerrainAltitudeFloor_m) alt_m = kTerrainAltitudeFloor_m;
  return alt_m;
}

}  // namespace td
