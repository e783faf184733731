// A small world for the module's tests: a moon with configurable terrain, a carrier standing
// for the ground at latitude 0 / longitude 0, and the module linked in and started. The
// module's state is process-wide; every test starts it afresh with InitModule.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "anchor/anchor_table.h"
#include "math/units.h"
#include "math/vector.h"
#include "module/entry_points.h"
#include "module/test_access.h"
#include "sim/world.h"

namespace tdtest {

inline constexpr double kMoonRadius_m = 1737400.0;
inline constexpr double kMoonMass_kg = 7.342e22;
inline constexpr double kG = td::kGravitationalConstant;

inline DorvakConfig FlatTerrain(double offset_m = 0.0) {
  DorvakConfig config{};
  config.body_radius_m = kMoonRadius_m;
  config.relief = kDorvakFlat;
  config.offset_m = offset_m;
  return config;
}

inline DorvakConfig NaNTerrain() {
  DorvakConfig config = FlatTerrain();
  config.relief = kDorvakNaN;
  return config;
}

struct VesselPlacement {
  std::string name = "lander";
  std::optional<std::string> class_name = std::string("Lander");
  double lat_rad = 0.0;
  double lon_rad = 0.0;
  double clearance_m = 0.0;  // touchdown plane over the flat terrain offset in use
  double yaw_rad = 0.0, pitch_rad = 0.0, roll_rad = 0.0;
  double mass_kg = 1000.0;
  double cog_elev_m = 2.0;
  VECTOR3 vel_global{};
  VECTOR3 thrust_local_N{};
  OBJHANDLE body = nullptr;  // default: the moon
};

class ModuleWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    moon = world.AddBody({"Moon", kMoonRadius_m, kMoonMass_kg, td::Vec3(0, 0, 0)});
  }

  void TearDown() override {
    if (started_) ExitModule(kInstance);
  }

  // Starts the module against the current terrain settings.
  void Start(sim::TerrainMode mode = sim::TerrainMode::kPresent,
             const DorvakConfig &terrain = FlatTerrain()) {
    terrain_offset_m = terrain.offset_m;
    world.SetTerrainMode(mode);
    world.ConfigureTerrain(terrain);
    world.SetModule({&InitModule, &ExitModule, &GetModuleVersion, nullptr, &opcPreStep, nullptr,
                     &opcCloseRenderViewport},
                    kInstance);
    world.InitModule();
    started_ = true;
  }

  // Changes the terrain under a running module (the library keeps one configuration).
  void Reconfigure(const DorvakConfig &terrain) {
    terrain_offset_m = terrain.offset_m;
    world.ConfigureTerrain(terrain);
  }

  OBJHANDLE AddCarrier(double lat_rad = 0.0, double lon_rad = 0.0,
                       const std::string &class_name = "DynamicPlanet", OBJHANDLE body = nullptr) {
    sim::VesselSpec desc;
    desc.name = "ground";
    desc.class_name = class_name;
    desc.body = body != nullptr ? body : moon;
    desc.pos_global = sim::SurfacePoint(*world.Body(desc.body), lat_rad, lon_rad, kMoonRadius_m);
    desc.rot = sim::UprightAttitude(lat_rad, lon_rad);
    desc.fixed_to_body = true;
    desc.mass_kg = 1.0;
    return world.AddVessel(desc);
  }

  OBJHANDLE AddVessel(const VesselPlacement &p) {
    sim::VesselSpec desc;
    desc.name = p.name;
    desc.class_name = p.class_name;
    desc.body = p.body != nullptr ? p.body : moon;
    const sim::BodySpec &body = *world.Body(desc.body);
    const double radius_m = body.radius_m + terrain_offset_m + p.cog_elev_m + p.clearance_m;
    desc.pos_global = sim::SurfacePoint(body, p.lat_rad, p.lon_rad, radius_m);
    desc.vel_global = p.vel_global;
    desc.rot = sim::UprightAttitude(p.lat_rad, p.lon_rad, p.yaw_rad, p.pitch_rad, p.roll_rad);
    desc.mass_kg = p.mass_kg;
    desc.cog_elev_m = p.cog_elev_m;
    desc.thrust_local_N = p.thrust_local_N;
    return world.AddVessel(desc);
  }

  static VesselPlacement At(const std::string &name, double lat_rad, double lon_rad,
                            double clearance_m, const std::string &class_name = "Lander") {
    VesselPlacement p;
    p.name = name;
    p.class_name = class_name;
    p.lat_rad = lat_rad;
    p.lon_rad = lon_rad;
    p.clearance_m = clearance_m;
    return p;
  }

  // A vessel just sunk into the terrain at rest: the contact pass anchors it.
  OBJHANDLE Resting(const std::string &name, double lat_rad = 0.0, double lon_rad = 0.0,
                    const std::string &class_name = "Lander") {
    return AddVessel(At(name, lat_rad, lon_rad, -0.01, class_name));
  }

  // Resting vessels in rows of `per_row`, a block spaced by the angles given: more of them
  // than there are slots fills the anchor table and leaves some waiting.
  std::vector<OBJHANDLE> RestingFleet(const std::string &prefix, int n, int per_row,
                                      double dlat_rad, double dlon_rad) {
    std::vector<OBJHANDLE> fleet;
    for (int i = 0; i < n; ++i) {
      const int row = i / per_row;
      fleet.push_back(
          Resting(prefix + std::to_string(i), dlat_rad * (i % per_row), dlon_rad * row));
    }
    return fleet;
  }

  // A vessel height_m over the terrain, coming down at 0.5 m/s (-x is down near latitude 0,
  // longitude 0, where all these scenes are).
  OBJHANDLE Falling(const std::string &name, double lat_rad, double lon_rad, double height_m,
                    const std::string &class_name = "Lander") {
    VesselPlacement p = At(name, lat_rad, lon_rad, height_m, class_name);
    p.vel_global = td::Vec3(-0.5, 0.0, 0.0);
    return AddVessel(p);
  }

  // A focus vessel flying high at the given place, so it never touches anything.
  OBJHANDLE FocusAt(double lat_rad, double lon_rad) {
    const OBJHANDLE f = AddVessel(At("focus", lat_rad, lon_rad, 5000.0));
    world.SetFocus(f);
    return f;
  }

  VESSEL *Iface(OBJHANDLE vessel) { return oapiGetVesselInterface(vessel); }

  void Step(double simdt = 0.02) { world.Step(simdt); }

  std::vector<sim::HostEvent> Events(sim::EventKind kind) const {
    std::vector<sim::HostEvent> out;
    for (const sim::HostEvent &e : world.Events()) {
      if (e.Kind() == kind) out.push_back(e);
    }
    return out;
  }

  // The recorded calls of one kind.
  template <class Call>
  std::vector<Call> Calls() const {
    std::vector<Call> out;
    for (const sim::HostEvent &e : world.Events()) {
      if (const Call *call = e.As<Call>()) out.push_back(*call);
    }
    return out;
  }

  std::vector<sim::AddForceEvent> ForcesOn(OBJHANDLE vessel) const {
    std::vector<sim::AddForceEvent> out;
    for (const sim::AddForceEvent &f : Calls<sim::AddForceEvent>()) {
      if (f.vessel == vessel) out.push_back(f);
    }
    return out;
  }

  // Height of the vessel's touchdown plane over the terrain below its origin.
  double Clearance(OBJHANDLE vessel) const {
    const sim::VesselRecord &v = *world.Vessel(vessel);
    const sim::BodySpec &body = *world.Body(v.body);
    const VECTOR3 radial = td::VecSub(v.pos_global, body.pos_global);
    return td::VecLength(radial) - v.cog_elev_m - world.TerrainRadius(radial);
  }

  // Lowers a free vessel along its radial line (a released vessel rests within rounding of
  // the terrain; this puts it clearly in contact again).
  void Sink(OBJHANDLE vessel, double depth_m) {
    sim::VesselRecord &v = *world.Vessel(vessel);
    const VECTOR3 up = td::VecUnit(td::VecSub(v.pos_global, world.Body(v.body)->pos_global));
    v.pos_global = td::VecSub(v.pos_global, td::VecScale(up, depth_m));
  }

  bool Anchored(OBJHANDLE vessel) const { return world.Vessel(vessel)->parent != nullptr; }

  // Moves an anchored vessel by editing its point on the carrier, as a host user could.
  void ShiftAnchored(OBJHANDLE carrier, int slot, const VECTOR3 &delta_carrier);

  static inline const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(0x7d00);
  sim::World world;
  OBJHANDLE moon = nullptr;
  double terrain_offset_m = 0.0;

 private:
  bool started_ = false;
};

inline void ExpectVecNear(const VECTOR3 &actual, const VECTOR3 &expected, double tol) {
  EXPECT_NEAR(actual.x, expected.x, tol);
  EXPECT_NEAR(actual.y, expected.y, tol);
  EXPECT_NEAR(actual.z, expected.z, tol);
}

inline void ModuleWorld::ShiftAnchored(OBJHANDLE carrier, int slot, const VECTOR3 &delta_carrier) {
  VESSEL *c = oapiGetVesselInterface(carrier);
  VECTOR3 pos, dir, rot;
  c->GetAttachmentParams(td::test_access::SlotCarrierPoint(slot), pos, dir, rot);
  c->SetAttachmentParams(td::test_access::SlotCarrierPoint(slot), td::VecAdd(pos, delta_carrier),
                         dir, rot);
}

}  // namespace tdtest
