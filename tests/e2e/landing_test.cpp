// A lander through the whole program: touchdown on hills, rest, anchoring, take-off; and a
// lander at rest on a steep slope for an hour.
#include "support/e2e_harness.h"

namespace e2e {
namespace {

using Landing = E2E;

TEST_F(Landing, DroppedOntoHillsItAnchorsHoldsTheTerrainAndLeavesUnderThrust) {
  const Outcome run = Exec(ShippedIn("touchdown.toml", "end_of_step", true), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Json> states = run.Records("State", "lander");
  ASSERT_FALSE(states.empty());
  // It starts 20 m up and comes down at 5 m/s.
  EXPECT_NEAR(states.front()["clearance"].get<double>(), 20.0, 0.1);

  double touchdown_t = -1.0;
  for (const Json &s : states) {
    if (s["clearance"].get<double>() < 0.0) {
      touchdown_t = s["t"];
      break;
    }
  }
  ASSERT_GT(touchdown_t, 0.0) << "never touched down";

  const std::vector<Json> anchored = run.Records("AttachChild", "lander");
  ASSERT_EQ(anchored.size(), 1u);
  EXPECT_EQ(anchored[0]["vessel"], "surface");
  const double anchor_t = anchored[0]["t"];
  EXPECT_LE(anchor_t - touchdown_t, 10.0);

  const std::vector<Json> released = run.Records("DetachChild", "lander");
  ASSERT_EQ(released.size(), 1u);
  EXPECT_EQ(released[0]["vel"].get<double>(), 0.0);
  const double release_t = released[0]["t"];
  EXPECT_GE(release_t, 30.0) << "released before its engine fired";

  int held_steps = 0;
  double release_altitude = 0.0;
  for (const Json &s : states) {
    const double t = s["t"], clearance = s["clearance"];
    if (t >= touchdown_t && t <= anchor_t) {
      EXPECT_LE(clearance, 0.5) << "bounced at t = " << t;
    }
    if (t > anchor_t && t <= release_t) {
      EXPECT_EQ(s["parent"], "surface") << "t = " << t;
      EXPECT_LE(std::abs(clearance), 0.01) << "t = " << t;
      ++held_steps;
      release_altitude = s["altitude"];
    }
  }
  EXPECT_GT(held_steps, 2000);
  // Free again and under twice its weight in thrust, it climbs.
  EXPECT_TRUE(states.back()["parent"].is_null());
  EXPECT_GT(states.back()["altitude"].get<double>(), release_altitude + 20.0);
  EXPECT_NE(run.out.find("released: thrust"), std::string::npos) << run.out;
}

TEST_F(Landing, AtRestOnAFifteenDegreeSlopeItDoesNotDriftInAnHour) {
  const Outcome run =
      Exec(ShippedIn("slope_rest.toml", "end_of_step", true), false, true, "--trace-every 1500");
  ASSERT_EQ(run.status, 0) << run.err;
  std::vector<TraceRow> rows = run.Rows("lander");
  // From the start, before the module's first step, to the end of the run.
  ASSERT_EQ(rows.size(), 121u);
  EXPECT_EQ(rows.front().t, 0.0);
  EXPECT_EQ(rows.front().parent, "");
  EXPECT_NEAR(rows.back().t, 3600.0, 1e-6);
  rows.erase(rows.begin());
  for (const TraceRow &r : rows) {
    EXPECT_EQ(r.parent, "surface") << "t = " << r.t;
    EXPECT_LE(Dist(r.pos, rows.front().pos), 1e-6) << "drifted by t = " << r.t;
    EXPECT_LE(std::abs(r.clearance), 1e-6) << "t = " << r.t;
  }
  // Anchored in the second step (it starts a hair over the slope), never released.
  EXPECT_NE(run.out.find("0.020 s  anchored to surface"), std::string::npos) << run.out;
  EXPECT_EQ(run.out.find("released"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace e2e
