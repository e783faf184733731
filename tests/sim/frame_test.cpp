// The host's frame as the stand-in plays it, in both orders: which state each call answers
// from inside opcPreStep and opcPostStep, when an added force acts, and what attaching,
// detaching and moving a point do (docs/host.md).
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "math/vector.h"
#include "sim/world.h"

namespace {

using sim::PostStepSees;

constexpr double kMoonRadius = 1737.4e3;
constexpr double kMoonMass = 7.342e22;
constexpr double kDt = 0.01;

// The module's callbacks, as each test writes them.
std::function<void(double, double, double)> g_pre_step, g_post_step;
void PreStep(double t, double dt, double mjd) {
  if (g_pre_step) g_pre_step(t, dt, mjd);
}
void PostStep(double t, double dt, double mjd) {
  if (g_post_step) g_post_step(t, dt, mjd);
}

void ExpectEq(const VECTOR3 &a, const VECTOR3 &b) {
  EXPECT_EQ(a.x, b.x);
  EXPECT_EQ(a.y, b.y);
  EXPECT_EQ(a.z, b.z);
}
bool Same(const VECTOR3 &a, const VECTOR3 &b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

class SimFrame : public ::testing::TestWithParam<PostStepSees> {
 protected:
  void SetUp() override {
    sim::ModuleEntryPoints entry;
    entry.post_step = &PostStep;
    entry.pre_step = &PreStep;
    world.SetModule(entry, nullptr);
    world.SetPostStepSees(GetParam());
    world.EnablePhysics(true);
  }
  void TearDown() override {
    g_pre_step = nullptr;
    g_post_step = nullptr;
  }
  bool StartOrder() const { return GetParam() == PostStepSees::kStartOfStep; }

  // In free space unless a body is given: no gravity, nothing to rest on.
  OBJHANDLE Add(const VECTOR3 &pos, const VECTOR3 &vel, OBJHANDLE body = nullptr) {
    sim::VesselSpec s;
    s.name = "v" + std::to_string(world.LiveVessels().size());
    s.body = body;
    s.pos_global = pos;
    s.vel_global = vel;
    return world.AddVessel(s);
  }
  VESSEL &V(OBJHANDLE h) { return *oapiGetVesselInterface(h); }
  const VECTOR3 &Pos(OBJHANDLE h) { return world.Vessel(h)->pos_global; }
  const VECTOR3 &Vel(OBJHANDLE h) { return world.Vessel(h)->vel_global; }
  // A parent-side point 2 m below the parent's centre, pointing down, and a child-side point
  // 1 m above the child's: a child hangs 3 m below its parent, turned as its parent is.
  ATTACHMENTHANDLE ParentPoint(OBJHANDLE parent) {
    return V(parent).CreateAttachment(false, td::Vec3(0, -2, 0), td::Vec3(0, -1, 0),
                                      td::Vec3(0, 0, 1), "P");
  }
  ATTACHMENTHANDLE ChildPoint(OBJHANDLE child) {
    return V(child).CreateAttachment(true, td::Vec3(0, 1, 0), td::Vec3(0, 1, 0), td::Vec3(0, 0, 1),
                                     "C");
  }

  sim::World world;
};

INSTANTIATE_TEST_SUITE_P(BothOrders, SimFrame,
                         ::testing::Values(PostStepSees::kStartOfStep, PostStepSees::kEndOfStep),
                         [](const auto &info) {
                           return info.param == PostStepSees::kStartOfStep ? "StartOfStep"
                                                                           : "EndOfStep";
                         });

// Positions, velocities and frames: the pre-step sees the committed state and the start of
// the step's times; the post-step the end of the step's times and, in the host code's order,
// still the start of the step's state; after the frame both orders hold the new state.
TEST_P(SimFrame, PositionsVelocitiesAndFramesAnswerTheStateOfEachOrder) {
  const OBJHANDLE moon = world.AddBody({"Moon", kMoonRadius, kMoonMass, td::Vec3(3e8, 0, 0)});
  const OBJHANDLE ship = Add(td::Vec3(1e3, 2e3, 3e3), td::Vec3(40, 0, -30));
  const OBJHANDLE parent = Add(td::Vec3(-5e3, 0, 0), td::Vec3(0, 0, 3e4));
  const OBJHANDLE child = Add(td::Vec3(-5e3, -3, 0), td::Vec3(0, 0, 3e4));
  ASSERT_TRUE(V(parent).AttachChild(child, ParentPoint(parent), ChildPoint(child)));
  world.Step(kDt);  // the child placed in both orders
  world.SetClock(100.0, 51000.0);

  struct Seen {
    double t = 0, dt = 0, mjd = 0;
    VECTOR3 pos{}, vel{}, pos_oapi{}, local_to_global{}, global_to_local{}, child_pos{}, moon{};
  };
  const auto look = [&](double t, double dt, double mjd) {
    Seen s{t, dt, mjd};
    V(ship).GetGlobalPos(s.pos);
    V(ship).GetGlobalVel(s.vel);
    oapiGetGlobalPos(ship, &s.pos_oapi);
    V(ship).Local2Global(td::Vec3(1, 2, 3), s.local_to_global);
    V(ship).Global2Local(td::Vec3(0, 0, 0), s.global_to_local);
    V(child).GetGlobalPos(s.child_pos);
    oapiGetGlobalPos(moon, &s.moon);
    return s;
  };
  Seen pre, post;
  g_pre_step = [&](double t, double dt, double mjd) { pre = look(t, dt, mjd); };
  g_post_step = [&](double t, double dt, double mjd) { post = look(t, dt, mjd); };
  const VECTOR3 ship0 = Pos(ship), vel0 = Vel(ship), child0 = Pos(child);
  world.Step(kDt);
  const VECTOR3 ship1 = Pos(ship), vel1 = Vel(ship), child1 = Pos(child);
  ASSERT_FALSE(Same(ship0, ship1));
  ASSERT_FALSE(Same(child0, child1));

  EXPECT_EQ(pre.t, 100.0);
  EXPECT_EQ(pre.mjd, 51000.0);
  EXPECT_EQ(pre.dt, kDt);
  ExpectEq(pre.pos, ship0);
  ExpectEq(pre.child_pos, child0);
  EXPECT_EQ(post.t, 100.0 + kDt);
  EXPECT_EQ(post.mjd, 51000.0 + kDt / 86400.0);
  EXPECT_EQ(post.dt, kDt);
  const VECTOR3 seen_pos = StartOrder() ? ship0 : ship1;
  ExpectEq(post.pos, seen_pos);
  ExpectEq(post.pos_oapi, seen_pos);
  ExpectEq(post.vel, StartOrder() ? vel0 : vel1);
  ExpectEq(post.local_to_global, td::VecAdd(seen_pos, td::Vec3(1, 2, 3)));
  ExpectEq(post.global_to_local, td::VecScale(seen_pos, -1.0));
  ExpectEq(post.child_pos, StartOrder() ? child0 : child1);  // a carried child too
  ExpectEq(post.moon, td::Vec3(3e8, 0, 0));

  // Committed: outside the frame every query answers the new state.
  g_pre_step = g_post_step = nullptr;
  VECTOR3 now{};
  V(ship).GetGlobalPos(now);
  ExpectEq(now, ship1);
}

// The equatorial position answers the surface parameters of the update, from the new state:
// in the host code's order for an attached vessel its root parent's place, and after the
// module changes its attachments, still the update's until the next update.
TEST_P(SimFrame, EquatorialPositionAnswersTheUpdatesSurfaceParameters) {
  const OBJHANDLE moon = world.AddBody({"Moon", kMoonRadius, kMoonMass, td::Vec3(0, 0, 0)});
  // Flying east over the equator at 1 km: its longitude changes in every step.
  const OBJHANDLE ship = Add(td::Vec3(kMoonRadius + 1e3, 0, 0), td::Vec3(0, 0, 500), moon);
  const OBJHANDLE parent = Add(td::Vec3(kMoonRadius + 50, 0, 0), {}, moon);
  const OBJHANDLE child = Add(td::Vec3(kMoonRadius + 50, -3, 0), {}, moon);
  world.Vessel(parent)->fixed_to_body = true;
  const ATTACHMENTHANDLE pp = ParentPoint(parent);
  ASSERT_TRUE(V(parent).AttachChild(child, pp, ChildPoint(child)));
  world.Step(kDt);

  double lon = 0, lat = 0, r = 0, child_r = 0, freed_r = 0;
  g_post_step = [&](double, double, double) {
    EXPECT_TRUE(oapiGetEquPos(ship, &lon, &lat, &r));
    EXPECT_TRUE(oapiGetEquPos(child, nullptr, nullptr, &child_r));
    EXPECT_TRUE(V(parent).DetachChild(pp, 0.0));
    EXPECT_TRUE(oapiGetEquPos(child, nullptr, nullptr, &freed_r));
    EXPECT_EQ(V(child).GetSurfaceRef(), moon);
  };
  world.Step(kDt);
  const VECTOR3 ship1 = Pos(ship);
  EXPECT_EQ(lon, std::atan2(ship1.z, ship1.x));  // the end of the step in both orders
  EXPECT_EQ(r, td::VecLength(ship1));
  const double parent_r = td::VecLength(Pos(parent));
  const double own_r = td::VecLength(Pos(child));
  ASSERT_NE(parent_r, own_r);
  EXPECT_EQ(child_r, StartOrder() ? parent_r : own_r);
  EXPECT_EQ(freed_r, StartOrder() ? parent_r : own_r);

  // The next update works the freed child's parameters out from its own place.
  g_post_step = [&](double, double, double) {
    EXPECT_TRUE(oapiGetEquPos(child, nullptr, nullptr, &freed_r));
  };
  world.Step(kDt);
  EXPECT_EQ(freed_r, td::VecLength(Pos(child)));
}

// A force acts in the update after the callback that added it: one added in the pre-step in
// the same frame, one added in the post-step in the next; in the host code's order the module
// sees its effect one frame later than in the manual's. A child's forces are kept until its
// parent's update throws them away, in the host code's order; the manual's drops them at once.
TEST_P(SimFrame, ForcesActInTheUpdateAfterTheCallThatAddedThem) {
  const OBJHANDLE late = Add({}, {});
  const OBJHANDLE early = Add(td::Vec3(100, 0, 0), {});
  const OBJHANDLE parent = Add(td::Vec3(200, 0, 0), {});
  const OBJHANDLE child = Add(td::Vec3(200, -3, 0), {});
  const OBJHANDLE kept = Add(td::Vec3(300, -3, 0), {});
  const ATTACHMENTHANDLE pp = ParentPoint(parent), pp2 = ParentPoint(parent);
  ASSERT_TRUE(V(parent).AttachChild(child, pp, ChildPoint(child)));
  ASSERT_TRUE(V(parent).AttachChild(kept, pp2, ChildPoint(kept)));
  world.Step(kDt);
  const VECTOR3 force = td::Vec3(1000, 0, 0);  // 1 m/s² on the default 1000 kg
  const double dv = 1.0 * kDt;

  std::vector<double> seen;
  g_pre_step = [&](double, double, double) {
    if (world.StepCount() != 1) return;
    V(early).AddForce(force, {});
    V(child).AddForce(force, {});
    V(kept).AddForce(force, {});
    EXPECT_TRUE(V(parent).DetachChild(pp, 0.0));  // before the update: its force may count
  };
  g_post_step = [&](double, double, double) {
    VECTOR3 vel{};
    V(late).GetGlobalVel(vel);
    seen.push_back(vel.x);
    if (world.StepCount() == 2) V(late).AddForce(force, {});
  };
  world.Step(kDt);
  EXPECT_EQ(Vel(early).x, dv);
  EXPECT_EQ(Vel(child).x, StartOrder() ? dv : 0.0);
  EXPECT_EQ(Vel(kept).x, 0.0);  // carried: thrown away
  for (int i = 0; i < 3; ++i) world.Step(kDt);
  EXPECT_EQ(Vel(late).x, dv);  // the same update in both orders
  const std::vector<double> expected =
      StartOrder() ? std::vector<double>{0, 0, dv, dv} : std::vector<double>{0, dv, dv, dv};
  EXPECT_EQ(seen, expected);
}

// Attaching records a place (host code) or moves the child at once (manual); detaching from
// inside the post-step gives the child its own start-of-step place and velocity (host code)
// or leaves it where the update put it with its parent's velocity (manual); moving a point
// from inside the post-step places the child in the new state, which the module sees next
// frame (host code) or at once (manual).
TEST_P(SimFrame, AttachmentsFromInsideTheFrame) {
  const VECTOR3 fast = td::Vec3(0, 0, 3e4);  // the ground's speed through the global frame
  const OBJHANDLE parent = Add({}, fast);
  const OBJHANDLE child = Add(td::Vec3(50, 0, 0), {});
  const ATTACHMENTHANDLE pp = ParentPoint(parent), cp = ChildPoint(child);
  const VECTOR3 hanging = td::Vec3(0, -3, 0);  // relative to the parent

  ASSERT_TRUE(V(parent).AttachChild(child, pp, cp));
  if (StartOrder()) {
    ExpectEq(Pos(child), td::Vec3(50, 0, 0));  // not yet: at the parent's next update
    ExpectEq(Vel(child), {});
    world.Step(kDt);
  }
  ExpectEq(td::VecSub(Pos(child), Pos(parent)), hanging);
  ExpectEq(Vel(child), fast);

  // Moving the point inside the post-step: the module's own query that frame.
  VECTOR3 seen_in{}, start{};
  g_post_step = [&](double, double, double) {
    V(child).GetGlobalPos(start);
    V(parent).SetAttachmentParams(pp, td::Vec3(0, -4, 0), td::Vec3(0, -1, 0), td::Vec3(0, 0, 1));
    V(child).GetGlobalPos(seen_in);
  };
  const VECTOR3 before = Pos(child);
  world.Step(kDt);
  const VECTOR3 moved = td::VecAdd(Pos(parent), td::Vec3(0, -5, 0));
  ExpectEq(Pos(child), moved);  // into the new state at once
  ExpectEq(seen_in, StartOrder() ? before : moved);
  ExpectEq(start, StartOrder() ? before : td::VecAdd(Pos(parent), hanging));

  // Released inside the post-step with a push of 2 m/s along the point (global -y).
  const VECTOR3 child0 = Pos(child), vel0 = Vel(child);
  g_post_step = [&](double, double, double) { EXPECT_TRUE(V(parent).DetachChild(pp, 2.0)); };
  world.Step(kDt);
  const VECTOR3 push = td::Vec3(0, -2, 0);
  if (StartOrder()) {
    ExpectEq(Pos(child), child0);  // one step of the ground's motion lost
    ExpectEq(Vel(child), td::VecAdd(vel0, push));
  } else {
    ExpectEq(Pos(child), td::VecAdd(Pos(parent), td::Vec3(0, -5, 0)));
    ExpectEq(Vel(child), td::VecAdd(Vel(parent), push));
  }
  g_post_step = nullptr;
  world.Step(kDt);
  const double behind_m = Pos(parent).z - Pos(child).z;
  EXPECT_NEAR(behind_m, StartOrder() ? 3e4 * kDt : 0.0, 1e-6);
}

// What the real host does not check: a point of another vessel, a point that holds a child
// already. Its code's order lets them through, the manual's refuses them; both mark the call.
// A null child point is refused by both without a mark; what this world cannot hold (the
// vessel itself as its child) by both with one.
TEST_P(SimFrame, AttachingUncheckedIsMarkedInTheRecord) {
  const OBJHANDLE parent = Add({}, {});
  const OBJHANDLE other = Add(td::Vec3(100, 0, 0), {});
  const OBJHANDLE a = Add(td::Vec3(0, 50, 0), {}), b = Add(td::Vec3(0, 80, 0), {});
  const ATTACHMENTHANDLE pp = ParentPoint(parent), foreign = ParentPoint(other);
  const ATTACHMENTHANDLE cpa = ChildPoint(a), cpb = ChildPoint(b), cp_parent = ChildPoint(parent);
  ASSERT_TRUE(V(parent).AttachChild(a, pp, cpa));
  world.ClearEvents();

  struct Case {
    OBJHANDLE child;
    ATTACHMENTHANDLE point, child_point;
    bool start_result, end_result;
    sim::HostWarning warning;
  };
  const Case cases[] = {
      {b, pp, cpb, true, false, sim::HostWarning::kOccupiedPoint},
      {b, foreign, cpb, true, false, sim::HostWarning::kForeignPoint},
      {b, pp, cpa, true, false, sim::HostWarning::kForeignPoint},  // a's point for b
      {b, pp, nullptr, false, false, sim::HostWarning::kNone},
      {parent, pp, cp_parent, false, false, sim::HostWarning::kRefused},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(V(parent).AttachChild(c.child, c.point, c.child_point),
              StartOrder() ? c.start_result : c.end_result);
    ASSERT_FALSE(world.Events().empty());
    EXPECT_EQ(world.Events().back().warning, c.warning);
  }
  // Let through, the occupied point left its first child hanging where it was.
  world.Step(kDt);
  ExpectEq(td::VecSub(Pos(a), Pos(parent)), td::Vec3(0, -3, 0));
  EXPECT_EQ(world.Vessel(a)->parent, parent);
  EXPECT_EQ(world.Vessel(b)->parent, StartOrder() ? parent : nullptr);
}

}  // namespace
