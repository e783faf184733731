// The host's own facts as a scenario meets them: the focus is never none, a vessel without a
// class has its name as class, a deleted focus passes to the nearest vessel, the host code's
// first three steps take 0.01 s, a time acceleration is a row of the event log, and the
// module's calls do not depend on which state the post-step sees.
#include <algorithm>
#include <sstream>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

using HostFacts = E2E;

constexpr char kMoon[] = R"(
[[body]]
name = "Moon"
radius_m = 1737400.0
mass_kg = 7.342e22
)";

// How far a vessel moved between the trace rows of two times.
double Moved(const Outcome &run, const std::string &vessel, double from_s, double to_s) {
  const std::vector<TraceRow> rows = run.Rows(vessel);
  const auto at = [&](double t) {
    return *std::find_if(rows.begin(), rows.end(), [&](const TraceRow &r) { return r.t >= t; });
  };
  return Dist(at(from_s).pos, at(to_s).pos);
}

// No `focus`: the first vessel, a walker standing before the carrier, has it and walks on W.
// "UMmu" has no class: the module takes it for a walker by its name once it has the focus.
// Deleted, its focus passes to the carrier 3 m away rather than to the walker 6 m away.
TEST_F(HostFacts, TheFirstVesselHasTheFocusAndAVesselsNameIsItsClass) {
  const std::string scenario = Write("facts.toml", std::string(R"(
[simulation]
step_s = 0.01
duration_s = 3.0
)") + kMoon + R"(
[[vessel]]
name = "first"
class = "UMmu"
lat_deg = 0.0001

[[vessel]]
name = "surface"
class = "DynamicPlanet"
altitude_m = 0.0
fixed_to_body = true

[[vessel]]
name = "UMmu"
lat_deg = -0.0001

[[event]]
t_s = 0.5
key = "W"
hold_s = 0.5

[[event]]
t_s = 1.2
focus = "UMmu"

[[event]]
t_s = 1.5
key = "W"
hold_s = 0.5

[[event]]
t_s = 2.5
delete = "UMmu"
)");
  const Outcome run = Exec(scenario, true, true);
  ASSERT_EQ(run.status, 0) << run.err;

  EXPECT_GT(Moved(run, "first", 0.4, 1.1), 1.5);  // 4 m/s for 0.5 s
  EXPECT_LT(Moved(run, "UMmu", 0.4, 1.1), 1e-6);
  EXPECT_LT(Moved(run, "first", 1.4, 2.4), 1e-6);
  EXPECT_GT(Moved(run, "UMmu", 1.4, 2.4), 1.5);

  const std::vector<Json> vessel = run.Records("Vessel", "UMmu");
  ASSERT_EQ(vessel.size(), 1u);
  EXPECT_EQ(vessel[0]["class"], "UMmu");
  EXPECT_NE(run.out.find("UMmu (class UMmu)"), std::string::npos) << run.out;

  const auto deleted = std::find_if(run.events.begin(), run.events.end(),
                                    [](const Json &r) { return r["kind"] == "Delete"; });
  ASSERT_NE(deleted, run.events.end());
  ASSERT_NE(deleted + 1, run.events.end());
  EXPECT_EQ(deleted[1]["kind"], "Focus");
  EXPECT_EQ(deleted[1]["vessel"], "surface");
}

// The same file under each order: the host code's first three steps take 0.01 s, then
// step_s; a time acceleration of 10 at 0.5 s is a row at the first step boundary at or after
// it, and every step after it is ten times as long.
TEST_F(HostFacts, FirstStepsAndTimeAccelerationFollowTheOrder) {
  struct Case {
    const char *order;
    std::vector<double> first_t;  // the first steps' ends
    long accelerated_step;        // steps done when the acceleration comes
    double accelerated_t;
  };
  const Case cases[] = {
      {"end_of_step", {0.0, 0.02, 0.04, 0.06}, 25, 0.50},
      {"start_of_step", {0.0, 0.01, 0.02, 0.03}, 27, 0.51},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.order);
    const std::string scenario = Write("steps.toml", std::string(R"(
[simulation]
step_s = 0.02
duration_s = 1.0

[host]
post_step_sees = ")") + c.order + "\"\n" + kMoonAndGround +
                                                         R"(
[[vessel]]
name = "crate"
altitude_m = 100.0

[[event]]
t_s = 0.5
time_acceleration = 10
)");
    const Outcome run = Exec(scenario, true, false);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<Json> states = run.Records("State", "crate");
    ASSERT_GT(states.size(), c.first_t.size());
    for (size_t i = 0; i < c.first_t.size(); ++i) {
      EXPECT_NEAR(states[i]["t"].get<double>(), c.first_t[i], 1e-12) << i;
    }
    const std::vector<Json> acceleration = run.Records("TimeAcceleration");
    ASSERT_EQ(acceleration.size(), 1u);
    EXPECT_EQ(acceleration[0]["step"], c.accelerated_step);
    EXPECT_NEAR(acceleration[0]["t"].get<double>(), c.accelerated_t, 1e-9);
    EXPECT_EQ(acceleration[0]["factor"], 10);
    const auto next = std::find_if(states.begin(), states.end(), [&](const Json &s) {
      return s["step"].get<long>() == c.accelerated_step + 1;
    });
    ASSERT_NE(next, states.end());
    EXPECT_NEAR((*next)["t"].get<double>(), c.accelerated_t + 0.2, 1e-9);
  }
}

// The first record where two logs part, from each.
std::string FirstDifference(const std::string &a, const std::string &b) {
  const size_t at = std::mismatch(a.begin(), a.end(), b.begin(), b.end()).first - a.begin();
  const size_t newline = at == 0 ? std::string::npos : a.rfind('\n', at - 1);
  const size_t from = newline == std::string::npos ? 0 : newline + 1;
  const auto line = [from](const std::string &s) {
    return s.substr(from, s.find('\n', from) - from);
  };
  return "record " + std::to_string(std::count(a.begin(), a.begin() + from, '\n') + 1) + ":\n" +
         line(a) + "\n" + line(b);
}

// The module steps before the update, on the committed state, which the two orders share:
// its calls, argument for argument, are the same under both. Both orders take the same steps
// only at a fixed 0.01 s, the length the host code's order gives its first three whatever
// step_s says, and on a Moon at rest. The files are those where the module alone keeps vessels
// on the terrain (landing, resting, walking, driving, leaving the terrain over a crater), each
// cut to 29 s and touchdown.toml without the thrust that releases its lander at 30 s: a vessel
// let go of by the carrier is landed on the host's sphere in the host code's order only, and
// the two orders then differ by design.
TEST_F(HostFacts, TheModulesCallsAreTheSameWhicheverStateThePostStepSees) {
  const std::string module_calls =
      "--events-kinds AddForce,CreateAttachment,AttachChild,DetachChild,SetAttachmentParams,"
      "MessageBox";
  for (const char *name :
       {"car.toml", "crater.toml", "slope_rest.toml", "walker.toml", "touchdown.toml"}) {
    SCOPED_TRACE(name);
    std::string logs[2];
    for (int i = 0; i < 2; ++i) {
      const char *order = i == 0 ? "end_of_step" : "start_of_step";
      std::istringstream lines(Slurp(ShippedIn(name, order, true)));
      std::string text;
      for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("step_s")) line = "step_s = 0.01";
        if (line.starts_with("duration_s")) line = "duration_s = 29.0";
        if (line.starts_with("thrust_schedule")) continue;
        text += line + "\n";
      }
      const Outcome run =
          Exec(Write(std::string(order) + "-" + name, text), true, false, module_calls);
      ASSERT_EQ(run.status, 0) << run.err;
      logs[i] = run.events_text;
    }
    EXPECT_NE(logs[0].find("AttachChild"), std::string::npos);
    EXPECT_TRUE(logs[0] == logs[1]) << FirstDifference(logs[0], logs[1]);
  }
}

}  // namespace
}  // namespace e2e
