// The procedural relief behind the terrain library: the distance from a body's centre to
// its terrain surface in a given direction. A pure function of the settings and the
// direction, shared by the terrain library and by the stand-in host, which asks it directly.
#pragma once

#include "host/orbiter_api.h"
#include "terrain/dorvak_config.h"

namespace terrain {

// Settings in force before anything has been configured: a flat surface on a body of the
// stand-in host's default radius.
DorvakConfig DefaultConfig();

// Terrain radius (m) in the direction of pos_rel_body (body frame: +x towards latitude 0 /
// longitude 0, +y towards the north pole). Only the direction counts, not the length. The
// zero vector has no direction: every relief but the flat one gives not-a-number there, and
// so does a plane slope in directions in which the ray from the centre never meets it.
double TerrainRadius(const DorvakConfig &config, VECTOR3 pos_rel_body);

}  // namespace terrain
