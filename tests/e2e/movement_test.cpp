// Walkers and cars moved by held keys, through the whole program: distances, turns, side
// steps, and how closely a walker follows hills.
#include "support/e2e_harness.h"

namespace e2e {
namespace {

constexpr double kMoonRadius_m = 1737400.0;
constexpr double kPi = 3.14159265358979323846;

// A key event at t_s falls before the module's step t_s / step_s; the row of that step shows
// the vessel before the key has moved it.
const TraceRow &RowAt(const std::vector<TraceRow> &rows, double t_s, double step_s) {
  const long step = std::lround(t_s / step_s);
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

// One walk on flat ground: W for 10 s, then A, D, End and PageDown for a second each.
TEST_F(Movement, WalkerWalksTurnsAndStepsSidewaysAtItsSpeeds) {
  const Outcome run = Exec(TestScenario("walker_flat.toml"), false, true);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<TraceRow> rows = run.Rows("crew");
  const auto at = [&](double t_s) -> const TraceRow & { return RowAt(rows, t_s, 0.01); };
  EXPECT_EQ(at(1.0).parent, "surface");
  const auto [distance, bearing] = Walked(at(1.0), at(11.0));
  EXPECT_NEAR(distance, 40.0, 0.4);
  EXPECT_NEAR(Wrap180(bearing - at(1.0).heading_deg), 0.0, 0.1) << "walks where it faces";
  EXPECT_NEAR(at(11.0).heading_deg, at(1.0).heading_deg, 1e-6);
  // A turns left (heading down) a quarter turn in a second without moving, D as far right.
  EXPECT_NEAR(Wrap180(at(13.0).heading_deg - at(12.0).heading_deg), -90.0, 1e-6);
  EXPECT_LT(Dist(at(12.0).pos, at(13.0).pos), 1e-6);
  EXPECT_NEAR(Wrap180(at(15.0).heading_deg - at(14.0).heading_deg), 90.0, 1e-6);
  // End steps left and PageDown right, 4 m each, facing the same way.
  for (const auto &[from, side] : {std::pair{16.0, -90.0}, std::pair{18.0, 90.0}}) {
    const auto [sideways, side_bearing] = Walked(at(from), at(from + 1.0));
    EXPECT_NEAR(sideways, 4.0, 0.04) << from;
    EXPECT_NEAR(Wrap180(side_bearing - at(from).heading_deg), side, 0.1) << from;
    EXPECT_NEAR(at(from + 1.0).heading_deg, at(from).heading_deg, 1e-6) << from;
  }
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
