// Releases through the whole program: the release keys, the focus distance rule, and a
// module that has no terrain to work with.
#include <set>

#include "e2e_harness.h"

namespace e2e {
namespace {

constexpr char kSettings[] = R"(
[simulation]
step_s = 0.01
duration_s = 3.0
focus = "crew"

[terrain]
offset_m = 2.0
)";

constexpr char kThreeResting[] = R"(
[[vessel]]
name = "lander"
lat_deg = 0.0002
mass_kg = 2000.0
cog_elev_m = 1.2

[[vessel]]
name = "crew"
class = "UMmu"
lon_deg = 0.0002
mass_kg = 100.0
cog_elev_m = 1.0

[[vessel]]
name = "crate"
lat_deg = -0.0002
mass_kg = 50.0

[[event]]
t_s = 1.0
hold_s = 1.5
)";

class ReleaseKey : public E2E, public ::testing::WithParamInterface<const char *> {};

TEST_P(ReleaseKey, PressedAndHeldReleasesEveryAnchoredVesselOnce) {
  const std::string key = GetParam();
  const Outcome run = Exec(Write("keys.toml", std::string(kSettings) + kMoonAndGround +
                                                  kThreeResting + "key = \"" + key + "\"\n"),
                           true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  // The key goes down before step 101 and stays down, auto-repeating, for 1.5 s.
  int repeats = 0;
  for (const Json &k : run.Records("Keystroke")) {
    EXPECT_EQ(k["key"], key);
    repeats += k["transition"] == "repeat" ? 1 : 0;
  }
  EXPECT_GT(repeats, 10);

  const std::vector<Json> releases = run.Records("DetachChild");
  ASSERT_EQ(releases.size(), 3u);
  std::set<std::string> released;
  for (const Json &r : releases) {
    EXPECT_EQ(r["step"], 101);
    EXPECT_EQ(r["vel"].get<double>(), 0.0);
    released.insert(r["child"].get<std::string>());
  }
  EXPECT_EQ(released, (std::set<std::string>{"lander", "crew", "crate"}));
  // At rest, each is anchored again, and stays so while the key is held.
  for (const char *vessel : {"lander", "crew", "crate"}) {
    const std::vector<Json> anchorings = run.Records("AttachChild", vessel);
    ASSERT_EQ(anchorings.size(), 2u) << vessel;
    EXPECT_GT(anchorings[1]["step"].get<int>(), 101);
    EXPECT_EQ(run.Records("State", vessel).back()["parent"], "surface");
  }
}

INSTANTIATE_TEST_SUITE_P(GUC, ReleaseKey, ::testing::Values("G", "U", "C"));

using Release = E2E;

TEST_F(Release, AFocusVesselAwayFromTheCarrierReleasesInEveryStep) {
  const Outcome run = Exec(Shipped("focus_distance.toml"), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  // The far scout has the focus from before step 101 until before step 301.
  std::set<int> steps;
  for (const Json &r : run.Records("DetachChild", "lander")) {
    const int step = r["step"];
    EXPECT_GE(step, 101);
    EXPECT_LE(step, 300);
    EXPECT_TRUE(steps.insert(step).second) << "two releases in step " << step;
  }
  EXPECT_EQ(steps.size(), 200u);
  EXPECT_EQ(run.Records("State", "lander").back()["parent"], "surface");
}

struct WithoutTerrainCase {
  const char *scenario, *message;
};

class WithoutTerrain : public E2E, public ::testing::WithParamInterface<WithoutTerrainCase> {};

TEST_P(WithoutTerrain, OneMessageNoForceAndTheRunCompletes) {
  const Outcome run = Exec(Shipped(GetParam().scenario), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Json> boxes = run.Records("MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]["text"], GetParam().message);
  EXPECT_EQ(boxes[0]["caption"], "Error!");
  EXPECT_EQ(boxes[0]["step"], 0);
  EXPECT_TRUE(run.Records("AddForce").empty());
  EXPECT_TRUE(run.Records("AttachChild").empty());
  EXPECT_EQ(run.Records("State", "lander").back()["step"], 600);
  EXPECT_NE(run.out.find(std::string("message box: \"") + GetParam().message + "\""),
            std::string::npos);
  EXPECT_NE(run.out.find("total: 6.000 s simulated in 600 steps"), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(
    Library, WithoutTerrain,
    ::testing::Values(WithoutTerrainCase{"missing_library.toml", "Dorvak module Not Found!"},
                      WithoutTerrainCase{"no_function.toml", "Dorvak module error"}),
    [](const auto &info) { return info.index == 0 ? "Missing" : "NoFunction"; });

}  // namespace
}  // namespace e2e
