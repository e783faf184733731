// The contact pass: which vessels take part, the four forces and their order, anchoring of
// resting vessels, and the thrust and float-free releases.
#include "contact/contact_pass.h"

#include <cmath>
#include <limits>

#include "anchor/anchor_table.h"
#include "anchor/ground_probe.h"
#include "module/key_table.h"
#include "module/test_access.h"
#include "support/world_fixture.h"

namespace {

using sim::EventKind;
using td::Vec3;
using tdtest::ExpectVecNear;
using tdtest::FlatTerrain;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

class ContactPass : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    carrier = AddCarrier();
    Start();
  }

  // At latitude 0 / longitude 0 an upright vessel's axes are: x east = global +z,
  // y up = global +x, z north = global +y.
  OBJHANDLE Sunk(double clearance_m, VECTOR3 vel_global, double mass_kg = 10.0,
                 const char *class_name = "Lander") {
    VesselPlacement p;
    p.clearance_m = clearance_m;
    p.vel_global = vel_global;
    p.mass_kg = mass_kg;
    p.class_name = class_name != nullptr ? std::optional<std::string>(class_name) : std::nullopt;
    return AddVessel(p);
  }

  double GravityAt(OBJHANDLE v) const {
    const double r = td::VecLength(world.Vessel(v)->pos_global);
    return tdtest::kG * tdtest::kMoonMass_kg / (r * r);
  }

  void AnchorNow(OBJHANDLE v) {
    td::test_access::SetStepCarrier(Iface(carrier));
    td::AnchorVessel(Iface(v));
  }

  void TurnCarrierUpsideDown() {
    world.Vessel(carrier)->rot =
        sim::Mat3::FromColumns(Vec3(0, 0, 1), Vec3(-1, 0, 0), Vec3(0, -1, 0));
  }

  OBJHANDLE carrier = nullptr;
};

TEST_F(ContactPass, SinkingVesselGetsStoppingSupportAndBothBrakesInThatOrder) {
  // Down at 1.5 m/s, north at 1 m/s, east at 2 m/s; 10 kg; 20 ms step. The brakes leave the
  // vertical velocity alone.
  const OBJHANDLE v = Sunk(-0.1, Vec3(-1.5, 1.0, 2.0));
  Step(0.02);
  const auto forces = ForcesOn(v);
  ASSERT_EQ(forces.size(), 4u);
  ExpectVecNear(forces[0].force_N, Vec3(0, 750.0, 0), 1e-6);  // m * c / dt, along local up
  ExpectVecNear(forces[1].force_N, Vec3(0, 1.1 * GravityAt(v) * 10.0, 0), 1e-6);  // weight + 10 %
  ExpectVecNear(forces[2].force_N, Vec3(0, 0, -0.5), 1e-9);  // 0.001 of the northward velocity
  ExpectVecNear(forces[3].force_N, Vec3(-1.0, 0, 0), 1e-9);  // 0.001 of the eastward velocity
  for (const auto &f : forces) ExpectVecNear(f.point_m, Vec3(0, 0, 0), 0.0);  // at the origin
}

TEST_F(ContactPass, StoppingForceOnlyWhileMovingDownInTheCarriersFrame) {
  TurnCarrierUpsideDown();
  // Closing at 1.5 m/s, but upwards as the carrier sees it: no stopping force.
  const OBJHANDLE closing = Sunk(-0.1, Vec3(-1.5, 0, 0));
  // Moving away from the centre, downwards for the carrier: the force pulls down.
  const OBJHANDLE leaving = Sunk(-0.1, Vec3(1.0, 0, 0));
  Step(0.02);
  const auto on_closing = ForcesOn(closing);
  ASSERT_EQ(on_closing.size(), 3u);
  EXPECT_GT(on_closing[0].force_N.y, 0.0);  // support comes first now
  const auto on_leaving = ForcesOn(leaving);
  ASSERT_EQ(on_leaving.size(), 4u);
  ExpectVecNear(on_leaving[0].force_N, Vec3(0, -500.0, 0), 1e-6);
}

TEST_F(ContactPass, BrakeIsTwoHundredAndOneTimesHarderWithThePeriodKey) {
  const OBJHANDLE v = Sunk(-0.01, Vec3(0, 0, 2.0), 100.0);
  Step(0.02);
  EXPECT_DOUBLE_EQ(ForcesOn(v)[2].force_N.x, -10.0);
  world.ClearEvents();
  world.KeyDown(td::kKeyPeriod);
  Step(0.02);
  EXPECT_DOUBLE_EQ(ForcesOn(v)[2].force_N.x, -2010.0);
}

TEST_F(ContactPass, AnchorsOnlyBelowHalfAMetrePerSecondWithoutThrustAndInContact) {
  const OBJHANDLE slow = Sunk(-0.01, Vec3(0, 0, 0.49));
  const OBJHANDLE limit = Sunk(-0.01, Vec3(0, 0, 0.5));
  VesselPlacement thrusting;
  thrusting.clearance_m = -0.01;
  thrusting.thrust_local_N = Vec3(0, 1e-6, 0);
  const OBJHANDLE pushing = AddVessel(thrusting);
  const OBJHANDLE touching = Sunk(0.0, Vec3(0, 0, 0));  // touching exactly is no contact
  ASSERT_EQ(Clearance(touching), 0.0);
  Step(0.02);
  EXPECT_TRUE(Anchored(slow));
  EXPECT_FALSE(Anchored(limit));
  EXPECT_FALSE(Anchored(pushing));
  EXPECT_TRUE(ForcesOn(touching).empty());
  EXPECT_FALSE(Anchored(touching));
}

TEST_F(ContactPass, ClassFilterLeavesOutCarriersAndJetpacksOnly) {
  const OBJHANDLE jetpack = Sunk(-0.1, Vec3(-1, 0, 0), 10.0, "UMmuturbopack");
  const OBJHANDLE longer = Sunk(-0.1, Vec3(-1, 0, 0), 10.0, "DynamicPlanetX");
  const OBJHANDLE lower = Sunk(-0.1, Vec3(-1, 0, 0), 10.0, "dynamicplanet");
  const OBJHANDLE nameless = Sunk(-0.1, Vec3(-1, 0, 0), 10.0, nullptr);
  // A jetpack that is anchored and thrusting is still left alone.
  AnchorNow(jetpack);
  ASSERT_TRUE(Anchored(jetpack));
  world.Vessel(jetpack)->thrust_local_N = Vec3(0, 50, 0);
  world.ClearEvents();
  Step(0.02);
  EXPECT_TRUE(ForcesOn(jetpack).empty());
  EXPECT_TRUE(Anchored(jetpack));
  EXPECT_TRUE(Events(EventKind::kDetachChild).empty());
  EXPECT_EQ(ForcesOn(longer).size(), 4u);
  EXPECT_EQ(ForcesOn(lower).size(), 4u);
  EXPECT_EQ(ForcesOn(nameless).size(), 4u);
  EXPECT_TRUE(ForcesOn(carrier).empty());
}

TEST_F(ContactPass, AnAnchoredVesselInContactGetsForcesAndAnyThrustReleasesIt) {
  const OBJHANDLE v = Sunk(-0.05, Vec3(0, 0, 0));
  Step(0.02);
  ASSERT_TRUE(Anchored(v));
  ShiftAnchored(carrier, td::FindAnchorSlot(v), Vec3(0, -0.05, 0));
  world.ClearEvents();
  Step(0.02);
  EXPECT_EQ(ForcesOn(v).size(), 3u);
  EXPECT_TRUE(Events(EventKind::kCreateAttachment).empty());  // not anchored twice
  world.Vessel(v)->thrust_local_N = Vec3(0, 0.001, 0);
  world.ClearEvents();
  Step(0.02);
  const auto detaches = Calls<sim::DetachChildEvent>();
  ASSERT_EQ(detaches.size(), 1u);
  EXPECT_EQ(detaches[0].vel, 0.0);
  EXPECT_EQ(td::FindAnchorSlot(v), -1);
  EXPECT_TRUE(ForcesOn(v).empty());
}

TEST_F(ContactPass, AnchoredVesselFloatsFreeOnlyWellAboveTerrainBelowTheMeanRadius) {
  const OBJHANDLE v = Sunk(-0.05, Vec3(0, 0, 0));
  Step(0.02);
  ASSERT_TRUE(Anchored(v));
  const int slot = td::FindAnchorSlot(v);

  // 0.2 m over terrain at 0: stays (the terrain test is strict).
  ShiftAnchored(carrier, slot, Vec3(0, 0.2, 0));
  Step(0.02);
  EXPECT_TRUE(Anchored(v));
  // Just under 0.1 m over terrain at -0.5: stays.
  Reconfigure(FlatTerrain(-0.5));
  ShiftAnchored(carrier, slot, Vec3(0, -0.6001, 0));
  ASSERT_NEAR(Clearance(v), 0.0999, 1e-9);
  Step(0.02);
  EXPECT_TRUE(Anchored(v));
  // Just over: released, with no separation speed.
  ShiftAnchored(carrier, slot, Vec3(0, 0.0002, 0));
  world.ClearEvents();
  Step(0.02);
  EXPECT_FALSE(Anchored(v));
  ASSERT_EQ(Events(EventKind::kDetachChild).size(), 1u);
  EXPECT_EQ(Calls<sim::DetachChildEvent>()[0].vel, 0.0);
  // The edge itself: exactly 0.1 m is not more than 0.1 m.
  EXPECT_FALSE(td::FloatsFree(td::kFloatFreeClearance_m, -0.5));
  EXPECT_TRUE(td::FloatsFree(std::nextafter(td::kFloatFreeClearance_m, 1.0), -0.5));
}

TEST_F(ContactPass, StepLengthThatIsNotAPositiveNumberLeavesOutStoppingAndBrakes) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  for (double simdt : {0.0, -0.02, nan, inf}) {
    const OBJHANDLE v = Sunk(-0.1, Vec3(-1.0, 0.3, 0.1));
    world.ClearEvents();
    world.CallPreStep(world.SimTime(), simdt, world.Mjd());
    const auto forces = ForcesOn(v);
    ASSERT_EQ(forces.size(), 1u) << simdt;
    EXPECT_GT(forces[0].force_N.y, 0.0) << simdt;  // support
    world.DeleteVessel(v);
  }
  // Anchoring goes on.
  const OBJHANDLE resting = Sunk(-0.1, Vec3(0, 0, 0));
  world.CallPreStep(world.SimTime(), 0.0, world.Mjd());
  EXPECT_TRUE(Anchored(resting));
}

TEST_F(ContactPass, WithoutACarrierThePassAsksTheHostNothing) {
  Sunk(-0.1, Vec3(-1, 0, 0));
  td::test_access::SetStepCarrier(nullptr);
  const uint64_t before = world.HostQueryCount();
  td::RunContactPass(0.0, 0.02, 0.0);
  EXPECT_EQ(world.HostQueryCount(), before);
  EXPECT_TRUE(world.Events().empty());
}

}  // namespace
