#include "app/vessel_measure.h"

#include <cmath>

#include "math/vector.h"

namespace app {

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

Measure MeasureVessel(const sim::World &world, const sim::VesselRecord &v,
                      const sim::BodySpec &body) {
  Measure m;
  const VECTOR3 rel = td::VecSub(v.pos_global, body.pos_global);
  m.radius_m = td::VecLength(rel);
  m.altitude_m = m.radius_m - body.radius_m;
  const double terrain_radius_m = SurfaceRadius(world, body, rel);
  m.terrain_alt_m = terrain_radius_m - body.radius_m;
  m.clearance_m = (m.radius_m - v.cog_elev_m) - terrain_radius_m;
  if (m.radius_m > 0.0) {
    m.up = td::VecScale(rel, 1.0 / m.radius_m);
    m.lat_rad = std::asin(rel.y / m.radius_m);
    m.lon_rad = std::atan2(rel.z, rel.x);
  }
  return m;
}

double Heading(const sim::VesselRecord &v, const Measure &m) {
  // East and north at the vessel's place; the nose is the vessel's +z axis.
  const double cl = std::cos(m.lat_rad), sl = std::sin(m.lat_rad);
  const double co = std::cos(m.lon_rad), so = std::sin(m.lon_rad);
  const VECTOR3 east = td::Vec3(-so, 0.0, co);
  const VECTOR3 north = td::Vec3(-sl * co, cl, -sl * so);
  const VECTOR3 nose = v.rot.Column(2);
  return std::atan2(td::VecDot(nose, east), td::VecDot(nose, north));
}

}  // namespace app
