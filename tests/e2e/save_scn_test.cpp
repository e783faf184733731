// The end state saved as the simulator's scenario (--save-scn) by the real program: a vessel
// the module anchored is saved Landed where it rests, a free one Orbiting; each session saves
// its own; a name the simulator could not read back stops the program before anything runs.
#include <cstdlib>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using SaveScn = E2E;

constexpr char kRestAndOrbit[] = R"(
[simulation]
duration_s = 3.0
mjd = 60000.25
)";

constexpr char kParkedAndProbe[] = R"(
[[vessel]]
name = "parked"
class = "ShuttlePB"
lat_deg = 0.001
lon_deg = 0.002
yaw_deg = 135.0
cog_elev_m = 1.0

[[vessel]]
name = "probe"
class = "Probe"
altitude_m = 100000.0
velocity_horizon_mps = [1600.0, 0.0, 0.0]
)";

// A lander resting beside the carrier and a probe passing over them, the probe in focus.
std::string ParkedAndProbe() {
  return kRestAndOrbit + std::string("focus = \"probe\"\n") + kMoonAndGround + kParkedAndProbe;
}

// The numbers after `key` on the line of the saved file that follows `after`.
std::vector<double> Numbers(const std::string &text, const std::string &after,
                            const std::string &key) {
  size_t at = text.find(after);
  at = at == std::string::npos ? at : text.find("  " + key + " ", at);
  if (at == std::string::npos) return {};
  std::vector<double> values;
  const char *p = text.c_str() + at + key.size() + 3;
  for (char *end = nullptr;; p = end) {
    const double v = std::strtod(p, &end);
    if (end == p) break;
    values.push_back(v);
  }
  return values;
}

TEST_F(SaveScn, EachSessionSavesTheVesselsWhereTheyEnded) {
  const std::string first = Write("rest.toml", ParkedAndProbe()),
                    second = Write("empty.toml", kRestAndOrbit + std::string(kMoonAndGround));
  const Outcome run =
      Exec(first, false, false, second + " --save-scn " + (work_dir / "end.scn").string());
  ASSERT_EQ(run.status, 0) << run.err;
  const std::string saved = Slurp(work_dir / "end-1.scn");
  EXPECT_NE(saved.find("BEGIN_DESC\nThe end state of " + first + " after 3 s"), std::string::npos);
  EXPECT_NE(saved.find("BEGIN_FOCUS\n  Ship probe\nEND_FOCUS\n"), std::string::npos) << saved;
  const double mjd = Numbers(saved, "BEGIN_ENVIRONMENT", "Date MJD").at(0);
  EXPECT_NEAR(mjd, 60000.25 + 3.0 / 86400.0, 1e-8);
  // Anchored by the module on the carrier: Landed where it rests, facing as it was put.
  EXPECT_NE(saved.find("parked:ShuttlePB\n  STATUS Landed Moon\n"), std::string::npos) << saved;
  const std::vector<double> pos = Numbers(saved, "parked:", "POS");
  ASSERT_EQ(pos.size(), 2U) << saved;
  EXPECT_NEAR(pos[0], 0.002, 1e-9);
  EXPECT_NEAR(pos[1], 0.001, 1e-9);
  EXPECT_NEAR(Numbers(saved, "parked:", "HEADING").at(0), 135.0, 1e-6);
  // Free: 3 s east at 1600 m/s from the prime meridian, 100 km up.
  EXPECT_NE(saved.find("probe:Probe\n  STATUS Orbiting Moon\n"), std::string::npos) << saved;
  const std::vector<double> rpos = Numbers(saved, "probe:", "RPOS");
  ASSERT_EQ(rpos.size(), 3U) << saved;
  EXPECT_NEAR(rpos[2], 4800.0, 1.0);
  EXPECT_NEAR(rpos[0], 1737400.0 + 100000.0, 10.0);
  EXPECT_EQ(saved.find("ATTACHED"), std::string::npos);
  // The second session saves its own world, the first's file left as it is.
  const std::string saved2 = Slurp(work_dir / "end-2.scn");
  EXPECT_NE(saved2.find("The end state of " + second), std::string::npos) << saved2;
  EXPECT_EQ(saved2.find("probe"), std::string::npos) << saved2;
  EXPECT_FALSE(fs::exists(work_dir / "end.scn"));
}

TEST_F(SaveScn, ANameTheSimulatorCannotReadBackIsRefusedBeforeTheRun) {
  std::string text = ParkedAndProbe();
  text.replace(text.find("\"parked\""), 8, "\"parked lander\"");
  const std::string scenario = Write("spaced.toml", text);
  const fs::path saved = work_dir / "end.scn";
  const Outcome run = Exec(scenario, false, false, "--save-scn " + saved.string());
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err,
            "touchdown-sim: error: --save-scn: the vessel \"parked lander\" of " + scenario +
                " cannot be written in a scenario of the simulator: it holds a space, and the "
                "simulator names attached vessels by a single word\n");
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_FALSE(fs::exists(saved));
  // Without --save-scn the name is fine.
  EXPECT_EQ(Exec(scenario, false, false).status, 0);
}

}  // namespace
}  // namespace e2e
