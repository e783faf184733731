// Bodies that turn and move: a vessel fixed to the ground keeps its place in the body's frame
// and goes with the ground in the global frame; a free vessel's longitude drifts back by the
// turn; the post-step of the host's code sees the body where the step began.
#include <gtest/gtest.h>

#include <cmath>

#include "math/vector.h"
#include "sim/world.h"

namespace {

constexpr double kRadius = 1737.4e3;
constexpr double kPeriod = 2360591.6;
constexpr double kRate = 6.283185307179586 / kPeriod;
constexpr double kDt = 0.01;
constexpr int kSteps = 1000;
const VECTOR3 kBodyVel = td::Vec3(30000.0, -2000.0, 500.0);

struct Case {
  const char *name;
  double period_s;
  VECTOR3 vel;
};

class BodyMotion : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    sim::BodySpec moon;
    moon.name = "Moon";
    moon.radius_m = kRadius;
    moon.pos_global = td::Vec3(1e11, 0.0, 2e10);
    moon.rotation_period_s = GetParam().period_s;
    moon.vel_global = GetParam().vel;
    body = world.AddBody(moon);
    start_spec = *world.Body(body);
    sim::VesselSpec fixed;
    fixed.name = "surface";
    fixed.body = body;
    fixed.pos_global = sim::SurfacePoint(start_spec, 0.3, 1.1, kRadius);
    fixed.rot = sim::UprightAttitude(0.3, 1.1);
    fixed.fixed_to_body = true;
    fixed_vessel = world.AddVessel(fixed);
    sim::VesselSpec free;  // massless body: no gravity, so it stays where it was in space
    free.name = "probe";
    free.body = body;
    free.pos_global = sim::SurfacePoint(start_spec, 0.0, 0.5, 2.0 * kRadius);
    free_vessel = world.AddVessel(free);
    world.EnablePhysics(true);
  }

  sim::World world;
  OBJHANDLE body = nullptr, fixed_vessel = nullptr, free_vessel = nullptr;
  sim::BodySpec start_spec;
};

TEST_P(BodyMotion, TheGroundCarriesItsVesselsAndTheEquatorialPlaceFollowsTheTurn) {
  const Case &c = GetParam();
  double lon0 = 0, lat0 = 0, r0 = 0, free_lon0 = 0;
  ASSERT_TRUE(oapiGetEquPos(fixed_vessel, &lon0, &lat0, &r0));
  oapiGetEquPos(free_vessel, &free_lon0, nullptr, nullptr);
  EXPECT_NEAR(lon0, 1.1, 1e-10);  // 1e11 m from the origin: a position ulp is 15 um
  const VECTOR3 free_start = world.Vessel(free_vessel)->pos_global;
  for (int i = 0; i < kSteps; ++i) world.Step(kDt);
  const double t = kSteps * kDt, angle = (c.period_s > 0.0 ? kRate : 0.0) * t;

  double lon = 0, lat = 0, r = 0;
  oapiGetEquPos(fixed_vessel, &lon, &lat, &r);
  EXPECT_NEAR(lon, lon0, 1e-10);
  EXPECT_NEAR(lat, lat0, 1e-10);
  EXPECT_NEAR(r, r0, 1e-4);

  // In the global frame: the centre moved by v t, the place turned eastward about +y.
  const sim::BodySpec &now = *world.Body(body);
  const VECTOR3 centre = td::VecAdd(start_spec.pos_global, td::VecScale(c.vel, t));
  EXPECT_LT(td::VecLength(td::VecSub(now.pos_global, centre)), 1e-3);
  const sim::VesselRecord &v = *world.Vessel(fixed_vessel);
  const VECTOR3 expected = td::VecAdd(
      centre, td::Vec3(kRadius * std::cos(lat0) * std::cos(lon0 + angle), kRadius * std::sin(lat0),
                       kRadius * std::cos(lat0) * std::sin(lon0 + angle)));
  EXPECT_LT(td::VecLength(td::VecSub(v.pos_global, expected)), 1e-3);
  // Its velocity: the body's plus omega x r, eastward at the place.
  const VECTOR3 rel = td::VecSub(v.pos_global, now.pos_global);
  const double rate = c.period_s > 0.0 ? kRate : 0.0;
  const VECTOR3 ground = td::VecAdd(c.vel, td::Vec3(-rate * rel.z, 0.0, rate * rel.x));
  EXPECT_LT(td::VecLength(td::VecSub(v.vel_global, ground)), 1e-9);
  // Upright still: its up axis along the radial line.
  EXPECT_NEAR(td::VecDot(v.rot.Column(1), td::VecScale(rel, 1.0 / td::VecLength(rel))), 1.0, 1e-12);

  // The free probe stays where it was; under it the body turned east, so its longitude fell.
  EXPECT_LT(td::VecLength(td::VecSub(world.Vessel(free_vessel)->pos_global, free_start)), 1e-6);
  if (c.vel.x == 0.0 && c.vel.y == 0.0 && c.vel.z == 0.0) {
    double free_lon = 0;
    oapiGetEquPos(free_vessel, &free_lon, nullptr, nullptr);
    EXPECT_NEAR(free_lon - free_lon0, -angle, 1e-10);
  }
}

TEST_P(BodyMotion, ThePostStepOfTheHostsCodeSeesTheBodyWhereTheStepBegan) {
  world.SetPostStepSees(sim::PostStepSees::kStartOfStep);
  static VECTOR3 seen_body, seen_vessel;
  static OBJHANDLE seen_of_body, seen_of_vessel;
  seen_of_body = body;
  seen_of_vessel = fixed_vessel;
  sim::ModuleEntryPoints entry;
  entry.post_step = [](double, double, double) {
    oapiGetGlobalPos(seen_of_body, &seen_body);
    oapiGetGlobalPos(seen_of_vessel, &seen_vessel);
  };
  world.SetModule(entry, nullptr);
  const VECTOR3 body_before = world.Body(body)->pos_global;
  const VECTOR3 vessel_before = world.Vessel(fixed_vessel)->pos_global;
  world.Step(kDt);
  EXPECT_EQ(td::VecLength(td::VecSub(seen_body, body_before)), 0.0);
  EXPECT_EQ(td::VecLength(td::VecSub(seen_vessel, vessel_before)), 0.0);
  // And the next step's pre-step queries see the committed end of the step.
  oapiGetGlobalPos(body, &seen_body);
  EXPECT_EQ(td::VecLength(td::VecSub(seen_body, world.Body(body)->pos_global)), 0.0);
}

INSTANTIATE_TEST_SUITE_P(Bodies, BodyMotion,
                         ::testing::Values(Case{"Turning", kPeriod, VECTOR3{}},
                                           Case{"Moving", 0.0, kBodyVel},
                                           Case{"TurningAndMoving", kPeriod, kBodyVel}),
                         [](const auto &info) { return std::string(info.param.name); });

}  // namespace
