// From the ships of a .scn file to the bodies and vessels of a scenario: a landed ship upright
// at its place and heading with its touchdown plane on the body's mean radius, or standing
// as AROT and ALT give it; an orbiting one at its state vectors about its body.
#include <cmath>

#include "app/scenario/scenario_error.h"
#include "app/scenario/scn_parse.h"
#include "app/scenario/scn_ships.h"
#include "app/scenario/vessel_cfg.h"
#include "terrain/solar_bodies.h"

namespace app {

namespace {

constexpr double kLandedArotUnset_rad = 4.0;

// The simulator's rotation from three angles, rows as it sets them; the columns are the
// vessel's axes in the frame the angles are given in.
ExplicitAxes AxesOfAngles(const Vec3 &a) {
  const double sx = std::sin(a[0]), cx = std::cos(a[0]);
  const double sy = std::sin(a[1]), cy = std::cos(a[1]);
  const double sz = std::sin(a[2]), cz = std::cos(a[2]);
  const double m[3][3] = {{cy * cz, cy * sz, -sy},
                          {sx * sy * cz - cx * sz, sx * sy * sz + cx * cz, sx * cy},
                          {cx * sy * cz + sx * sz, cx * sy * sz - sx * cz, cx * cy}};
  ExplicitAxes axes;
  for (int r = 0; r < 3; ++r) {
    axes.x[r] = m[r][0];
    axes.y[r] = m[r][1];
    axes.z[r] = m[r][2];
  }
  return axes;
}

// A place the simulator never leaves a vessel in: at the centre, or under the mean radius.
Vec3 AboveGround(Vec3 rpos, double radius_m) {
  double r = std::sqrt(rpos[0] * rpos[0] + rpos[1] * rpos[1] + rpos[2] * rpos[2]);
  if (r == 0.0) {
    rpos = {0.0, 0.0, 1.0};
    r = 1.0;
  }
  if (r < radius_m) {
    for (double &x : rpos) x *= radius_m / r;
  }
  return rpos;
}

void PlaceLanded(const ScnShip &ship, const VesselClassDef &cls, VesselDef &v) {
  SurfacePlacement place;
  place.lat_deg = ship.lat_deg;
  place.lon_deg = ship.lon_deg;
  v.landed = true;
  // The body does not turn before the run: its frame is the global frame.
  if (ship.arot_rad[0] <= kLandedArotUnset_rad) {
    place.altitude_m = ship.alt_m;
    v.attitude = AxesOfAngles(ship.arot_rad);
  } else {
    place.altitude_m = cls.cog_elev_m;
    v.attitude = UprightAttitude{ship.heading_deg, 0.0, 0.0};
  }
  v.placement = place;
  v.fixed_to_body = v.class_name == kCarrierClass;
}

void PlaceOrbiting(const ScnShip &ship, const BodyDef &body, VesselDef &v) {
  const Vec3 rel = AboveGround(ship.rpos_m, body.radius_m);
  v.placement =
      Vec3{body.position_m[0] + rel[0], body.position_m[1] + rel[1], body.position_m[2] + rel[2]};
  v.velocity_is_global = true;
  v.velocity_mps = ship.rvel_mps;
  v.attitude = AxesOfAngles(ship.arot_rad);
}

// Why a ship is not played, or empty.
std::string Unplayable(const ScnShip &ship) {
  if (ship.status == ShipStatus::kNone) {
    return "has no STATUS Landed or STATUS Orbiting about a body";
  }
  if (ship.status == ShipStatus::kLanded && ship.pad_line != 0) {
    return "stands on a base's landing pad, whose place touchdown-sim does not know; give POS";
  }
  if (ship.status == ShipStatus::kOrbiting && ship.elements_line != 0 &&
      !(ship.rpos_after_elements && ship.rvel_after_elements)) {
    return "gives orbital elements, which touchdown-sim does not read; give RPOS and RVEL "
           "(the simulator writes them when it saves a scenario)";
  }
  return "";
}

int UnplayableLine(const ScnShip &ship) {
  if (ship.status == ShipStatus::kNone) return ship.line;
  return ship.status == ShipStatus::kLanded ? ship.pad_line : ship.elements_line;
}

const BodyDef &BodyOf(std::vector<BodyDef> &bodies, const std::string &name) {
  for (const BodyDef &b : bodies) {
    if (b.name == name) return b;
  }
  const terrain::SolarBody &known = *terrain::FindSolarBody(name);
  BodyDef b;
  b.name = name;
  b.radius_m = known.radius_m;
  b.mass_kg = known.mass_kg;
  b.rotation_period_s = known.sidereal_period_s;
  b.position_m = {kScnBodySpacing_m * static_cast<double>(bodies.size()), 0.0, 0.0};
  bodies.push_back(b);
  return bodies.back();
}

}  // namespace

VesselDef VesselOfShip(const ScnShip &ship, const std::string &file,
                       const std::string &orbiter_root, std::vector<BodyDef> &bodies) {
  if (const std::string why = Unplayable(ship); !why.empty()) {
    throw ScenarioError(file, UnplayableLine(ship), ShipLabel(ship), why);
  }
  const VesselClassDef cls = ReadVesselClass(orbiter_root, ship.class_name);
  VesselDef v;
  v.name = ship.name;
  v.class_name = ship.class_name;
  v.body = ship.body;
  v.where = {ship.line, ShipLabel(ship)};
  v.mass_kg = cls.mass_kg;
  v.cog_elev_m = cls.cog_elev_m;
  v.touchdown_points = cls.touchdown_points;
  const BodyDef &body = BodyOf(bodies, ship.body);
  if (ship.status == ShipStatus::kLanded) {
    PlaceLanded(ship, cls, v);
  } else {
    PlaceOrbiting(ship, body, v);
  }
  return v;
}

}  // namespace app
