// The simulator's scenario files on inline texts: the world each line gives, the lines skipped,
// and each refusal in one line naming file, line and field.
#include "app/scenario/scn_parse.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <string>
#include <variant>

#include "app/scenario/scenario_parse.h"
#include "app/world/scenario_world.h"
#include "sim/world.h"

namespace app {
namespace {

// A ship block on the Moon; `lines` are the ship's own.
std::string Ships(const std::string &lines) {
  return "BEGIN_SHIPS\nlander:ShuttlePB\n  STATUS Landed Moon\n" + lines + "END\nEND_SHIPS\n";
}

struct Refusal {
  const char *label;
  std::string scn;
  std::string says;  // the whole message
};

void PrintTo(const Refusal &r, std::ostream *os) { *os << r.label; }

class ScnRefused : public ::testing::TestWithParam<Refusal> {};

TEST_P(ScnRefused, InOneLineNamingLineAndField) {
  try {
    ParseScnText(GetParam().scn, "f.scn", "");
    FAIL() << "read";
  } catch (const ScenarioError &e) {
    EXPECT_EQ(std::string(e.what()), GetParam().says);
  }
}

const Refusal kRefusals[] = {
    {"unknown body", "BEGIN_SHIPS\nx:Box\n  STATUS Orbiting Pluto\nEND\nEND_SHIPS\n",
     "f.scn:3: ship[1] \"x\" STATUS: body \"Pluto\" is not one touchdown-sim knows (Triton, "
     "Europa, Moon, Io, Callisto, Mercury, Titan, Ganymede, Mars, Venus, Earth)"},
    {"body in another case", "BEGIN_SHIPS\nx\n  STATUS Landed moon\nEND\nEND_SHIPS\n",
     "f.scn:3: ship[1] \"x\" STATUS: body \"moon\" is not one touchdown-sim knows (Triton, "
     "Europa, Moon, Io, Callisto, Mercury, Titan, Ganymede, Mars, Venus, Earth)"},
    {"no status", "BEGIN_SHIPS\nx:Box\n  POS 1 2\nEND\nEND_SHIPS\n",
     "f.scn:2: ship[1] \"x\": has no STATUS Landed or STATUS Orbiting about a body"},
    {"elements",
     "BEGIN_SHIPS\nx\n  STATUS Orbiting Earth\n  ELEMENTS 7e6 0 0 0 0 0 51544\n"
     "  RPOS 7e6 0 0\nEND\nEND_SHIPS\n",
     "f.scn:4: ship[1] \"x\": gives orbital elements, which touchdown-sim does not read; give "
     "RPOS and RVEL (the simulator writes them when it saves a scenario)"},
    {"landing pad", Ships("  BASE Brighton Beach:1\n"),
     "f.scn:4: ship[1] \"lander\": stands on a base's landing pad, whose place touchdown-sim "
     "does not know; give POS"},
    {"short position", Ships("  POS 10\n"),
     "f.scn:4: ship[1] \"lander\" POS: must be longitude and latitude in degrees"},
    {"latitude past the pole", Ships("  POS 10 91\n"),
     "f.scn:4: ship[1] \"lander\" POS: latitude must be between -90 and 90 degrees"},
    {"heading not a number", Ships("  HEADING north\n"),
     "f.scn:4: ship[1] \"lander\" HEADING: must be a heading in degrees"},
    {"not finite", "BEGIN_SHIPS\nx\n  STATUS Orbiting Earth\n  RVEL 0 nan 0\nEND\nEND_SHIPS\n",
     "f.scn:4: ship[1] \"x\" RVEL: must be finite numbers within 2.99792e+08: x y z in metres "
     "per second"},
    {"no name", "BEGIN_SHIPS\n:Box\n  STATUS Landed Moon\nEND\nEND_SHIPS\n",
     "f.scn:2: ship[1]: has no name"},
    {"no ship", "BEGIN_DESC\nnothing\nEND_DESC\n",
     "f.scn: BEGIN_SHIPS: no ship is landed or orbiting: touchdown-sim has no world to build"},
    {"date out of range", "BEGIN_ENVIRONMENT\n  Date MJD 1e7\nEND_ENVIRONMENT\n" + Ships(""),
     "f.scn:2: Date: must lie between MJD -1e+06 and 1e+06 days"},
    {"two of one name",
     "BEGIN_SHIPS\na\n STATUS Landed Moon\nEND\na\n STATUS Landed Moon\nEND\nEND_SHIPS\n",
     "f.scn:5: ship[2] \"a\".name: two vessels are named \"a\""},
};

INSTANTIATE_TEST_SUITE_P(Scn, ScnRefused, ::testing::ValuesIn(kRefusals), [](const auto &info) {
  std::string name = info.param.label;
  for (char &c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
});

const VesselDef &Named(const Scenario &s, const std::string &name) {
  for (const VesselDef &v : s.vessels) {
    if (v.name == name) return v;
  }
  throw std::runtime_error("no vessel " + name);
}

TEST(ScnRead, BlocksAnywhereKeysInAnyCaseAndOtherLinesSkipped) {
  const Scenario s = ParseScnText(
      "BEGIN_DESC\nSTATUS Landed Pluto\nEND_DESC\n"
      "BEGIN_FOCUS\n  Ship sat\r\nEND_FOCUS\n"
      "BEGIN_SHIPS\n"
      "ground:DynamicPlanet\n  status landed Moon\n  pos 10.5 -20.25\n  FUEL 1\nEND\n"
      "lander:ShuttlePB\n  PRPLEVEL 0:1\n  HEADING 30\n  STATUS Landed Moon\n  HEADING 45\n"
      "  POS 10.5 -20.2\n  XYZZY 1 2 3\n  ATTACHED 0:0,ground\nEND\n"
      "sat\n  STATUS Orbiting Earth\n  RPOS 0 0 0\n  RVEL 0 1000 0\nEND\nEND_SHIPS\n"
      "BEGIN_ENVIRONMENT\n  Date JD 2451545.0\nEND_ENVIRONMENT\n",
      "f.scn", "");
  EXPECT_EQ(s.focus, "sat");
  EXPECT_DOUBLE_EQ(s.mjd, 51544.5);
  ASSERT_EQ(s.bodies.size(), 2u);
  EXPECT_EQ(s.bodies[0].name, "Moon");
  EXPECT_EQ(s.bodies[0].position_m, (Vec3{0.0, 0.0, 0.0}));
  EXPECT_EQ(s.bodies[1].name, "Earth");
  EXPECT_EQ(s.bodies[1].position_m, (Vec3{kScnBodySpacing_m, 0.0, 0.0}));
  EXPECT_EQ(s.bodies[1].radius_m, 6.37101e6);
  EXPECT_EQ(s.terrain.relief, Relief::kInstalled);
  EXPECT_EQ(s.terrain.body, "Moon");
  EXPECT_EQ(s.steps, 6000);
  EXPECT_EQ(s.post_step_sees, FrameOrder::kStartOfStep);

  const VesselDef &ground = Named(s, "ground");
  EXPECT_TRUE(ground.fixed_to_body && ground.landed);
  const VesselDef &lander = Named(s, "lander");
  EXPECT_TRUE(lander.landed);
  EXPECT_FALSE(lander.fixed_to_body);
  EXPECT_EQ(lander.class_name, "ShuttlePB");
  // The heading before STATUS Landed is forgotten, as the simulator forgets it.
  EXPECT_EQ(std::get<UprightAttitude>(lander.attitude).yaw_deg, 45.0);
  const auto &place = std::get<SurfacePlacement>(lander.placement);
  EXPECT_EQ(place.lat_deg, -20.2);
  EXPECT_EQ(place.lon_deg, 10.5);
  // The default class stands its centre 2 m over its touchdown plane.
  EXPECT_EQ(place.altitude_m, 2.0);
  EXPECT_EQ(lander.mass_kg, 1000.0);

  // A place at the centre goes to the mean radius along +z, as the simulator moves it.
  const VesselDef &sat = Named(s, "sat");
  EXPECT_FALSE(sat.landed);
  EXPECT_EQ(std::get<Vec3>(sat.placement), (Vec3{kScnBodySpacing_m, 0.0, 6.37101e6}));
  EXPECT_TRUE(sat.velocity_is_global);
  EXPECT_EQ(sat.velocity_mps, (Vec3{0.0, 1000.0, 0.0}));
}

TEST(ScnRead, DatesAndAttitudesAsTheSimulatorTurnsThem) {
  const Scenario s = ParseScnText(
      "BEGIN_ENVIRONMENT\n  Date JE 2001.0\nEND_ENVIRONMENT\nBEGIN_FOCUS\n  Ship nobody\n"
      "END_FOCUS\nBEGIN_SHIPS\n"
      "sat\n  STATUS Orbiting Mars\n  RPOS 4e6 0 0\n  AROT 0 0 90\nEND\n"
      "rover\n  AROT 0 90 0\n  STATUS Landed Mars\n  ALT 7\nEND\n"
      "tilted\n  STATUS Landed Mars\n  AROT 90 0 0\n  ALT 3\nEND\nEND_SHIPS\n",
      "f.scn", "");
  EXPECT_DOUBLE_EQ(s.mjd, 51544.5 + 365.25);
  EXPECT_EQ(s.focus, "");  // a focus no ship has: the first ship
  // AROT z of 90 degrees in the simulator's left-handed frames: x onto -y, y onto +x.
  const auto &sat = std::get<ExplicitAxes>(Named(s, "sat").attitude);
  EXPECT_NEAR(sat.x[1], -1.0, 1e-12);
  EXPECT_NEAR(sat.y[0], 1.0, 1e-12);
  // An AROT before STATUS Landed does not count: upright at the class's height, not ALT.
  const VesselDef &rover = Named(s, "rover");
  EXPECT_TRUE(std::holds_alternative<UprightAttitude>(rover.attitude));
  EXPECT_EQ(std::get<SurfacePlacement>(rover.placement).altitude_m, 2.0);
  const VesselDef &tilted = Named(s, "tilted");
  EXPECT_NEAR(std::get<ExplicitAxes>(tilted.attitude).y[2], -1.0, 1e-12);
  EXPECT_EQ(std::get<SurfacePlacement>(tilted.placement).altitude_m, 3.0);
}

TEST(ScnRead, AShipWithoutEndTakesTheRestOfTheFile) {
  // END_SHIPS is one of its lines; what follows is its too, as the simulator reads it.
  const Scenario s =
      ParseScnText("BEGIN_SHIPS\na\n  STATUS Landed Moon\nEND_SHIPS\n  POS 5 6\nb\n", "f.scn", "");
  ASSERT_EQ(s.vessels.size(), 1u);
  EXPECT_EQ(std::get<SurfacePlacement>(s.vessels[0].placement).lon_deg, 5.0);
}

// A landed ship is held by the host where it stands, on a body that turns either way.
TEST(ScnWorld, ALandedShipStaysOnTheGroundOfAWestwardBody) {
  const Scenario s = ParseScnText(
      "BEGIN_SHIPS\nlander:ShuttlePB\n  STATUS Landed Venus\nEND\nEND_SHIPS\n", "f.scn", "");
  ASSERT_EQ(s.bodies[0].name, "Venus");
  sim::World world;
  BuildWorld(s, world);
  world.EnablePhysics(true);
  const OBJHANDLE lander = world.FindVessel("lander");
  ASSERT_TRUE(world.Landed(lander));
  for (int i = 0; i < 100; ++i) world.Step(10.0);
  EXPECT_TRUE(world.Landed(lander));
  const VECTOR3 pos = world.Vessel(lander)->pos_global;
  // Standing at longitude 0, it has gone west with the ground: towards global -z, by the
  // turn of 1000 s at the mean radius plus its height.
  const double turn = 2.0 * M_PI * 1000.0 / 20996797.02;
  EXPECT_NEAR(pos.z, -(6.05184e6 + 2.0) * std::sin(turn), 1e-3);
  EXPECT_NEAR(std::hypot(pos.x, pos.z), 6.05184e6 + 2.0, 1e-6);
}

TEST(ScnWorldFrom, ATomlTakesTheWorldAndAddsItsOwn) {
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / ("scn_test_" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::ofstream(dir / "w.scn") << Ships("  POS 1 2\n");
  const std::string toml_path = (dir / "t.toml").string();
  const Scenario s = ParseScenarioText(
      "world_from = \"w.scn\"\n[simulation]\nsteps = 10\n[[vessel]]\nname = \"crate\"\n"
      "lat_deg = 2.0\n",
      toml_path);
  EXPECT_EQ(s.world_from, (dir / "w.scn").string());
  ASSERT_EQ(s.vessels.size(), 2u);
  EXPECT_EQ(s.vessels[0].name, "lander");
  EXPECT_EQ(s.vessels[1].name, "crate");
  EXPECT_EQ(s.terrain.relief, Relief::kInstalled);
  EXPECT_EQ(s.steps, 10);
  try {
    ParseScenarioText("world_from = \"w.scn\"\n[[body]]\nname = \"Moon\"\nradius_m = 1.0\n",
                      toml_path);
    ADD_FAILURE() << "read";
  } catch (const ScenarioError &e) {
    EXPECT_EQ(std::string(e.what()),
              toml_path +
                  ":2: body: the bodies come from world_from's file, which names them; "
                  "a [[body]] beside it could only clash with them");
  }
  // An error in the .scn names the .scn.
  std::ofstream(dir / "w.scn") << Ships("  POS x\n");
  try {
    ParseScenarioText("world_from = \"w.scn\"\n", toml_path);
    ADD_FAILURE() << "read";
  } catch (const ScenarioError &e) {
    EXPECT_EQ(std::string(e.what()).rfind((dir / "w.scn").string() + ":4: ship[1]", 0), 0u)
        << e.what();
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace app
