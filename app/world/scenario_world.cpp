#include "app/world/scenario_world.h"

#include <cmath>

#include "app/scenario/scenario_error.h"
#include "app/world/vessel_measure.h"
#include "math/vector.h"
#include "terrain/terrain_radius.h"

namespace app {

namespace {

VECTOR3 ToVector(const Vec3 &v) { return td::Vec3(v[0], v[1], v[2]); }

const BodyDef &BodyNamed(const Scenario &s, const std::string &name) {
  for (const BodyDef &b : s.bodies) {
    if (b.name == name) return b;
  }
  return s.bodies.front();  // an empty name: checked names always match one above
}

sim::BodySpec ToSpec(const BodyDef &b) {
  sim::BodySpec body;
  body.name = b.name;
  body.radius_m = b.radius_m;
  body.mass_kg = b.mass_kg;
  body.pos_global = ToVector(b.position_m);
  body.rotation_period_s = b.rotation_period_s;
  body.vel_global = ToVector(b.velocity_mps);
  return body;
}

}  // namespace

DorvakConfig TerrainConfigOf(const Scenario &s) {
  const TerrainDef &t = s.terrain;
  if (t.relief == Relief::kInstalled) return terrain::DefaultConfig();
  DorvakConfig c{};
  c.body_radius_m = BodyNamed(s, t.body).radius_m;
  switch (t.relief) {
    case Relief::kFlat:
      c.relief = kDorvakFlat;
      break;
    case Relief::kHills:
      c.relief = kDorvakHills;
      break;
    case Relief::kNaN:
      c.relief = kDorvakNaN;
      break;
    case Relief::kSlope:
      c.relief = kDorvakSlope;
      break;
    case Relief::kCrater:
      c.relief = kDorvakCrater;
      break;
    case Relief::kInstalled:
      break;
  }
  c.offset_m = t.offset_m;
  c.amplitude_m = t.amplitude_m;
  c.wavelength_m = t.wavelength_m;
  c.slope_rad = t.slope_deg * kRadPerDeg;
  c.azimuth_rad = t.azimuth_deg * kRadPerDeg;
  c.ref_lat_rad = t.ref_lat_deg * kRadPerDeg;
  c.ref_lon_rad = t.ref_lon_deg * kRadPerDeg;
  c.crater_radius_m = t.crater_radius_m;
  c.crater_depth_m = t.crater_depth_m;
  return c;
}

namespace {

// A place over the body's turning ground, where the vessel's horizon and heading are taken.
struct Place {
  double lat_rad = 0.0;
  double lon_rad = 0.0;
};

// The position of a vessel placed by latitude and longitude: at an altitude over the mean
// radius, or at a height over the terrain below.
VECTOR3 SurfacePosition(const Scenario &s, const VesselDef &v, const SurfacePlacement &place,
                        const sim::World &world, const sim::BodySpec &body, Place &at) {
  at = {place.lat_deg * kRadPerDeg, place.lon_deg * kRadPerDeg};
  double radius_m = 0.0;
  if (place.altitude_m) {
    radius_m = body.radius_m + *place.altitude_m;
  } else {
    const VECTOR3 ground =
        td::VecSub(sim::SurfacePoint(body, at.lat_rad, at.lon_rad, body.radius_m), body.pos_global);
    // Vessels on a body without the relief stand on its smooth sphere.
    const double terrain_m = SurfaceRadius(world, body, ground);
    if (!std::isfinite(terrain_m)) {
      throw ScenarioError(s.file, v.height_where.line, v.height_where.field,
                          "the terrain has no height at this place; give altitude_m instead");
    }
    radius_m = terrain_m + v.cog_elev_m + *place.height_over_terrain_m;
  }
  if (!(radius_m > 0.0)) {
    throw ScenarioError(s.file, v.where.line, v.where.field,
                        "places the vessel at or below the body's centre");
  }
  return sim::SurfacePoint(body, at.lat_rad, at.lon_rad, radius_m);
}

// The place over the body's ground under a vessel given by its global position.
Place PlaceUnder(const Scenario &s, const VesselDef &v, const VECTOR3 &pos_global,
                 const sim::BodySpec &body) {
  VECTOR3 rel = td::VecSub(pos_global, body.pos_global);
  if (body.turn_rad != 0.0) rel = sim::BodyRotation(body).MulTransposed(rel);
  const double r = td::VecLength(rel);
  if (!(r > 0.0)) {
    throw ScenarioError(s.file, v.where.line, v.where.field + ".position_m",
                        "is the centre of its body, which has no local horizon");
  }
  return {std::asin(rel.y / r), std::atan2(rel.z, rel.x)};
}

sim::Mat3 AttitudeAt(const VesselDef &v, const Place &at, const sim::BodySpec &body) {
  if (const auto *a = std::get_if<UprightAttitude>(&v.attitude)) {
    const sim::Mat3 rot = sim::UprightAttitude(at.lat_rad, at.lon_rad, a->yaw_deg * kRadPerDeg,
                                               a->pitch_deg * kRadPerDeg, a->roll_deg * kRadPerDeg);
    return body.turn_rad != 0.0 ? sim::BodyRotation(body).Mul(rot) : rot;
  }
  const auto &axes = std::get<ExplicitAxes>(v.attitude);
  return sim::Mat3::FromColumns(ToVector(axes.x), ToVector(axes.y), ToVector(axes.z));
}

VECTOR3 VelocityAt(const VesselDef &v, const Place &at, const sim::BodySpec &body,
                   const VECTOR3 &pos_global) {
  if (v.velocity_is_global) return ToVector(v.velocity_mps);
  // Columns east, up, north: the local horizon frame's axes.
  VECTOR3 vel_global = sim::UprightAttitude(at.lat_rad, at.lon_rad).Mul(ToVector(v.velocity_mps));
  if (body.turn_rad != 0.0) vel_global = sim::BodyRotation(body).Mul(vel_global);
  // Over the ground, which carries the vessel with it.
  if (sim::BodyMoves(body)) {
    vel_global = td::VecAdd(vel_global, sim::GroundVelocity(body, pos_global));
  }
  return vel_global;
}

// Positions only, as a vessel gives them to the host: its springs from the mass.
std::vector<sim::TouchdownPoint> TouchdownPointsOf(const VesselDef &v) {
  std::vector<sim::TouchdownPoint> points;
  if (v.touchdown_points.empty()) return points;
  const sim::TouchdownPoint model = sim::DefaultTouchdownPoints(v.mass_kg, v.cog_elev_m)[0];
  for (const Vec3 &p : v.touchdown_points) {
    sim::TouchdownPoint point = model;
    point.pos = ToVector(p);
    points.push_back(point);
  }
  return points;
}

}  // namespace

sim::VesselSpec VesselSpecOf(const Scenario &s, const VesselDef &v, const sim::World &world) {
  const BodyDef &body_def = BodyNamed(s, v.body);
  sim::VesselSpec desc;
  desc.name = v.name;
  desc.class_name = v.class_name;
  desc.body = world.FindBody(body_def.name);
  // The body as it stands now, turned and moved: places, headings and velocities over the
  // horizon are over its turning ground.
  const sim::BodySpec &body = *world.Body(desc.body);
  Place at;
  if (const auto *place = std::get_if<SurfacePlacement>(&v.placement)) {
    desc.pos_global = SurfacePosition(s, v, *place, world, body, at);
  } else {
    desc.pos_global = ToVector(std::get<Vec3>(v.placement));
    at = PlaceUnder(s, v, desc.pos_global, body);
  }
  desc.rot = AttitudeAt(v, at, body);
  desc.vel_global = VelocityAt(v, at, body, desc.pos_global);
  desc.mass_kg = v.mass_kg;
  desc.cog_elev_m = v.cog_elev_m;
  desc.thrust_local_N = ToVector(v.thrust_N);
  desc.fixed_to_body = v.fixed_to_body;
  desc.landed = v.landed;
  desc.touchdown_points = TouchdownPointsOf(v);
  return desc;
}

OBJHANDLE AddScenarioVessel(const Scenario &s, const VesselDef &v, sim::World &world) {
  const OBJHANDLE vessel = world.AddVessel(VesselSpecOf(s, v, world));
  // The host's focus is never none while it has a vessel: the first one takes it, unless the
  // scenario names another.
  if (world.Focus() == nullptr) world.SetFocus(vessel);
  return vessel;
}

Roster RosterOf(const sim::World &world) {
  Roster roster;
  for (const OBJHANDLE handle : world.LiveVessels()) {
    const sim::VesselRecord *v = world.Vessel(handle);
    roster.Add(handle, v->name, v->class_name, v->fixed_to_body);
  }
  return roster;
}

void BuildWorld(const Scenario &s, sim::World &world) {
  for (const BodyDef &b : s.bodies) world.AddBody(ToSpec(b));
  switch (s.terrain.presence) {
    case TerrainLibrary::kPresent:
      world.SetTerrainMode(sim::TerrainMode::kPresent);
      break;
    case TerrainLibrary::kMissing:
      world.SetTerrainMode(sim::TerrainMode::kMissing);
      break;
    case TerrainLibrary::kNoFunction:
      world.SetTerrainMode(sim::TerrainMode::kNoFunction);
      break;
  }
  world.ConfigureTerrain(TerrainConfigOf(s));
  world.SetTerrainBody(world.FindBody(s.terrain.body));
  for (const VesselDef &v : s.vessels) AddScenarioVessel(s, v, world);
  for (const TimedEvent &e : s.events) {
    if (const auto *create = std::get_if<CreateAction>(&e.action))
      VesselSpecOf(s, create->vessel, world);
  }
  world.SetPostStepSees(s.post_step_sees == FrameOrder::kStartOfStep
                            ? sim::PostStepSees::kStartOfStep
                            : sim::PostStepSees::kEndOfStep);
  if (!s.focus.empty()) world.SetFocus(world.FindVessel(s.focus));
  world.SetClock(0.0, s.mjd);
}

}  // namespace app
