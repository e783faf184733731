// The program as a user meets it: the built-in tour, repeatable output, and scenario files
// that are refused with one clear line.
#include <algorithm>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "e2e_harness.h"

namespace e2e {
namespace {

using Program = E2E;

TEST_F(Program, TheTourPlaysOutTheSameTwiceAndIsTheShippedDefaultScenario) {
  const Outcome first = Exec("", true, true);
  const Outcome second = Exec("", true, true);
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
  std::ifstream in(Shipped("default.toml"), std::ios::binary);
  std::ostringstream file;
  file << in.rdbuf();
  EXPECT_TRUE(Exec("", false, false, "--print-default").out == file.str());
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
      if (kind == "State" && record["step"].get<long>() % every != 0) continue;
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

struct BadFile {
  const char *name;
  std::string text;  // appended to a valid scenario
  int line;          // of the text appended, counted from 1
  const char *field;
};

// Parameters show by name in test listings.
void PrintTo(const BadFile &bad, std::ostream *os) { *os << bad.name; }

const std::string kValid =
    std::string("[simulation]\nstep_s = 0.01\nduration_s = 1.0\n") + kMoonAndGround;

std::string ManyVessels() {
  std::string text;
  for (int i = 0; i < 10000; ++i) text += "[[vessel]]\nname = \"v" + std::to_string(i) + "\"\n";
  return text;
}

class Refused : public E2E, public ::testing::WithParamInterface<BadFile> {};

TEST_P(Refused, WithOneLineNamingFileLineAndFieldAndExitStatus2) {
  const BadFile &bad = GetParam();
  const std::string path = Write("bad.toml", kValid + bad.text);
  const int line = static_cast<int>(std::count(kValid.begin(), kValid.end(), '\n')) + bad.line;
  const Outcome run = Exec(path, true, false);
  EXPECT_EQ(run.status, 2);
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_TRUE(run.events_text.empty()) << "it ran";
  ASSERT_FALSE(run.err.empty());
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "more than one line: " << run.err;
  EXPECT_NE(run.err.find(path + ":" + std::to_string(line) + ":"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find(bad.field), std::string::npos) << run.err;
}

INSTANTIATE_TEST_SUITE_P(
    Scenario, Refused,
    ::testing::Values(
        BadFile{"Syntax", "\n[[vessel]]\nname = = 3\n", 3, "not valid TOML"},
        BadFile{"UnknownField", "mas_kg = 5.0\n", 1, "vessel[1].mas_kg: unknown field"},
        BadFile{"WrongType", "mass_kg = \"heavy\"\n", 1, "vessel[1].mass_kg: must be a number"},
        BadFile{"MissingRequired", "\n[[body]]\nname = \"Mars\"\n", 2,
                "body[2]: missing required field radius_m"},
        BadFile{"OutOfDomain", "\n[[vessel]]\nname = \"x\"\ncog_elev_m = -1.0\n", 4,
                "vessel[2].cog_elev_m: must not be negative"},
        BadFile{"FasterThanLight", "velocity_global_mps = [1e308, 0.0, 0.0]\n", 1,
                "vessel[1].velocity_global_mps: must be at most 2.99792e+08 m/s long"},
        BadFile{"UnknownKey", "\n[[event]]\nt_s = 0.5\nkey = \"Warp\"\n", 4,
                "event[1].key: unknown key"},
        BadFile{"NoSuchVessel", "\n[[event]]\nt_s = 0.5\nfocus = \"nobody\"\n", 4,
                "event[1].focus: no vessel \"nobody\""},
        BadFile{"AfterTheEnd", "\n[[event]]\nt_s = 2.0\nfocus = \"surface\"\n", 4,
                "at or after the end of the run"},
        BadFile{"TooManyVessels", ManyVessels(), 19999, "vessel[10001]: too many vessels"}),
    [](const ::testing::TestParamInfo<BadFile> &info) { return std::string(info.param.name); });

TEST_F(Program, AnAbsurdDurationIsRefusedNamingItsLimit) {
  const Outcome run =
      Exec(Write("long.toml", "[simulation]\nstep_s = 0.001\nduration_s = 1e9\n"), false, false);
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("long.toml:3: simulation.duration_s: makes more than 100000000 steps"),
            std::string::npos)
      << run.err;
}

// The live options are refused outside a live run, and a live run never records over the
// scenario it runs; both before anything starts.
TEST_F(Program, LiveOptionsAreCheckedBeforeTheRunStarts) {
  const std::string text = "[simulation]\nduration_s = 1.0\n";
  const std::string file = Write("own.toml", text);
  EXPECT_EQ(Exec(file, false, false, "--rate 2").status, 2);
  const Outcome run = Exec(file, false, false, "--live --record-scenario '" + file + "'");
  EXPECT_EQ(run.status, 2) << run.err;
  std::ostringstream kept;
  kept << std::ifstream(file).rdbuf();
  EXPECT_EQ(kept.str(), text);
}

}  // namespace
}  // namespace e2e
