// The procedural relief behind the terrain library: the distance from a body's centre to
// its terrain surface in a given direction. A pure function of the settings and the
// direction, shared by the terrain library and by the stand-in host, which asks it directly.
#pragma once

#include "host/orbiter_api.h"
#include "terrain/dorvak_config.h"
#include "terrain/solar_bodies.h"

namespace terrain {

// Settings in force before anything has been configured: the relief a user's simulator gets,
// gentle hills over whichever body of the solar system the vessel is on, lying wholly above
// the body's mean radius (their troughs a centimetre over it, as the flat relief's default).
DorvakConfig DefaultConfig();

// The body whose surface lies nearest to a point at this distance from its centre, within
// 100 m below the mean radius and 10 km above; null when none. No two bodies of the table are
// close enough in radius for their bands to overlap.
const SolarBody *BodyAtDistance(double distance_m);

inline constexpr double kInstalledBandBelow_m = 100.0;
inline constexpr double kInstalledBandAbove_m = 10.0e3;

// Terrain radius (m) in the direction of pos_rel_body (body frame: +x towards latitude 0 /
// longitude 0, +y towards the north pole). Only the direction counts, not the length, but for
// the installed relief, which takes its body from the length. The
// zero vector has no direction: every relief but the flat one gives not-a-number there, and
// so does a plane slope in directions in which the ray from the centre never meets it.
double TerrainRadius(const DorvakConfig &config, VECTOR3 pos_rel_body);

}  // namespace terrain
