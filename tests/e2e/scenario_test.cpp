// What a scenario file says, as the world and the module receive it: places, heights,
// velocities in the local horizon, vessels created and deleted on time, keystrokes with
// their flag words and auto-repeat.
#include "support/e2e_harness.h"

namespace e2e {
namespace {

using Scenario = E2E;

// One run reads every part of tests/scenarios/every_part.toml: two vessels placed by height
// over the terrain and by altitude, three launched along the horizon axes, a crate created and
// the lander deleted on time, and W held down on the keyboard.
TEST_F(Scenario, PlacesVelocitiesLifetimesAndKeystrokesAreAsTheFileSays) {
  const Outcome run = Exec(TestScenario("every_part.toml"), true, true);
  ASSERT_EQ(run.status, 0) << run.err;

  // Height over terrain and altitude are measured from different ground. One step of free
  // fall from rest moves them by g dt^2, about 0.16 mm.
  const Json hovering = run.Records("State", "hovering").at(0),
             high = run.Records("State", "high").at(0);
  EXPECT_NEAR(hovering["clearance"].get<double>(), 10.0, 1e-3);
  EXPECT_NEAR(high["altitude"].get<double>(), 10.0, 1e-3);
  // Same place, so the difference of the two is the terrain's height less cog_elev.
  const double terrain_alt = high["altitude"].get<double>() - 2.0 - high["clearance"].get<double>();
  EXPECT_NEAR(hovering["altitude"].get<double>(), terrain_alt + 2.0 + 10.0, 1e-3);
  EXPECT_GT(std::abs(terrain_alt), 0.1) << "the place should not be at the base of the hills";

  // The horizon velocity is east, up, north.
  const TraceRow e0 = run.Rows("east").front(), e1 = run.Rows("east").back();
  EXPECT_GT(e1.lon_deg - e0.lon_deg, 1e-5);
  EXPECT_NEAR(e1.lat_deg, e0.lat_deg, 1e-12);
  const TraceRow n0 = run.Rows("north").front(), n1 = run.Rows("north").back();
  EXPECT_GT(n1.lat_deg - n0.lat_deg, 1e-5);
  EXPECT_NEAR(n1.lon_deg, n0.lon_deg, 1e-12);
  EXPECT_GT(run.Rows("up").back().altitude, 110.0);

  // Vessels are created and deleted between the steps their times fall in.
  const std::vector<Json> crate = run.Records("State", "crate");
  ASSERT_FALSE(crate.empty());
  EXPECT_EQ(crate.front()["step"], 100);
  EXPECT_EQ(run.Records("Vessel", "crate").size(), 1u);
  EXPECT_EQ(run.Records("State", "lander").back()["step"], 200) << "2.005 s rounds up to 2.01 s";
  ASSERT_EQ(run.Records("AttachChild", "crate").size(), 1u);
  EXPECT_EQ(run.Records("AttachChild", "crate")[0]["step"], 101)
      << "created on the ground, it sinks into it in its first step";
  // The anchored lander is simply gone: nothing detaches it.
  EXPECT_TRUE(run.Records("DetachChild").empty());
  EXPECT_NE(run.out.find("deleted"), std::string::npos);

  // A held key goes down at 1.0 s, repeats at 1.5, 1.6, ... 1.9 s with the Windows flag
  // words, and comes up at 2.0 s.
  const std::vector<Json> keys = run.Records("Keystroke");
  ASSERT_EQ(keys.size(), 7u);
  for (size_t i = 0; i < keys.size(); ++i) {
    const bool down = i == 0, up = i + 1 == keys.size();
    EXPECT_EQ(keys[i]["key"], "W");
    EXPECT_EQ(keys[i]["transition"], down ? "down" : up ? "up" : "repeat");
    EXPECT_EQ(keys[i]["flags"].get<int64_t>() & 0xC0000000LL, down ? 0
                                                              : up ? 0xC0000000LL
                                                                   : 0x40000000LL);
    if (!down && !up) {
      EXPECT_NEAR(keys[i]["t"].get<double>(), 1.5 + 0.1 * static_cast<double>(i - 1), 1e-9);
    }
  }
  EXPECT_EQ(keys.front()["step"], 100);
  EXPECT_EQ(keys.back()["step"], 200);
}

// Every shipped scenario runs in either order, on its moving Moon and on a Moon at rest: the
// account is written to its end. All but the fleet, whose hour
// of a hundred vessels is the benchmarks' to run.
TEST_F(Scenario, EveryShippedScenarioRunsInEitherOrderOnAMovingOrStillMoon) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(Shipped(""))) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".toml" && name != "fleet.toml") names.push_back(name);
  }
  ASSERT_GE(names.size(), 10u);
  for (const std::string &name : names) {
    for (const char *order : {"start_of_step", "end_of_step"}) {
      for (const bool still : {false, true}) {
        const Outcome run = Exec(ShippedIn(name, order, still), false, false);
        SCOPED_TRACE(name + ", " + order + (still ? ", still Moon" : ", moving Moon"));
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_NE(run.out.find("\nsurface (class DynamicPlanet)"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("  end: "), std::string::npos) << run.out;
      }
    }
  }
}

}  // namespace
}  // namespace e2e
