// The program as a user meets it: the built-in tour, repeatable output, thinned logs, and
// options refused before a run starts (a scenario's faults are the reader's unit tests').
#include <sstream>
#include <utility>
#include <vector>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

using Program = E2E;

// The module's part of the tour as it is built for: the manual's frame on a Moon at rest.
TEST_F(Program, TheTourPlaysOutTheSameTwiceAndIsTheShippedDefaultScenario) {
  const std::string tour = ShippedIn("default.toml", "end_of_step", true);
  const Outcome first = Exec(tour, true, true);
  const Outcome second = Exec(tour, true, true);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_GT(first.events.size(), 10000u);
  EXPECT_TRUE(first.events_text == second.events_text) << "event logs differ";
  ASSERT_EQ(first.trace.size(), second.trace.size());
  for (const char *expected :
       {"touchdown, closing speed", "anchored to surface", "key W held 1.000-5.000 s: moved 16.0",
        "heading 90.0 -> 0.0 deg", "key W held 16.000-17.000 s: moved 30.0",
        "released: release key G", "released: thrust", "released: floating free", "x real time"}) {
    EXPECT_NE(first.out.find(expected), std::string::npos) << expected << "\n" << first.out;
  }
  EXPECT_TRUE(Exec("", false, false, "--print-default").out == Slurp(Shipped("default.toml")));
  EXPECT_NE(Exec(TestScenario("truth/one_step.toml"), false, false, "--check")
                .out.find("1 body, 0 vessels, 0 timed events, 1 step: fine"),
            std::string::npos);
}

// A thinned log is the whole log with records left out, and nothing else changed: a
// DetachChild still names its child when the AttachChild is left out.
TEST_F(Program, ThinnedEventLogsAreTheWholeLogFiltered) {
  const std::string scenario = Shipped("focus_distance.toml");
  const Outcome whole = Exec(scenario, true, false);
  ASSERT_EQ(whole.status, 0) << whole.err;
  for (const auto &[every, kinds] : std::vector<std::pair<int, std::string>>{
           {7, ""}, {1, "State,DetachChild"}, {3, "Vessel,AttachChild,Focus,State"}}) {
    std::string expected;
    std::istringstream lines(whole.events_text);
    for (std::string line; std::getline(lines, line);) {
      const Json record = Json::parse(line);
      const std::string kind = record["kind"];
      if (!kinds.empty() && ("," + kinds + ",").find("," + kind + ",") == std::string::npos) {
        continue;
      }
      const bool per_step = kind == "State" || kind == "AddForce";
      if (per_step && record["step"].get<long>() % every != 0) continue;
      expected += line + "\n";
    }
    const Outcome thin = Exec(scenario, true, false,
                              "--events-every " + std::to_string(every) +
                                  (kinds.empty() ? "" : " --events-kinds " + kinds));
    EXPECT_EQ(thin.status, 0) << thin.err;
    EXPECT_TRUE(thin.events_text == expected) << every << " " << kinds;
  }
  EXPECT_EQ(Exec(scenario, true, false, "--events-kinds State,Forces").status, 2);
}

// The live options are refused outside a live run, and a live run never records over the
// scenario it runs; both before anything starts.
TEST_F(Program, LiveOptionsAreCheckedBeforeTheRunStarts) {
  const std::string text = "[simulation]\nduration_s = 1.0\n";
  const std::string file = Write("own.toml", text);
  EXPECT_EQ(Exec(file, false, false, "--rate 2").status, 2);
  const Outcome run = Exec(file, false, false, "--live --record-scenario '" + file + "'");
  EXPECT_EQ(run.status, 2) << run.err;
  EXPECT_EQ(Slurp(file), text);
}

}  // namespace
}  // namespace e2e
