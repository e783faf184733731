// The relief as the module asks for it: fixed to the ground of a turning Moon, where the host's
// terrain lies, and taken afresh from the axes of each carrier the module finds.
#include "anchor/ground_frame.h"

#include <cmath>
#include <string>
#include <vector>

#include "math/bit_diff.h"
#include "support/world_fixture.h"

namespace tdtest {
namespace {

constexpr double kMoonDay_s = 2360591.6;  // sidereal
constexpr double kStep_s = 0.02;

// Hills short enough that the ground's turn of a minute (4.6 m/s at the equator) changes the
// height under any place by metres.
DorvakConfig Hills(double offset_m = 0.0) {
  DorvakConfig c = FlatTerrain(offset_m);
  c.relief = kDorvakHills;
  c.amplitude_m = 10.0;
  c.wavelength_m = 300.0;
  return c;
}

struct Place {
  double lat_rad, lon_rad;
};
// Kilometres from the carrier on every side, on hills over the host's own sphere (3 to 8 m),
// which the relief sliding with the global frame would take below it within the minute, so
// that a vessel anchored there floats free.
constexpr Place kPlaces[] = {{0.0, -1e-3}, {6e-4, 1e-3}, {-8e-4, -4e-4}, {-1.5e-3, 5e-4}};

class GroundFrame : public ModuleWorld {
 protected:
  void SetUp() override {}  // each test makes its own Moon

  void AddMoon(double rotation_period_s) {
    moon =
        world.AddBody({"Moon", kMoonRadius_m, kMoonMass_kg, td::Vec3(0, 0, 0), rotation_period_s});
    world.SetTerrainBody(moon);
  }

  // A lander 1 cm into the world's own terrain at a place on the ground, moving with it.
  OBJHANDLE OnTerrain(const std::string &name, Place at) {
    const sim::BodySpec &body = *world.Body(moon);
    const VECTOR3 radial =
        td::VecSub(sim::SurfacePoint(body, at.lat_rad, at.lon_rad, kMoonRadius_m), body.pos_global);
    const double height_m = world.TerrainRadius(radial) - kMoonRadius_m;
    VesselPlacement p = At(name, at.lat_rad, at.lon_rad, height_m - terrain_offset_m - 0.01);
    const double rate = body.rotation_period_s > 0.0 ? 2.0 * M_PI / body.rotation_period_s : 0.0;
    p.vel_global = td::Vec3(-rate * radial.z, 0.0, rate * radial.x);
    return AddVessel(p);
  }

  // Anchored with its touchdown plane on the world's terrain: the module's terrain and the
  // world's agree under it.
  void ExpectOnTerrain(OBJHANDLE lander) {
    EXPECT_TRUE(Anchored(lander));
    EXPECT_NEAR(Clearance(lander), 0.0, 1e-6);
  }
};

TEST_F(GroundFrame, OnATurningMoonTheReliefStaysUnderWhatStandsOnIt) {
  AddMoon(kMoonDay_s);
  Start(sim::TerrainMode::kPresent, Hills());
  world.EnablePhysics(true);
  world.SetFocus(AddCarrier());
  std::vector<OBJHANDLE> early;
  for (const Place &at : kPlaces)
    early.push_back(OnTerrain("early" + std::to_string(early.size()), at));
  Step(kStep_s);
  for (OBJHANDLE lander : early) ASSERT_TRUE(Anchored(lander));
  world.ClearEvents();

  // A minute: the ground carries the places 280 m, most of a wavelength of the hills.
  for (int i = 0; i < 3000; ++i) Step(kStep_s);
  for (OBJHANDLE lander : early) ExpectOnTerrain(lander);
  EXPECT_TRUE(Events(sim::EventKind::kDetachChild).empty());

  // Set down now where the ground has carried those places, others are put on the world's
  // terrain as well.
  std::vector<OBJHANDLE> late;
  for (const Place &at : kPlaces)
    late.push_back(OnTerrain("late" + std::to_string(late.size()), at));
  world.ClearEvents();
  Step(kStep_s);
  for (OBJHANDLE lander : late) ExpectOnTerrain(lander);
}

// The carrier turned about the global y axis by angle_rad, as the ground would turn it.
void TurnCarrier(sim::World &world, OBJHANDLE carrier, double angle_rad) {
  const double c = std::cos(angle_rad), s = std::sin(angle_rad);
  const sim::Mat3 turn =
      sim::Mat3::FromColumns(td::Vec3(c, 0, -s), td::Vec3(0, 1, 0), td::Vec3(s, 0, c));
  sim::VesselRecord &v = *world.Vessel(carrier);
  v.rot = turn.Mul(v.rot);
}

// Untouched to the bit while the carrier stands still or turns by less than the reading's
// rounding; turned back by the carrier's turn once it has turned, on its body only.
TEST_F(GroundFrame, OffsetsAreAskedAsTheyAreUntilTheCarrierTurns) {
  AddMoon(0.0);
  Start();
  const OBJHANDLE carrier = AddCarrier();
  const OBJHANDLE rock = world.AddBody({"Rock", 1000.0, 1e12, td::Vec3(1e9, 0, 0)});
  const VECTOR3 offsets[] = {td::Vec3(kMoonRadius_m, 0.0, 0.0),
                             td::Vec3(1737400.123456789, -3.3e5, 1.1e4),
                             td::Vec3(-2.5e4, 1.2e6, -1.25e6)};
  for (double angle_rad : {0.0, 1e-13}) {
    TurnCarrier(world, carrier, angle_rad);
    td::FollowGround(Iface(carrier));
    for (const VECTOR3 &p : offsets) EXPECT_EQ(td::BitDiff(td::OnGround(moon, p), p), 0u);
  }
  constexpr double kTurn_rad = 1e-5;  // 17 m at the surface
  TurnCarrier(world, carrier, kTurn_rad);
  td::FollowGround(Iface(carrier));
  const double c = std::cos(kTurn_rad), s = std::sin(kTurn_rad);
  for (const VECTOR3 &p : offsets) {
    // The place the ground has carried p to is asked as p.
    const VECTOR3 carried = td::Vec3(c * p.x + s * p.z, p.y, -s * p.x + c * p.z);
    const VECTOR3 asked = td::OnGround(moon, carried);
    EXPECT_NEAR(td::VecLength(td::VecSub(asked, p)), 0.0, 1e-6);
    EXPECT_EQ(td::BitDiff(td::OnGround(rock, carried), carried), 0u);
  }
}

// On a Moon at rest the module asks the terrain exactly as the world lies, whatever carrier it
// found before: another carrier, or the next session's under the same handle, far from the
// first and turned against it, brings its own axes.
class CarrierChange : public GroundFrame, public ::testing::WithParamInterface<bool> {};

TEST_P(CarrierChange, TheNextCarrierTakesItsOwnAxes) {
  const bool next_session = GetParam();
  constexpr double kFar_rad = 0.2;
  AddMoon(0.0);
  Start(sim::TerrainMode::kPresent, Hills(12.0));  // nowhere below the module's floor
  const OBJHANDLE first = AddCarrier();
  world.SetFocus(first);
  const OBJHANDLE near = OnTerrain("near", {3e-4, 3e-4});
  Step();
  ASSERT_TRUE(Anchored(near));
  if (next_session) {
    world.EndSession();
    AddMoon(0.0);
  } else {
    world.DeleteVessel(first);
  }
  const OBJHANDLE second = AddCarrier(0.0, kFar_rad);
  EXPECT_EQ(second == first, next_session);
  world.SetFocus(second);
  const OBJHANDLE lander = OnTerrain("far", {3e-4, kFar_rad + 3e-4});
  world.ClearEvents();
  Step();
  ExpectOnTerrain(lander);
}

INSTANTIATE_TEST_SUITE_P(, CarrierChange, ::testing::Values(false, true), [](const auto &info) {
  return info.param ? "NextSession" : "SameSession";
});

}  // namespace
}  // namespace tdtest
