// What a scenario file says, as the world and the module receive it: places, heights,
// velocities in the local horizon, vessels created and deleted on time, keystrokes with
// their flag words and auto-repeat.
#include "e2e_harness.h"

namespace e2e {
namespace {

constexpr char kHills[] = R"(
[terrain]
relief = "hills"
amplitude_m = 3.0
wavelength_m = 100.0
offset_m = 4.0
)";

const std::string kMoon = std::string(kHills) + kMoonAndGround;

using Scenario = E2E;

TEST_F(Scenario, HeightOverTerrainAndAltitudeAreMeasuredFromDifferentGround) {
  const std::string text = std::string("[simulation]\nstep_s = 0.01\nsteps = 1\n") + kMoon + R"(
[[vessel]]
name = "hovering"
lat_deg = 0.001
height_over_terrain_m = 10.0
cog_elev_m = 2.0

[[vessel]]
name = "high"
lat_deg = 0.001
altitude_m = 10.0
cog_elev_m = 2.0
)";
  const Outcome run = Exec(Write("place.toml", text), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  // One step of free fall from rest moves them by g dt^2, about 0.16 mm.
  const Json hovering = run.Records("State", "hovering").at(0),
             high = run.Records("State", "high").at(0);
  EXPECT_NEAR(hovering["clearance"].get<double>(), 10.0, 1e-3);
  EXPECT_NEAR(high["altitude"].get<double>(), 10.0, 1e-3);
  // Same place, so the difference of the two is the terrain's height less cog_elev.
  const double terrain_alt = high["altitude"].get<double>() - 2.0 - high["clearance"].get<double>();
  EXPECT_NEAR(hovering["altitude"].get<double>(), terrain_alt + 2.0 + 10.0, 1e-3);
  EXPECT_GT(std::abs(terrain_alt), 0.1) << "the place should not be at the base of the hills";
}

TEST_F(Scenario, HorizonVelocityIsEastUpNorth) {
  const std::string text = std::string("[simulation]\nstep_s = 0.1\nsteps = 10\n") + kMoon + R"(
[[vessel]]
name = "east"
altitude_m = 100.0
velocity_horizon_mps = [5.0, 0.0, 0.0]

[[vessel]]
name = "north"
altitude_m = 100.0
velocity_horizon_mps = [0.0, 0.0, 5.0]

[[vessel]]
name = "up"
altitude_m = 100.0
velocity_horizon_mps = [0.0, 20.0, 0.0]
)";
  const Outcome run = Exec(Write("velocity.toml", text), false, true);
  ASSERT_EQ(run.status, 0) << run.err;
  const TraceRow e0 = run.Rows("east").front(), e1 = run.Rows("east").back();
  EXPECT_GT(e1.lon_deg - e0.lon_deg, 1e-5);
  EXPECT_NEAR(e1.lat_deg, e0.lat_deg, 1e-12);
  const TraceRow n0 = run.Rows("north").front(), n1 = run.Rows("north").back();
  EXPECT_GT(n1.lat_deg - n0.lat_deg, 1e-5);
  EXPECT_NEAR(n1.lon_deg, n0.lon_deg, 1e-12);
  EXPECT_GT(run.Rows("up").back().altitude, 110.0);
}

TEST_F(Scenario, VesselsAreCreatedAndDeletedBetweenTheStepsTheirTimesFallIn) {
  const std::string text =
      std::string("[simulation]\nstep_s = 0.01\nduration_s = 3.0\n") + kMoon + R"(
[[vessel]]
name = "lander"
lat_deg = 0.0001
cog_elev_m = 1.0

[[event]]
t_s = 1.0
create = { name = "crate", lon_deg = 0.0001, mass_kg = 50.0 }

[[event]]
t_s = 2.005
delete = "lander"
)";
  const Outcome run = Exec(Write("life.toml", text), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Json> crate = run.Records("State", "crate");
  ASSERT_FALSE(crate.empty());
  EXPECT_EQ(crate.front()["step"], 101);
  EXPECT_EQ(run.Records("Vessel", "crate").size(), 1u);
  EXPECT_EQ(run.Records("State", "lander").back()["step"], 201) << "2.005 s rounds up to 2.01 s";
  ASSERT_EQ(run.Records("AttachChild", "crate").size(), 1u);
  EXPECT_EQ(run.Records("AttachChild", "crate")[0]["step"], 101);
  // The anchored lander is simply gone: nothing detaches it.
  EXPECT_TRUE(run.Records("DetachChild").empty());
  EXPECT_NE(run.out.find("deleted"), std::string::npos);
}

TEST_F(Scenario, AHeldKeyDownRepeatsAtTheKeyboardRateWithWindowsFlagWords) {
  const std::string text = std::string(
                               "[simulation]\nstep_s = 0.01\nduration_s = 3.0\n"
                               "focus = \"surface\"\n[keyboard]\nrepeat_delay_s = 0.5\n"
                               "repeat_interval_s = 0.1\n") +
                           kMoon + "[[event]]\nt_s = 1.0\nkey = 87\nhold_s = 1.0\n";
  const Outcome run = Exec(Write("keys.toml", text), true, false);
  ASSERT_EQ(run.status, 0) << run.err;
  const std::vector<Json> keys = run.Records("Keystroke");
  // Down at 1.0 s, repeats at 1.5, 1.6, ... 1.9 s, up at 2.0 s.
  ASSERT_EQ(keys.size(), 7u);
  EXPECT_EQ(keys.front()["transition"], "down");
  EXPECT_EQ(keys.front()["flags"].get<int64_t>() & 0xC0000000LL, 0);
  EXPECT_EQ(keys.front()["step"], 100);
  for (size_t i = 1; i + 1 < keys.size(); ++i) {
    EXPECT_EQ(keys[i]["transition"], "repeat");
    EXPECT_EQ(keys[i]["flags"].get<int64_t>() & 0xC0000000LL, 0x40000000LL);
    EXPECT_NEAR(keys[i]["t"].get<double>(), 1.5 + 0.1 * static_cast<double>(i - 1), 1e-9);
  }
  EXPECT_EQ(keys.back()["transition"], "up");
  EXPECT_EQ(keys.back()["flags"].get<int64_t>() & 0xC0000000LL, 0xC0000000LL);
  EXPECT_EQ(keys.back()["step"], 200);
  for (const Json &k : keys) EXPECT_EQ(k["key"], "W");
}

}  // namespace
}  // namespace e2e
