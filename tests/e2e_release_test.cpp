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

TEST_F(Release, MissingTerrainLibraryShowsOneMessageAndAppliesNoForce) {
  const Outcome run = Exec(Shipped("missing_library.toml"), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Json> boxes = run.Records("MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]["text"], "Dorvak module Not Found!");
  EXPECT_EQ(boxes[0]["caption"], "Error!");
  EXPECT_EQ(boxes[0]["step"], 0);
  EXPECT_TRUE(run.Records("AddForce").empty());
  EXPECT_TRUE(run.Records("AttachChild").empty());
  EXPECT_EQ(run.Records("State", "lander").back()["step"], 600);
  EXPECT_NE(run.out.find("message box: \"Dorvak module Not Found!\""), std::string::npos);
  EXPECT_NE(run.out.find("total: 6.000 s simulated in 600 steps"), std::string::npos) << run.out;
}

TEST_F(Release, TerrainLibraryWithoutItsFunctionShowsOneMessageAndAppliesNoForce) {
  const Outcome run = Exec(Shipped("no_function.toml"), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Json> boxes = run.Records("MessageBox");
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0]["text"], "Dorvak module error");
  EXPECT_EQ(boxes[0]["caption"], "Error!");
  EXPECT_TRUE(run.Records("AddForce").empty());
  EXPECT_NE(run.out.find("total: 6.000 s simulated in 600 steps"), std::string::npos) << run.out;
}

TEST_F(Release, ACarDrivingDownIntoTerrainBelowTheMeanRadiusFloatsFree) {
  const Outcome run = Exec(Shipped("crater.toml"), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Json> releases = run.Records("DetachChild", "buggy");
  ASSERT_EQ(releases.size(), 1u);
  // Where it was let go the terrain lies below the mean radius and the car over it.
  const int step = releases[0]["step"];
  for (const Json &s : run.Records("State", "buggy")) {
    if (s["step"] != step) continue;
    const double clearance = s["clearance"],
                 terrain = s["altitude"].get<double>() - 0.8 - clearance;
    EXPECT_LT(terrain, 0.0);
    EXPECT_GT(clearance, 0.1);
  }
  EXPECT_TRUE(run.Records("State", "buggy").back()["parent"].is_null());
  EXPECT_NE(run.out.find("released: floating free"), std::string::npos) << run.out;
}

}  // namespace
}  // namespace e2e
