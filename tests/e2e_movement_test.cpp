// Walkers and cars moved by held keys, through the whole program: distances, turns, side
// steps, and how closely a walker follows hills.
#include "e2e_harness.h"

namespace e2e {
namespace {

constexpr double kMoonRadius_m = 1737400.0;
constexpr double kPi = 3.14159265358979323846;

// A key event at t_s falls before step t_s / step_s + 1; the row of that step shows the
// vessel before the key has moved it.
const TraceRow &RowAt(const std::vector<TraceRow> &rows, double t_s, double step_s) {
  const long step = std::lround(t_s / step_s) + 1;
  for (const TraceRow &r : rows) {
    if (r.step == step) return r;
  }
  ADD_FAILURE() << "no row for step " << step;
  return rows.front();
}

double Wrap180(double deg) { return std::remainder(deg, 360.0); }

// Horizontal displacement between two rows: distance and compass bearing (degrees).
std::pair<double, double> Walked(const TraceRow &from, const TraceRow &to) {
  const double north = (to.lat_deg - from.lat_deg) * kPi / 180.0 * kMoonRadius_m;
  const double east = (to.lon_deg - from.lon_deg) * kPi / 180.0 * kMoonRadius_m *
                      std::cos(from.lat_deg * kPi / 180.0);
  return {std::hypot(north, east), std::atan2(east, north) * 180.0 / kPi};
}

using Movement = E2E;

TEST_F(Movement, WalkerOnFlatGroundWalksFortyMetresInTenSeconds) {
  const Outcome run = Exec(TestScenario("walker_flat.toml"), false, true);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<TraceRow> rows = run.Rows("crew");
  const TraceRow &start = RowAt(rows, 1.0, 0.01), &end = RowAt(rows, 11.0, 0.01);
  EXPECT_EQ(start.parent, "surface");
  const auto [distance, bearing] = Walked(start, end);
  EXPECT_NEAR(distance, 40.0, 0.4);
  EXPECT_NEAR(Wrap180(bearing - start.heading_deg), 0.0, 0.1) << "walks where it faces";
  EXPECT_NEAR(end.heading_deg, start.heading_deg, 1e-6);
}

TEST_F(Movement, WalkerTurnsAQuarterTurnPerSecond) {
  const Outcome run = Exec(TestScenario("walker_flat.toml"), false, true);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<TraceRow> rows = run.Rows("crew");
  // A for 1 s turns left (heading down), D for 1 s turns right; neither moves it.
  const TraceRow &a0 = RowAt(rows, 12.0, 0.01), &a1 = RowAt(rows, 13.0, 0.01);
  EXPECT_NEAR(Wrap180(a1.heading_deg - a0.heading_deg), -90.0, 1e-6);
  EXPECT_LT(Dist(a0.pos, a1.pos), 1e-6);
  const TraceRow &d0 = RowAt(rows, 14.0, 0.01), &d1 = RowAt(rows, 15.0, 0.01);
  EXPECT_NEAR(Wrap180(d1.heading_deg - d0.heading_deg), 90.0, 1e-6);
}

TEST_F(Movement, EndAndPageDownStepSidewaysLeftAndRight) {
  const Outcome run = Exec(TestScenario("walker_flat.toml"), false, true);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<TraceRow> rows = run.Rows("crew");
  const TraceRow &e0 = RowAt(rows, 16.0, 0.01), &e1 = RowAt(rows, 17.0, 0.01);
  const auto [left, left_bearing] = Walked(e0, e1);
  EXPECT_NEAR(left, 4.0, 0.04);
  EXPECT_NEAR(Wrap180(left_bearing - e0.heading_deg), -90.0, 0.1);
  EXPECT_NEAR(e1.heading_deg, e0.heading_deg, 1e-6);
  const TraceRow &p0 = RowAt(rows, 18.0, 0.01), &p1 = RowAt(rows, 19.0, 0.01);
  const auto [right, right_bearing] = Walked(p0, p1);
  EXPECT_NEAR(right, 4.0, 0.04);
  EXPECT_NEAR(Wrap180(right_bearing - p0.heading_deg), 90.0, 0.1);
}

TEST_F(Movement, WalkerOnHillsKeepsItsTouchdownPlaneOnTheTerrainWithinOneStepOfLag) {
  const Outcome run = Exec(TestScenario("walker_hills.toml"), false, true);
  ASSERT_EQ(run.status, 0) << run.err;
  const double steepest_gradient = 3.0 * 2.0 * kPi / 100.0;
  const double allowed_m = 4.0 * 0.01 * steepest_gradient + 0.001;
  double lowest = 1e9, highest = -1e9;
  int anchored_rows = 0;
  for (const TraceRow &r : run.Rows("crew")) {
    if (r.parent != "surface") continue;
    ++anchored_rows;
    EXPECT_LE(std::abs(r.clearance), allowed_m) << "step " << r.step;
    lowest = std::min(lowest, r.altitude);
    highest = std::max(highest, r.altitude);
  }
  EXPECT_GE(anchored_rows, 2399);
  EXPECT_GT(highest - lowest, 0.5) << "the walk never went up or down a hill";
}

TEST_F(Movement, CarDrivesThirtyMetresPerSecond) {
  const Outcome run = Exec(TestScenario("car_flat.toml"), false, true);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<TraceRow> rows = run.Rows("buggy");
  EXPECT_NEAR(Walked(RowAt(rows, 1.0, 0.01), RowAt(rows, 2.0, 0.01)).first, 30.0, 0.3);
  EXPECT_NEAR(Walked(RowAt(rows, 1.0, 0.01), RowAt(rows, 3.0, 0.01)).first, 60.0, 0.6);
}

}  // namespace
}  // namespace e2e
