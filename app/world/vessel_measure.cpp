#include "app/world/vessel_measure.h"

#include <cmath>

#include "math/bit_diff.h"
#include "math/vector.h"
#include "terrain/horizon.h"

namespace app {

VECTOR3 BodyFrame::Offset(const VECTOR3 &pos_global) const {
  const VECTOR3 rel = td::VecSub(pos_global, body->pos_global);
  return turns ? axes.MulTransposed(rel) : rel;
}

VECTOR3 BodyFrame::MovingOverGround(const VECTOR3 &pos_global, const VECTOR3 &vel_global) const {
  return Direction(td::VecSub(vel_global, sim::GroundVelocity(*body, pos_global)));
}

BodyFrame BodyFrameOf(const sim::BodySpec &body) {
  BodyFrame f;
  f.body = &body;
  f.turn_rad = body.turn_rad;
  f.moves = sim::BodyMoves(body);
  f.turns = body.turn_rad != 0.0;
  if (f.turns) f.axes = sim::BodyRotation(body);
  if (!f.moves) f.centre = body.pos_global;
  return f;
}

const BodyFrame &BodyFrames::Of(const sim::BodySpec &body) {
  for (BodyFrame &f : frames_) {
    if (f.body != &body) continue;
    if (td::BitDiff(f.turn_rad, body.turn_rad) != 0 ||
        (!f.moves && td::BitDiff(f.centre, body.pos_global) != 0)) {
      f = BodyFrameOf(body);
    }
    return f;
  }
  frames_.push_back(BodyFrameOf(body));
  return frames_.back();
}

const sim::BodySpec *SurfaceBody(const sim::World &world, const sim::VesselRecord &v) {
  const sim::VesselRecord *root = &v;
  // Bounded: attachment chains cannot be longer than the number of vessels, but a loop
  // must not hang the program either.
  for (int depth = 0; root->parent != nullptr && depth < 100000; ++depth) {
    const sim::VesselRecord *parent = world.Vessel(root->parent);
    if (parent == nullptr) break;
    root = parent;
  }
  return world.Body(root->body);
}

double SurfaceRadius(const sim::World &world, const sim::BodySpec &body,
                     const VECTOR3 &pos_rel_body) {
  return world.Body(world.TerrainBody()) == &body ? world.TerrainRadius(pos_rel_body)
                                                  : body.radius_m;
}

Measure MeasureVessel(const sim::World &world, const sim::VesselRecord &v, const BodyFrame &frame) {
  const sim::BodySpec &body = *frame.body;
  Measure m;
  const VECTOR3 rel_global = td::VecSub(v.pos_global, body.pos_global);
  const VECTOR3 rel = frame.turns ? frame.axes.MulTransposed(rel_global) : rel_global;
  m.place = frame.moves ? rel : v.pos_global;
  m.vel = frame.OverGround(v.pos_global, v.vel_global);
  m.nose = frame.Direction(v.rot.Column(2));
  m.radius_m = td::VecLength(rel);
  m.altitude_m = m.radius_m - body.radius_m;
  const double terrain_radius_m = SurfaceRadius(world, body, rel_global);
  m.terrain_alt_m = terrain_radius_m - body.radius_m;
  m.clearance_m = (m.radius_m - v.cog_elev_m) - terrain_radius_m;
  if (m.radius_m > 0.0) {
    m.up = td::VecScale(rel, 1.0 / m.radius_m);
    m.lat_rad = std::asin(rel.y / m.radius_m);
    m.lon_rad = std::atan2(rel.z, rel.x);
  }
  return m;
}

Measure MeasureVessel(const sim::World &world, const sim::VesselRecord &v,
                      const sim::BodySpec &body) {
  return MeasureVessel(world, v, BodyFrameOf(body));
}

double Heading(const Measure &m) {
  // East and north at the vessel's place; the nose is the vessel's +z axis.
  const terrain::Horizon h = terrain::HorizonAt(m.lat_rad, m.lon_rad);
  return std::atan2(td::VecDot(m.nose, h.east), td::VecDot(m.nose, h.north));
}

}  // namespace app
