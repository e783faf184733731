// The ground probe: clearance, drop vector and floored terrain altitude.
#include "anchor/ground_probe.h"

#include "support/world_fixture.h"

namespace {

using tdtest::FlatTerrain;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

class GroundProbe : public ModuleWorld {
 protected:
  struct Result {
    double clearance_m;
    VECTOR3 drop_global;
    double terrain_alt_m;
  };

  Result Probe(OBJHANDLE vessel) {
    Result r;
    r.clearance_m = td::ProbeGround(*Iface(vessel), r.drop_global, r.terrain_alt_m);
    return r;
  }

  // A vessel whose origin stands at the given altitude over the mean radius, at a place off
  // the axes so every component of the drop vector matters.
  OBJHANDLE VesselAtAltitude(double origin_alt_m, double cog_elev_m) {
    VesselPlacement p = At("probed", 0.4, -1.1, origin_alt_m - cog_elev_m - terrain_offset_m);
    p.cog_elev_m = cog_elev_m;
    return AddVessel(p);
  }

  VECTOR3 UpAt(OBJHANDLE vessel) {
    return td::VecUnit(world.Vessel(vessel)->pos_global);  // the moon sits at the origin
  }
};

TEST_F(GroundProbe, TheDropVectorSetsTheTouchdownPlaneOnTheTerrainFromAboveAndBelow) {
  Start(sim::TerrainMode::kPresent, FlatTerrain(3.0));
  for (const double clearance_m : {10.0, -0.3}) {
    const OBJHANDLE v = VesselAtAltitude(3.0 + 2.0 + clearance_m, 2.0);
    const Result r = Probe(v);
    EXPECT_EQ(r.terrain_alt_m, 3.0);
    EXPECT_NEAR(r.clearance_m, clearance_m, 1e-9);
    tdtest::ExpectVecNear(r.drop_global, td::VecScale(UpAt(v), -clearance_m), 1e-8);
    world.Vessel(v)->pos_global = td::VecAdd(world.Vessel(v)->pos_global, r.drop_global);
    EXPECT_NEAR(Clearance(v), 0.0, 1e-8);
  }
}

TEST_F(GroundProbe, TerrainAltitudeIsFlooredAtMinusOneMetre) {
  struct Case {
    double offset_m, expected_m;
  };
  Start(sim::TerrainMode::kPresent, FlatTerrain(-5.0));
  for (const Case c :
       {Case{-5.0, -1.0}, Case{-1.0, -1.0}, Case{-0.5, -0.5}, Case{0.0, 0.0}, Case{-1e9, -1.0}}) {
    Reconfigure(FlatTerrain(c.offset_m));
    const Result r = Probe(VesselAtAltitude(4.0, 1.0));
    EXPECT_EQ(r.terrain_alt_m, c.expected_m) << c.offset_m;
    // The clearance is measured from the floored altitude.
    EXPECT_NEAR(r.clearance_m, 3.0 - c.expected_m, 1e-9) << c.offset_m;
  }
  Reconfigure(FlatTerrain(-5.0));
  EXPECT_NEAR(Probe(VesselAtAltitude(0.0, 1.0)).clearance_m, 0.0, 1e-9);  // base -1 over -1
}

TEST_F(GroundProbe, NotANumberTerrainGivesNotANumberThroughout) {
  Start(sim::TerrainMode::kPresent, tdtest::NaNTerrain());
  const Result r = Probe(VesselAtAltitude(5.0, 1.0));
  EXPECT_TRUE(std::isnan(r.terrain_alt_m));
  EXPECT_TRUE(std::isnan(r.clearance_m));
  EXPECT_TRUE(std::isnan(r.drop_global.x) && std::isnan(r.drop_global.y) &&
              std::isnan(r.drop_global.z));
}

TEST_F(GroundProbe, UsesTheVesselsOwnBody) {
  const OBJHANDLE rock = world.AddBody({"Rock", 500.0, 1e12, td::Vec3(1e8, 0, 0)});
  DorvakConfig terrain = FlatTerrain(0.0);
  terrain.body_radius_m = 500.0;  // the library answers in terms of this radius
  Start(sim::TerrainMode::kPresent, terrain);
  VesselPlacement p = At("probed", 0.0, 0.0, 7.0);
  p.body = rock;
  p.cog_elev_m = 1.0;
  const Result r = Probe(AddVessel(p));
  EXPECT_NEAR(r.clearance_m, 7.0, 1e-9);
  EXPECT_EQ(r.terrain_alt_m, 0.0);
}

}  // namespace
