// The scenario reader on inline files: each fault refused with the line and field it is at,
// in one line that no character of the file can break, and the values it must read.
#include "app/scenario/scenario_parse.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>

namespace app {
namespace {

// Lines 1 to 3.
const std::string kMoon = "[[body]]\nname = \"Moon\"\nradius_m = 1000.0\n";
// Lines 4 to 6, after kMoon.
const std::string kSurface = "[[vessel]]\nname = \"surface\"\nclass = \"DynamicPlanet\"\n";

std::string ManyVessels(int n) {
  std::string text = "[simulation]\nsteps = 1\n" + kMoon;
  for (int i = 0; i < n; ++i) text += "[[vessel]]\nname = \"v" + std::to_string(i) + "\"\n";
  return text;
}

struct Refusal {
  const char *label;
  std::string toml;
  std::string says;  // a part of the message, from the file's name on
};

void PrintTo(const Refusal &r, std::ostream *os) { *os << r.label; }

class Refused : public ::testing::TestWithParam<Refusal> {};

TEST_P(Refused, OnOneLineNamingLineAndField) {
  try {
    ParseScenarioText(GetParam().toml, "f.toml");
    FAIL() << "read";
  } catch (const ScenarioError &e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(GetParam().says), std::string::npos) << what.substr(0, 300);
    for (const char c : what) {
      EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7f) << what.substr(0, 300);
    }
  }
}

const Refusal kRefusals[] = {
    {"syntax", "[simulation]\nstep_s = t[2J\n", "f.toml:2: not valid TOML"},
    {"misspelt table", "[simulaton]\n", "f.toml:1: simulaton: unknown field"},
    {"misspelt field", kMoon + kSurface + "mas_kg = 5.0\n", "f.toml:7: vessel[1].mas_kg: unknown"},
    {"wrong type", kMoon + kSurface + "mass_kg = \"heavy\"\n",
     "f.toml:7: vessel[1].mass_kg: must be a number, not a string"},
    {"not finite", kMoon + kSurface + "mass_kg = nan\n", "vessel[1].mass_kg: must be a finite"},
    {"not an integer", "[simulation]\nsteps = 1.5\n", "simulation.steps: must be an integer"},
    {"missing required", kMoon + "[[body]]\nname = \"Mars\"\n",
     "f.toml:4: body[2]: missing required field radius_m"},
    {"negative", kMoon + kSurface + "cog_elev_m = -1.0\n", "vessel[1].cog_elev_m: must not be neg"},
    {"not positive", "[simulation]\nstep_s = 0\n", "f.toml:2: simulation.step_s: must be greater"},
    {"turns backwards", kMoon + "rotation_period_s = -1.0\n", "f.toml:4: body[1].rotation_perio"},
    {"faster than light", kMoon + kSurface + "velocity_global_mps = [1e308, 0.0, 0.0]\n",
     "f.toml:7: vessel[1].velocity_global_mps: must be at most 2.99792e+08 m/s long"},
    {"short vector", kMoon + kSurface + "velocity_global_mps = [1.0, 2.0]\n",
     "must be an array of three numbers, not of 2 values"},
    {"vector of text", kMoon + kSurface + "velocity_global_mps = [1.0, \"a\", 2.0]\n",
     "must be an array of three numbers; value 2 is a string"},
    {"absurd duration", "[simulation]\nstep_s = 0.001\nduration_s = 1e9\n" + kMoon,
     "f.toml:3: simulation.duration_s: makes more than 100000000 steps"},
    {"steps and duration", "[simulation]\nsteps = 5\nduration_s = 1.0\n", "give duration_s or"},
    {"jitter eats the step", "[simulation]\nstep_s = 0.01\nstep_jitter_s = 0.01\n" + kMoon,
     "f.toml:3: simulation.step_jitter_s: must be less than step_s"},
    {"host order", "[host]\npost_step_sees = \"after_commit\"\n" + kMoon,
     R"(f.toml:2: host.post_step_sees: must be "start_of_step" or "end_of_step", not "after_c)"},
    {"unknown key", kMoon + kSurface + "[[event]]\nt_s = 0.5\nkey = \"Warp\"\n",
     "f.toml:9: event[1].key: unknown key"},
    {"two actions", kMoon + kSurface + "[[event]]\nt_s = 0\nkey = 87\nfocus = \"surface\"\n",
     "an event does one thing"},
    {"stopped time", kMoon + "[[event]]\nt_s = 1.0\ntime_acceleration = 0.0\n",
     "f.toml:6: event[1].time_acceleration: must be"},
    {"no such vessel", kMoon + kSurface + "[[event]]\nt_s = 0.5\nfocus = \"nobody\"\n",
     "f.toml:9: event[1].focus: no vessel \"nobody\""},
    {"no focus", kMoon + kSurface + "[[event]]\nt_s = 0.5\nfocus = \"\"\n",
     "event[1].focus: must name a vessel: the host always has a focus vessel"},
    {"after the end",
     "[simulation]\nduration_s = 1.0\n" + kMoon + kSurface +
         "[[event]]\nt_s = 2.0\nfocus = \"surface\"\n",
     "f.toml:11: event[1].focus: happens at or after the end of the run"},
    {"installed relief is not shaped",
     kMoon + "[terrain]\nrelief = \"installed\"\noffset_m = 1.0\n",
     "f.toml:6: terrain.offset_m: does not apply to relief installed"},
    {"two bodies of one name", kMoon + kMoon,
     "f.toml:5: body[2].name: two bodies are named \"Moon\""},
    {"NUL in a name", kMoon + kSurface + "[[vessel]]\nname = \"UMmu\\u0000x\"\n",
     "f.toml:8: vessel[2].name: must not hold a NUL"},
    {"long name", kMoon + "[[vessel]]\nname = \"" + std::string(1025, 'n') + "\"\n",
     "f.toml:5: vessel[1].name: is 1025 bytes long; at most 1024 bytes"},
    {"too many vessels", ManyVessels(10001), "f.toml:20006: vessel[10001]: too many vessels"},
    {"too large", std::string(kMaxScenarioBytes + 1, '#'), "f.toml: is larger than 16 MiB"},
    // Control characters from the file come back as escapes.
    {"control key", kMoon + "[terrain]\n\"off\\nset\\u001b\" = 1\n", "f.toml:5: terrain.off\\x0a"},
    {"control value", kMoon + "[terrain]\nrelief = \"hil\\nls\\r\"\n", "hil\\x0als\\x0d"},
    {"control name", kMoon + "[[event]]\nt_s = 0\nkey = \"W\\u0007\\u007f\"\n", "W\\x07\\x7f"},
};

INSTANTIATE_TEST_SUITE_P(Scenario, Refused, ::testing::ValuesIn(kRefusals),
                         [](const ::testing::TestParamInfo<Refusal> &info) {
                           std::string name = info.param.label;
                           for (char &c : name) c = c == ' ' ? '_' : c;
                           return name;
                         });

TEST(ScenarioRead, ValuesAsTheFileGivesThem) {
  const Scenario s = ParseScenarioText(
      "[simulation]\nduration_s = 1.005\n[[body]]\nname = \"Moon\"\nradius_m = 1000\n"
      "[[vessel]]\nname = \"a\"\naltitude_m = 3\nvelocity_horizon_mps = [1, 2, 3]\n"
      "[[vessel]]\nname = \"b\"\nvelocity_global_mps = [4.0, 5.0, 6.0]\n"
      "[[event]]\nt_s = 0.5\nkey = \"W\"\nhold_s = 0.2\n"
      "[[event]]\nt_s = 0.5\ndelete = \"b\"\n[[event]]\nt_s = 0.1\nfocus = \"b\"\n",
      "f.toml");
  EXPECT_EQ(s.bodies.at(0).radius_m, 1000.0);  // an integer where a number goes
  EXPECT_EQ(s.terrain.body, "Moon");
  EXPECT_EQ(s.steps, 101) << "1.005 s is 100.5 steps: the run takes the half step whole";
  ASSERT_EQ(s.vessels.size(), 2u);
  EXPECT_EQ(std::get<SurfacePlacement>(s.vessels[0].placement).altitude_m, 3.0);
  EXPECT_FALSE(s.vessels[0].velocity_is_global);
  EXPECT_EQ(s.vessels[0].velocity_mps, (Vec3{1, 2, 3}));
  EXPECT_TRUE(s.vessels[1].velocity_is_global);
  // By time, in the file's order among equal times; the held key comes up hold_s later.
  ASSERT_EQ(s.events.size(), 4u);
  EXPECT_TRUE(std::holds_alternative<FocusAction>(s.events[0].action));
  EXPECT_TRUE(std::get<KeyAction>(s.events[1].action).down);
  EXPECT_EQ(s.events[1].step, 50);
  EXPECT_TRUE(std::holds_alternative<DeleteAction>(s.events[2].action));
  EXPECT_FALSE(std::get<KeyAction>(s.events[3].action).down);
  EXPECT_EQ(s.events[3].step, 70);
}

}  // namespace
}  // namespace app
