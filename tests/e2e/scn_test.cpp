// The simulator's own scenario files run as touchdown-sim's: the classes found under
// --orbiter-root, a landed ship held where the file stands it, and bad files refused in one line.
#include "support/e2e_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Scn = E2E;

constexpr char kLanded[] =
    "BEGIN_DESC\nA lander on the Moon.\nEND_DESC\n\nBEGIN_ENVIRONMENT\n  System Sol\n"
    "  Date MJD 51544.5\nEND_ENVIRONMENT\n\nBEGIN_FOCUS\n  Ship lander\nEND_FOCUS\n\n"
    "BEGIN_SHIPS\nlander:Probes\\Lander\n  STATUS Landed Moon\n  POS 20.0 -10.0\n"
    "  HEADING 90\n  PRPLEVEL 0:1.000000\nEND\nEND_SHIPS\n";

TEST_F(Scn, ClassesComeFromTheRootAndALandedShipStaysWhereItStands) {
  const std::string scn = Write("landed.scn", kLanded);
  fs::create_directories(work_dir / "orbiter" / "Config" / "Vessels" / "Probes");
  Write("orbiter/Config/Vessels/Probes/Lander.cfg",
        "ClassName = Lander\nMass = 4321\nTouchdownPoints = 0 -1.5 3  -2 -1.5 -2  2 -1.5 -2\n");
  const std::string root = "--orbiter-root '" + (work_dir / "orbiter").string() + "'";

  const Outcome check = Exec(scn, false, false, "--check " + root);
  EXPECT_EQ(check.status, 0) << check.err;
  EXPECT_NE(check.out.find("1 body, 1 vessel"), std::string::npos) << check.out;

  // The class's touchdown plane 1.5 m under its centre; the default class's 2 m.
  for (const auto &[extra, height] : {std::pair{root, 1.5}, std::pair{std::string(), 2.0}}) {
    const Outcome run = Exec(scn, false, true, "--quiet " + extra);
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<TraceRow> rows = run.Rows("lander");
    ASSERT_EQ(rows.size(), 6001u);
    for (const TraceRow &row : {rows.front(), rows.back()}) {
      EXPECT_NEAR(row.altitude, height, 1e-6) << extra;
      EXPECT_NEAR(row.lat_deg, -10.0, 1e-9);
      EXPECT_NEAR(row.lon_deg, 20.0, 1e-9);
      EXPECT_NEAR(row.heading_deg, 90.0, 1e-6);
    }
  }
}

TEST_F(Scn, BadFilesAndMisplacedOptionsAreRefusedInOneLine) {
  const std::string scn = Write("landed.SCN", kLanded);
  fs::create_directories(work_dir / "orbiter" / "Config" / "Vessels" / "Probes");
  const std::string cfg = Write("orbiter/Config/Vessels/Probes/Lander.cfg", "\nMass = lots\n");
  const std::string root = "--orbiter-root '" + (work_dir / "orbiter").string() + "'";
  const struct {
    std::string scenario, extra, says;
  } cases[] = {
      {scn, "--check " + root, cfg + ":2: Mass: must be a number, not \"lots\""},
      {Write("t.toml", std::string("[simulation]\nsteps = 1\n") + kMoonAndGround),
       "--check " + root, "--orbiter-root goes with a simulator's scenario file (.scn)"},
      {scn, "--check --orbiter-root '" + cfg + "'", "--orbiter-root"},
  };
  for (const auto &c : cases) {
    const Outcome run = Exec(c.scenario, false, false, c.extra);
    EXPECT_EQ(run.status, 2) << c.extra;
    EXPECT_NE(run.err.find(c.says), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
}

}  // namespace
}  // namespace e2e
