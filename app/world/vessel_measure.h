// A vessel measured against its body and the terrain, as the outputs report it. The
// clearance here is the plain geometric one: the touchdown plane over the terrain surface
// along the line through the body's centre, without the floor the module puts on terrain
// below the mean radius.
//
// Motion is measured over the ground: places in the body's own turning frame, velocities less
// the ground's under the vessel. A body at rest is measured in the global frame itself, so that
// a world at rest is measured as it always was, to the bit.
#pragma once

#include <vector>

#include "sim/world.h"

namespace app {

// A body's frame as it stands now, worked out once for every vessel measured on it. Its
// coordinates are fixed to the body: on a body at rest they are the global frame's own, on one
// that turns or moves they are offsets from its centre along its turning axes. Either way the
// difference of two places is a way over the ground, and a direction or velocity is given
// along the body's axes.
struct BodyFrame {
  const sim::BodySpec *body = nullptr;
  double turn_rad = 0.0;  // the body's turn the axes were worked out for
  bool turns = false;
  bool moves = false;                      // turns, or moves through the global frame
  sim::Mat3 axes = sim::Mat3::Identity();  // the body's axes in the global frame, as columns
  VECTOR3 centre{};                        // the body's centre in the body's coordinates

  // Inline, and nothing done for a body at rest: the account asks this of every vessel in
  // every step.
  VECTOR3 Place(const VECTOR3 &pos_global) const { return moves ? Offset(pos_global) : pos_global; }
  // From the body's centre along its axes.
  VECTOR3 Offset(const VECTOR3 &pos_global) const;
  VECTOR3 Direction(const VECTOR3 &dir_global) const {
    return turns ? axes.MulTransposed(dir_global) : dir_global;
  }
  // Over the ground under pos_global, along the body's axes.
  VECTOR3 OverGround(const VECTOR3 &pos_global, const VECTOR3 &vel_global) const {
    return moves ? MovingOverGround(pos_global, vel_global) : vel_global;
  }

 private:
  VECTOR3 MovingOverGround(const VECTOR3 &pos_global, const VECTOR3 &vel_global) const;
};

BodyFrame BodyFrameOf(const sim::BodySpec &body);

// The frames of a world's bodies, each worked out again only once its body has turned on: a
// pass over every vessel in a step turns no angle into a rotation more than once per body.
class BodyFrames {
 public:
  const BodyFrame &Of(const sim::BodySpec &body);

 private:
  std::vector<BodyFrame> frames_;
};

struct Measure {
  double radius_m = 0.0;       // origin's distance from the body's centre
  double altitude_m = 0.0;     // origin over the body's mean radius
  double clearance_m = 0.0;    // touchdown plane over the terrain; not a number where it has none
  double terrain_alt_m = 0.0;  // terrain over the mean radius
  double lat_rad = 0.0, lon_rad = 0.0;  // in the body's turning frame
  // In the body's coordinates (BodyFrame): the place, the unit vector from the body's centre,
  // the velocity over the ground, and the vessel's nose.
  VECTOR3 place{};
  VECTOR3 up{};
  VECTOR3 vel{};
  VECTOR3 nose{};
};

// The body a vessel is measured against: its own, or for a child its top parent's.
const sim::BodySpec *SurfaceBody(const sim::World &world, const sim::VesselRecord &v);

// The surface under a place on a body: the relief on the body the terrain belongs to, the
// body's smooth sphere (its mean radius) on every other body. The offset from the body's
// centre is along the global frame's axes, as World::TerrainRadius takes it.
double SurfaceRadius(const sim::World &world, const sim::BodySpec &body,
                     const VECTOR3 &pos_rel_body);

Measure MeasureVessel(const sim::World &world, const sim::VesselRecord &v, const BodyFrame &frame);
// With the body's frame worked out for this one vessel.
Measure MeasureVessel(const sim::World &world, const sim::VesselRecord &v,
                      const sim::BodySpec &body);

// The vessel's nose direction in its local horizon, from north towards east, in radians.
double Heading(const Measure &m);

}  // namespace app
