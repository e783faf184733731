// The vessel class files: the items read as the simulator finds them, the centre's height
// from the touchdown points, the class found under the simulator's folder, and refusals.
#include "app/scenario/vessel_cfg.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/scenario/scenario_error.h"

namespace app {
namespace {

TEST(VesselCfg, ItemsAsTheSimulatorFindsThem) {
  const VesselClassDef c = ParseVesselClassText(
      "; comment\nClassName = Rover\nMASS= 350.5 ; kg\nSize =\nSize = 4\n"
      "TouchdownPoints = 0 -1.5 2  -1 -1.5 -1  1 -1.5 -1\nMass = 1\nEND_PARSE\n",
      "r.cfg");
  EXPECT_EQ(c.mass_kg, 350.5);  // the first Mass line, any case
  EXPECT_EQ(c.size_m, 10.0);    // an empty value stops the search, as in the simulator
  EXPECT_EQ(c.touchdown_points[2], (Vec3{1.0, -1.5, -1.0}));
  EXPECT_DOUBLE_EQ(c.cog_elev_m, 1.5);
  EXPECT_EQ(ParseVesselClassText("END_PARSE\nMass = 5\n", "r.cfg").mass_kg, 1000.0);
}

TEST(VesselCfg, CogElevationIsTheOriginsDistanceFromThePlane) {
  // A plane tilted in the vessel's frame: 1 m below the origin along (0, -1, 1)/sqrt 2.
  const double r = std::sqrt(2.0);
  EXPECT_NEAR(CogElevation({{0.0, -r, 0.0}, {1.0, 0.0, r}, {-1.0, -r, 0.0}}), 1.0, 1e-12);
  EXPECT_LT(CogElevation({{0, 0, 0}, {1, 1, 1}, {2, 2, 2}}), 0.0);
}

TEST(VesselCfg, BadValuesAreRefusedAtTheirLine) {
  const struct {
    std::string text, says;
  } cases[] = {
      {"\nMass = heavy\n", "r.cfg:2: Mass: must be a number, not \"heavy\""},
      {"Mass = -1\n", "r.cfg:1: Mass: must be greater than 0 and at most 1e+10 kg"},
      {"Size = inf\n", "r.cfg:1: Size: must be a number, not \"inf\""},
      {"TouchdownPoints = 0 0 1  0 0 2\n",
       "r.cfg:1: TouchdownPoints: must be nine numbers, x y z of three points in metres"},
      {"TouchdownPoints = 0 0 0  1 1 1  2 2 2\n",
       "r.cfg:1: TouchdownPoints: the three points lie on one line and make no plane to stand "
       "on"},
  };
  for (const auto &c : cases) {
    try {
      ParseVesselClassText(c.text, "r.cfg");
      ADD_FAILURE() << c.text;
    } catch (const ScenarioError &e) {
      EXPECT_EQ(std::string(e.what()), c.says);
    }
  }
}

TEST(VesselCfg, FoundUnderTheRootInAnyCaseThroughBackslashFolders) {
  namespace fs = std::filesystem;
  const fs::path root = fs::temp_directory_path() / ("cfg_test_" + std::to_string(getpid()));
  fs::create_directories(root / "Config" / "Vessels" / "UCGO" / "Cars");
  std::ofstream(root / "Config" / "Vessels" / "UCGO" / "Cars" / "Rover.cfg") << "Mass = 800\n";
  EXPECT_EQ(ReadVesselClass(root.string(), "ucgo\\Cars\\ROVER").mass_kg, 800.0);
  EXPECT_EQ(ReadVesselClass(root.string(), "Absent").file, "");
  EXPECT_EQ(ReadVesselClass("", "UCGO\\Cars\\Rover").mass_kg, 1000.0);
  fs::remove_all(root);
}

}  // namespace
}  // namespace app
