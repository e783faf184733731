// A vessel's table: identity, placement, velocity, attitude, mass properties and thrust.
// Used for [[vessel]] and for the vessel an event creates.
#include <cmath>

#include "app/scenario/scenario_parse.h"

namespace app {

namespace {

constexpr double kAxisTolerance = 1e-6;

double Dot(const Vec3 &a, const Vec3 &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec3 Cross(const Vec3 &a, const Vec3 &b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

ExplicitAxes ParseAxes(const Fields &f) {
  f.AllowOnly({"x", "y", "z"});
  ExplicitAxes axes;
  Vec3 *targets[] = {&axes.x, &axes.y, &axes.z};
  const char *keys[] = {"x", "y", "z"};
  for (int i = 0; i < 3; ++i) {
    const std::optional<Vec3> v = f.Vector(keys[i]);
    if (!v) f.FailTable(std::string("missing axis ") + keys[i]);
    if (std::abs(Dot(*v, *v) - 1.0) > kAxisTolerance) f.Fail(keys[i], "must be a unit vector");
    *targets[i] = *v;
  }
  if (std::abs(Dot(axes.x, axes.y)) > kAxisTolerance ||
      std::abs(Dot(axes.y, axes.z)) > kAxisTolerance ||
      std::abs(Dot(axes.z, axes.x)) > kAxisTolerance) {
    f.FailTable("the axes must be perpendicular to each other");
  }
  // The vessel frame has the global frame's handedness: a rotation, not a mirror image.
  if (Dot(Cross(axes.x, axes.y), axes.z) < 0.0) {
    f.FailTable("the axes are a mirror image of the global frame's; flip one of them");
  }
  return axes;
}

// The host stands a vessel on three points or more, each within reach of its origin.
std::vector<Vec3> ParseTouchdownPoints(const Fields &f) {
  constexpr const char *kKey = "touchdown_points";
  constexpr size_t kMostPoints = 64;
  const toml::array *points = f.Array(kKey);
  if (points == nullptr) return {};
  if (points->size() < 3 || points->size() > kMostPoints) {
    f.Fail(kKey, "must hold 3 to " + std::to_string(kMostPoints) + " points like [x, y, z]");
  }
  std::vector<Vec3> out;
  for (size_t i = 0; i < points->size(); ++i) {
    const toml::array *p = points->get(i)->as_array();
    const std::string which = "point " + std::to_string(i + 1);
    if (p == nullptr || p->size() != 3) f.Fail(kKey, which + " must be [x, y, z] in metres");
    Vec3 v{};
    for (size_t k = 0; k < 3; ++k) {
      const std::optional<double> x = p->get(k)->value<double>();
      if (!x || !std::isfinite(*x)) f.Fail(kKey, which + " must hold finite numbers only");
      if (std::abs(*x) > kCogElevRange_m.hi) {
        f.Fail(kKey, which + " must lie within " +
                         std::to_string(static_cast<int>(kCogElevRange_m.hi)) +
                         " m of the vessel's origin on each axis");
      }
      v[k] = *x;
    }
    out.push_back(v);
  }
  return out;
}

// A place over the body by latitude and longitude, at a height over the terrain or an
// altitude over the mean radius (over the terrain at 0 m when the file gives neither).
SurfacePlacement ParseSurfacePlacement(const Fields &f) {
  SurfacePlacement s;
  if (auto x = f.Number("lat_deg")) s.lat_deg = *x;
  if (!(s.lat_deg >= -90.0 && s.lat_deg <= 90.0)) {
    f.Fail("lat_deg", "must be between -90 and 90 degrees");
  }
  if (auto x = f.Number("lon_deg")) s.lon_deg = *x;
  if (!(s.lon_deg >= -360.0 && s.lon_deg <= 360.0)) {
    f.Fail("lon_deg", "must be between -360 and 360 degrees");
  }
  if (f.Has("height_over_terrain_m") && f.Has("altitude_m")) {
    f.Fail("altitude_m", "give height_over_terrain_m or altitude_m, not both");
  }
  for (const char *k : {"height_over_terrain_m", "altitude_m"}) {
    if (auto x = f.Number(k)) f.Within(k, *x, kHeightRange_m, "m");
  }
  s.height_over_terrain_m = f.Number("height_over_terrain_m");
  s.altitude_m = f.Number("altitude_m");
  if (!s.altitude_m && !s.height_over_terrain_m) s.height_over_terrain_m = 0.0;
  return s;
}

void ParsePlacement(const Fields &f, VesselDef &v) {
  if (auto p = f.Vector("position_m")) {
    for (const char *k : {"lat_deg", "lon_deg", "height_over_terrain_m", "altitude_m"}) {
      if (f.Has(k)) f.Fail(k, "give position_m or a place by lat_deg/lon_deg, not both");
    }
    v.placement = f.LengthAtMost("position_m", *p, kSolarSystem_m, "m");
    return;
  }
  v.placement = ParseSurfacePlacement(f);
  v.height_where = f.Ref("height_over_terrain_m");
}

void ParseVelocity(const Fields &f, VesselDef &v) {
  if (f.Has("velocity_horizon_mps") && f.Has("velocity_global_mps")) {
    f.Fail("velocity_global_mps", "give velocity_horizon_mps or velocity_global_mps, not both");
  }
  for (const char *k : {"velocity_horizon_mps", "velocity_global_mps"}) {
    if (auto x = f.Vector(k)) v.velocity_mps = f.LengthAtMost(k, *x, kSpeedOfLight_mps, "m/s");
  }
  if (f.Has("velocity_global_mps")) {
    v.velocity_is_global = true;
  }
}

void ParseAttitude(const Fields &f, VesselDef &v) {
  if (const toml::table *axes = f.Table("axes")) {
    for (const char *k : {"yaw_deg", "pitch_deg", "roll_deg"}) {
      if (f.Has(k)) f.Fail(k, "give axes or yaw_deg/pitch_deg/roll_deg, not both");
    }
    v.attitude = ParseAxes(Fields(*axes, f.File(), f.FieldPath("axes")));
    return;
  }
  UprightAttitude a;
  if (auto x = f.Number("yaw_deg")) a.yaw_deg = f.Within("yaw_deg", *x, kAngleRange_deg, "deg");
  if (auto x = f.Number("pitch_deg"))
    a.pitch_deg = f.Within("pitch_deg", *x, kAngleRange_deg, "deg");
  if (auto x = f.Number("roll_deg")) a.roll_deg = f.Within("roll_deg", *x, kAngleRange_deg, "deg");
  v.attitude = a;
}

// Mass, the centre's height over the touchdown plane, and what the vessel does by itself.
void ParseMassAndThrust(const Fields &f, VesselDef &v) {
  if (auto x = f.Number("mass_kg")) {
    v.mass_kg = f.Within("mass_kg", f.Positive("mass_kg", *x), kVesselMassRange_kg, "kg");
  }
  if (auto x = f.Number("cog_elev_m")) {
    v.cog_elev_m = f.Within("cog_elev_m", f.NonNegative("cog_elev_m", *x), kCogElevRange_m, "m");
  }
  if (auto x = f.Bool("fixed_to_body")) v.fixed_to_body = *x;
  if (auto x = f.Vector("thrust_N")) v.thrust_N = f.LengthAtMost("thrust_N", *x, kMaxThrust_N, "N");
}

}  // namespace

VesselDef ParseVessel(const Fields &f) {
  f.AllowOnly({"name",
               "class",
               "body",
               "lat_deg",
               "lon_deg",
               "height_over_terrain_m",
               "altitude_m",
               "position_m",
               "velocity_horizon_mps",
               "velocity_global_mps",
               "yaw_deg",
               "pitch_deg",
               "roll_deg",
               "axes",
               "mass_kg",
               "cog_elev_m",
               "fixed_to_body",
               "thrust_N",
               "thrust_schedule",
               "touchdown_points"});
  VesselDef v;
  v.where = {f.TableLine(), f.Path()};
  v.name = f.RequiredString("name");
  if (v.name.empty()) f.Fail("name", "must not be empty");
  // The host takes a vessel's name for its class when the scenario gives none.
  v.class_name = f.String("class").value_or(v.name);
  if (auto b = f.String("body")) v.body = *b;
  ParsePlacement(f, v);
  ParseVelocity(f, v);
  ParseAttitude(f, v);
  ParseMassAndThrust(f, v);
  v.touchdown_points = ParseTouchdownPoints(f);
  return v;
}

void ParseThrustSchedule(const Fields &f, const std::string &vessel,
                         std::vector<TimedEvent> &events) {
  const toml::array *schedule = f.Array("thrust_schedule");
  if (schedule == nullptr) return;
  for (size_t i = 0; i < schedule->size(); ++i) {
    const toml::table *table = schedule->get(i)->as_table();
    if (table == nullptr) {
      f.Fail("thrust_schedule", "must hold tables like { t_s = 10, thrust_N = [0, 1000, 0] }");
    }
    const Fields entry(*table, f.File(),
                       f.FieldPath("thrust_schedule") + "[" + std::to_string(i + 1) + "]");
    entry.AllowOnly({"t_s", "thrust_N"});
    TimedEvent e;
    e.t_s = entry.NonNegative("t_s", entry.RequiredNumber("t_s"));
    const std::optional<Vec3> thrust = entry.Vector("thrust_N");
    if (!thrust) entry.FailTable("missing required field thrust_N");
    e.action = ThrustAction{vessel, entry.LengthAtMost("thrust_N", *thrust, kMaxThrust_N, "N")};
    e.order = entry.Line("t_s");
    e.where = entry.Ref("t_s");
    events.push_back(e);
  }
}

}  // namespace app
