// The host's own ground in the order of its code: a vessel stands on the springs of its
// touchdown points at the height they hold it, friction stops it sliding, and one that rests
// for more than 5 s is landed, pinned to the turning ground until a force or thrust frees it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "math/units.h"
#include "math/vector.h"
#include "sim/world.h"

namespace {

constexpr double kRadius = 1737.4e3;
constexpr double kMoonMass = 7.342e22;
constexpr double kG = td::kGravitationalConstant;
constexpr double kCog = 2.0;
const double kMoonG = kG * kMoonMass / (kRadius * kRadius);

class HostGround : public ::testing::Test {
 protected:
  void MakeMoon(double period_s = 0.0, VECTOR3 vel = {}) {
    sim::BodySpec moon;
    moon.name = "Moon";
    moon.radius_m = kRadius;
    moon.mass_kg = kMoonMass;
    moon.pos_global = td::Vec3(1e8, 0.0, -3e7);
    moon.rotation_period_s = period_s;
    moon.vel_global = vel;
    body = world.AddBody(moon);
    world.SetPostStepSees(sim::PostStepSees::kStartOfStep);
    world.EnablePhysics(true);
  }

  // Upright at latitude 0.2, longitude 0.7, its origin height_m over the mean sphere.
  OBJHANDLE Add(double height_m, double mass_kg = 500.0, double stiffness = 0.0) {
    sim::VesselSpec s;
    s.name = "lander" + std::to_string(world.LiveVessels().size());
    s.body = body;
    s.pos_global = sim::SurfacePoint(*world.Body(body), 0.2, 0.7, kRadius + height_m);
    s.rot = sim::UprightAttitude(0.2, 0.7);
    s.mass_kg = mass_kg;
    s.cog_elev_m = kCog;
    if (stiffness > 0.0) {
      s.touchdown_points = sim::DefaultTouchdownPoints(mass_kg, kCog);
      for (sim::TouchdownPoint &p : s.touchdown_points) {
        p.stiffness_per_m_N = stiffness;
        p.damping_per_mps_N = 0.1 * stiffness;
      }
    }
    const OBJHANDLE v = world.AddVessel(s);
    Rec(v).vel_global = sim::GroundVelocity(*world.Body(body), s.pos_global);
    return v;
  }

  sim::VesselRecord &Rec(OBJHANDLE v) { return *world.Vessel(v); }
  const sim::BodySpec &Moon() const { return *world.Body(body); }
  VECTOR3 Up(OBJHANDLE v) { return td::VecUnit(td::VecSub(Rec(v).pos_global, Moon().pos_global)); }
  double Height(OBJHANDLE v) {
    return td::VecLength(td::VecSub(Rec(v).pos_global, Moon().pos_global)) - kRadius;
  }
  VECTOR3 RelVel(OBJHANDLE v) {
    return td::VecSub(Rec(v).vel_global, sim::GroundVelocity(Moon(), Rec(v).pos_global));
  }
  VECTOR3 Place(OBJHANDLE v) {
    return sim::BodyRotation(Moon()).MulTransposed(
        td::VecSub(Rec(v).pos_global, Moon().pos_global));
  }
  // Where a vessel at rest stands: its springs compressed by its weight.
  static double RestHeight(double mass_kg, double total_stiffness) {
    return kCog - mass_kg * kMoonG / total_stiffness;
  }
  void RunFor(double seconds, double dt) {
    for (int i = 0, n = static_cast<int>(std::lround(seconds / dt)); i < n; ++i) world.Step(dt);
  }

  sim::World world;
  OBJHANDLE body = nullptr;
};

struct DropCase {
  const char *name;
  double dt;
  double mass_kg;
  double stiffness;  // per point; 0: the host's default from the mass
  double fall_mps;
};

class HostGroundDrop : public HostGround, public ::testing::WithParamInterface<DropCase> {};

TEST_P(HostGroundDrop, ComesToRestWhereItsSpringsHoldItWithoutBouncingAway) {
  const DropCase &c = GetParam();
  MakeMoon();
  const OBJHANDLE v = Add(kCog + 1.0, c.mass_kg, c.stiffness);
  Rec(v).vel_global = td::VecAdd(Rec(v).vel_global, td::VecScale(Up(v), -c.fall_mps));
  const double k = c.stiffness > 0.0 ? c.stiffness : (c.mass_kg == 1000.0 ? 1e6 : 20 * c.mass_kg);
  bool touched = false;
  double highest_after = -1e9;
  for (double t = 0.0; t < 60.0; t += c.dt) {
    world.Step(c.dt);
    ASSERT_TRUE(std::isfinite(Height(v))) << t;
    if (Height(v) < kCog) touched = true;
    if (touched) highest_after = std::max(highest_after, Height(v));
  }
  ASSERT_TRUE(touched);
  // Energy never grows: no rebound reaches the height it fell from.
  EXPECT_LT(highest_after, kCog + 1.0);
  const double compression = kCog - RestHeight(c.mass_kg, 3 * k);
  EXPECT_NEAR(Height(v), RestHeight(c.mass_kg, 3 * k), 0.05 * compression + 1e-6);
  EXPECT_LT(td::VecLength(RelVel(v)), 1e-3);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, HostGroundDrop,
    ::testing::Values(DropCase{"default_springs_dt_0_01", 0.01, 500.0, 0.0, 0.0},
                      DropCase{"default_springs_dt_0_1", 0.1, 500.0, 0.0, 0.0},
                      DropCase{"default_springs_dt_1", 1.0, 500.0, 0.0, 0.0},
                      DropCase{"fast_fall_dt_0_01", 0.01, 500.0, 0.0, 5.0},
                      DropCase{"fast_fall_dt_1", 1.0, 500.0, 0.0, 5.0},
                      DropCase{"host_default_mass_dt_0_1", 0.1, 1000.0, 0.0, 2.0},
                      DropCase{"host_default_mass_dt_1", 1.0, 1000.0, 0.0, 2.0},
                      DropCase{"stiff_dt_1", 1.0, 5000.0, 1e7, 5.0}),
    [](const auto &info) { return std::string(info.param.name); });

// Along its length (mu_lng 0.1) a vessel slides further than across it (mu 0.5). Across,
// friction stops it before the landing test could; along, the last creep is slow enough for
// the host's test and it lands while still creeping.
TEST_F(HostGround, FrictionSlowsSlidingSoonerAcrossThanAlongAndStopsIt) {
  MakeMoon();
  double slow_at[2] = {-1.0, -1.0};
  for (int across = 0; across < 2; ++across) {
    const OBJHANDLE v = Add(RestHeight(500.0, 3 * 20 * 500.0));
    const VECTOR3 dir = Rec(v).rot.Column(across ? 0 : 2);  // x across, z along
    Rec(v).vel_global = td::VecAdd(Rec(v).vel_global, td::VecScale(dir, 3.0));
    bool stopped_free = false;
    for (double t = 0.0; t < 200.0; t += 0.1) {
      world.Step(0.1);
      const double speed = td::VecLength(RelVel(v));
      if (slow_at[across] < 0.0 && speed < 0.05) slow_at[across] = t;
      if (speed < 1e-6 && !world.Landed(v)) stopped_free = true;
    }
    EXPECT_GT(slow_at[across], 1.0) << across;
    EXPECT_LT(td::VecLength(RelVel(v)), 1e-6) << across;
    EXPECT_EQ(stopped_free, across == 1);
    world.DeleteVessel(v);
  }
  EXPECT_LT(slow_at[1], slow_at[0]);
}

struct RestCase {
  const char *name;
  double dt;
  double thrust_N;  // up, too little to lift it
};

class HostGroundRest : public HostGround, public ::testing::WithParamInterface<RestCase> {};

TEST_P(HostGroundRest, LandsAfterFiveSecondsAtRestWithoutThrust) {
  const RestCase &c = GetParam();
  MakeMoon();
  const OBJHANDLE v = Add(RestHeight(500.0, 3 * 20 * 500.0));
  Rec(v).thrust_local_N = td::Vec3(0.0, c.thrust_N, 0.0);
  double landed_at = -1.0;
  for (int i = 0; i < static_cast<int>(std::lround(20.0 / c.dt)) && landed_at < 0.0; ++i) {
    world.Step(c.dt);
    if (world.Landed(v)) landed_at = world.SimTime();
  }
  if (c.thrust_N != 0.0) {
    EXPECT_LT(landed_at, 0.0);
    return;
  }
  EXPECT_GT(landed_at, 5.0);
  EXPECT_LE(landed_at, 5.0 + 2.0 * c.dt + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Steps, HostGroundRest,
                         ::testing::Values(RestCase{"dt_0_01", 0.01, 0.0},
                                           RestCase{"dt_0_1", 0.1, 0.0}, RestCase{"dt_1", 1.0, 0.0},
                                           RestCase{"thrust_keeps_it_flying", 0.01, 1.0}),
                         [](const auto &info) { return std::string(info.param.name); });

// A landed vessel goes with the turning, moving ground; the first force on it (added or
// thrust) frees it in an update that still holds it, and that force is lost.
TEST_F(HostGround, LandedGoesWithTheGroundUntilAForceFreesItAndIsLost) {
  MakeMoon(2360591.6, td::Vec3(30000.0, 0.0, -1000.0));
  for (const bool by_thrust : {false, true}) {
    SCOPED_TRACE(by_thrust ? "thrust" : "AddForce");
    const OBJHANDLE v = Add(RestHeight(500.0, 3 * 20 * 500.0));
    RunFor(5.5, 0.01);
    ASSERT_TRUE(world.Landed(v));
    const VECTOR3 place = Place(v);
    RunFor(100.0, 0.1);
    EXPECT_LT(td::VecLength(td::VecSub(Place(v), place)), 1e-6);
    EXPECT_LT(td::VecLength(RelVel(v)), 1e-6);
    const double weight = 500.0 * kMoonG;
    if (by_thrust) {
      Rec(v).thrust_local_N = td::Vec3(0.0, 3.0 * weight, 0.0);
    } else {
      oapiGetVesselInterface(v)->AddForce(td::Vec3(0.0, 3.0 * weight, 0.0), td::Vec3(0, 0, 0));
    }
    world.Step(0.1);
    EXPECT_FALSE(world.Landed(v));
    EXPECT_LT(td::VecLength(td::VecSub(Place(v), place)), 1e-6);
    world.Step(0.1);
    // Thrust keeps lifting it; the added force was spent on freeing it.
    const double rise = td::VecDot(RelVel(v), Up(v));
    if (by_thrust) {
      EXPECT_GT(rise, 0.1 * kMoonG);
    } else {
      EXPECT_LT(std::abs(rise), 1e-3);
    }
    world.DeleteVessel(v);
  }
}

// The carrier, fixed to its body, is landed as the host's is: a vessel let go from it is
// landed where it hung, and stays on the ground it was on until a force frees it (that force
// lost); the manual's order frees it at once.
class HostGroundCarrier : public HostGround,
                          public ::testing::WithParamInterface<sim::PostStepSees> {};

TEST_P(HostGroundCarrier, AVesselLetGoFromItIsLandedUntilAForceFreesIt) {
  const bool host_code = GetParam() == sim::PostStepSees::kStartOfStep;
  MakeMoon(2360591.6, td::Vec3(30000.0, 0.0, 0.0));
  world.SetPostStepSees(GetParam());
  sim::VesselSpec ground;
  ground.name = "surface";
  ground.body = body;
  ground.pos_global = sim::SurfacePoint(Moon(), 0.2, 0.7, kRadius);
  ground.rot = sim::UprightAttitude(0.2, 0.7);
  ground.fixed_to_body = true;
  const OBJHANDLE carrier = world.AddVessel(ground);
  const OBJHANDLE v = Add(10.0);
  VESSEL *c = oapiGetVesselInterface(carrier);
  const ATTACHMENTHANDLE point = c->CreateAttachment(false, td::Vec3(0, 10, 0), td::Vec3(0, 1, 0),
                                                     td::Vec3(0, 0, 1), "ground");
  const ATTACHMENTHANDLE own = oapiGetVesselInterface(v)->CreateAttachment(
      true, td::Vec3(0, 0, 0), td::Vec3(0, -1, 0), td::Vec3(0, 0, 1), "anchor");
  ASSERT_TRUE(c->AttachChild(v, point, own));
  RunFor(1.0, 0.01);
  EXPECT_EQ(world.Landed(v), host_code);
  ASSERT_TRUE(c->DetachChild(point));
  const VECTOR3 place = Place(v);
  RunFor(1.0, 0.01);
  // Ten metres up: held there while landed, falling when free.
  if (host_code) {
    EXPECT_TRUE(world.Landed(v));
    EXPECT_LT(td::VecLength(td::VecSub(Place(v), place)), 1e-6);
    oapiGetVesselInterface(v)->AddForce(td::Vec3(0.0, 1.0, 0.0), td::Vec3(0, 0, 0));
    world.Step(0.01);
    EXPECT_FALSE(world.Landed(v));
  } else {
    EXPECT_GT(td::VecLength(td::VecSub(Place(v), place)), 0.4 * kMoonG);
  }
}

INSTANTIATE_TEST_SUITE_P(Orders, HostGroundCarrier,
                         ::testing::Values(sim::PostStepSees::kStartOfStep,
                                           sim::PostStepSees::kEndOfStep));

}  // namespace
