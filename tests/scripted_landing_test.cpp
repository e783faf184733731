// One landing from end to end, with the stand-in host's physics on: touchdown, rest,
// anchoring on the terrain, and take-off under thrust.
#include "anchor/anchor_table.h"
#include "world_fixture.h"

namespace {

using sim::EventKind;
using td::Vec3;
using tdtest::FlatTerrain;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

class ScriptedLanding : public ModuleWorld {};

TEST_F(ScriptedLanding, TouchesDownRestsIsAnchoredAndTakesOffUnderThrust) {
  const OBJHANDLE carrier = AddCarrier();
  // Terrain 5 m above the mean radius, where the host's own smooth sphere cannot hold the
  // lander: only the module's forces can.
  Start(sim::TerrainMode::kPresent, FlatTerrain(5.0));
  world.EnablePhysics(true);
  VesselPlacement p;
  p.clearance_m = 1.0;
  p.vel_global = Vec3(-1.0, 0.3, 0.0);  // down at 1 m/s, drifting north
  p.mass_kg = 1500.0;
  const OBJHANDLE lander = AddVessel(p);
  world.SetFocus(lander);

  // Falls until the first step in contact: stopping, support, then the brakes along z and x.
  int step = 0;
  while (ForcesOn(lander).empty() && step < 500) {
    Step(0.02);
    ++step;
  }
  const auto first = ForcesOn(lander);
  ASSERT_EQ(first.size(), 4u);
  EXPECT_LT(Clearance(lander), 0.0);
  EXPECT_GT(first[0].v[0].y, 0.0);  // stopping: along local up while falling
  EXPECT_GT(first[1].v[0].y, 0.0);  // support
  EXPECT_LT(first[2].v[0].z, 0.0);  // brake against the northward drift
  EXPECT_EQ(first[2].v[0].x, 0.0);
  EXPECT_EQ(first[3].v[0].z, 0.0);  // brake along x
  EXPECT_GT(first[1].v[0].y, 1.1 * 1500.0 * 1.6 * 0.99);

  // Comes to rest and is anchored, in the lowest slot, lifted onto the terrain.
  while (!Anchored(lander) && step < 1000) {
    Step(0.02);
    ++step;
  }
  ASSERT_TRUE(Anchored(lander));
  EXPECT_EQ(td::FindAnchorSlot(lander), 0);
  const auto points = Events(EventKind::kCreateAttachment);
  ASSERT_EQ(points.size(), 2u);
  EXPECT_EQ(points[0].text, "VBS");
  EXPECT_EQ(points[1].text, "VBS");
  EXPECT_EQ(world.Vessel(lander)->parent, carrier);
  EXPECT_NEAR(Clearance(lander), 0.0, 1e-6);
  for (int i = 0; i < 200; ++i) Step(0.02);
  EXPECT_NEAR(Clearance(lander), 0.0, 1e-6);
  EXPECT_TRUE(Events(EventKind::kDetachChild).empty());

  // Engine on: released with no separation speed, and it climbs.
  world.Vessel(lander)->thrust_local_N = Vec3(0, 1500.0 * 5.0, 0);
  Step(0.02);
  const auto detaches = Events(EventKind::kDetachChild);
  ASSERT_EQ(detaches.size(), 1u);
  EXPECT_EQ(detaches[0].value, 0.0);
  EXPECT_FALSE(Anchored(lander));
  for (int i = 0; i < 100; ++i) Step(0.02);
  EXPECT_GT(Clearance(lander), 1.0);
  EXPECT_EQ(Events(EventKind::kDetachChild).size(), 1u);
}

}  // namespace
