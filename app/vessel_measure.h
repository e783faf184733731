// A vessel measured against its body and the terrain, as the outputs report it. The
// clearance here is the plain geometric one: the touchdown plane over the terrain surface
// along the line through the body's centre, without the floor the module puts on terrain
// below the mean radius.
#pragma once

#include "sim/world.h"

namespace app {

struct Measure {
  double radius_m = 0.0;       // origin's distance from the body's centre
  double altitude_m = 0.0;     // origin over the body's mean radius
  double clearance_m = 0.0;    // touchdown plane over the terrain; not a number where it has none
  double terrain_alt_m = 0.0;  // terrain over the mean radius
  double lat_rad = 0.0, lon_rad = 0.0;
  VECTOR3 up{};  // unit vector from the body's centre
};

// The body a vessel is measured against: its own, or for a child its top parent's.
const sim::BodySpec *SurfaceBody(const sim::World &world, const sim::VesselRecord &v);

// The surface under a place on a body: the relief on the body the terrain belongs to, the
// body's smooth sphere (its mean radius) on every other body.
double SurfaceRadius(const sim::World &world, const sim::BodySpec &body,
                     const VECTOR3 &pos_rel_body);

Measure MeasureVessel(const sim::World &world, const sim::VesselRecord &v,
                      const sim::BodySpec &body);

// The vessel's nose direction in its local horizon, from north towards east, in radians.
double Heading(const sim::VesselRecord &v, const Measure &m);

}  // namespace app
