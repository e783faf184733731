// The end state saved as the simulator's scenario, read back line by line: what stands on the
// ground (landed, fixed, anchored through its parents) is Landed at its place and heading,
// everything else Orbiting with state vectors that carry every bit and the simulator's own
// attitude angles; a vessel that cannot be written is named, not written.
#include "app/outputs/scn_save.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/scenario/scenario_parse.h"
#include "app/world/scenario_world.h"
#include "math/units.h"
#include "math/vector.h"

namespace {

using td::kDegPerRad;

constexpr char kWorld[] = R"(
[simulation]
steps = 1
mjd = 60000.123456789
focus = "parked"

[[body]]
name = "Moon"
radius_m = 1737400.0
mass_kg = 7.342e22
position_m = [1.5e11, 0.0, 2.0e7]
velocity_mps = [0.0, 0.0, 29800.0]
rotation_period_s = 2360591.6

[[vessel]]
name = "surface"
class = "DynamicPlanet"
altitude_m = 0.0
fixed_to_body = true

[[vessel]]
name = "parked"
class = "ShuttlePB"
lat_deg = -10.0
lon_deg = 20.0
yaw_deg = -90.0

[[vessel]]
name = "crate"
lat_deg = 0.001
lon_deg = 0.002
height_over_terrain_m = 0.5

[[vessel]]
name = "probe"
class = "probe"
position_m = [1.5012e11, 3.3e5, 2.0e7]
velocity_global_mps = [0.1, 1650.3, 29800.7]
axes = { x = [0.0, 0.0, 1.0], y = [0.6, 0.8, 0.0], z = [-0.8, 0.6, 0.0] }

[[vessel]]
name = "pod"
class = "Pod"
position_m = [1.5012e11, 3.3e5, 2.0e7]

[[vessel]]
name = "lost"
position_m = [1.5012e11, 3.3e5, 2.0e7]
)";

// A vessel's block: its header, then each line's key and the numbers or word after it.
struct Block {
  std::string header;
  std::map<std::string, std::vector<std::string>> lines;
  double Number(const std::string &key, size_t i) const {
    return std::strtod(lines.at(key).at(i).c_str(), nullptr);
  }
};

// Only what the simulator's own reader would find: the ships between BEGIN_SHIPS and
// END_SHIPS, a header and then lines up to END; "STATUS Landed" keyed as "STATUS".
std::vector<Block> Ships(const std::string &text) {
  std::istringstream in(text.substr(text.find("BEGIN_SHIPS\n") + 12));
  std::vector<Block> ships;
  for (std::string line; std::getline(in, line) && line != "END_SHIPS";) {
    Block block{line, {}};
    while (std::getline(in, line) && line != "END") {
      std::istringstream words(line);
      std::string key, word;
      words >> key;
      while (words >> word) block.lines[key].push_back(word);
    }
    ships.push_back(block);
  }
  return ships;
}

void Attach(OBJHANDLE parent, OBJHANDLE child, const VECTOR3 &at_parent) {
  const VESSEL *p = oapiGetVesselInterface(parent);
  const ATTACHMENTHANDLE hook =
      p->CreateAttachment(false, at_parent, td::Vec3(0, 1, 0), td::Vec3(0, 0, 1), "");
  const ATTACHMENTHANDLE eye = oapiGetVesselInterface(child)->CreateAttachment(
      true, td::Vec3(0, 0, 0), td::Vec3(0, -1, 0), td::Vec3(0, 0, 1), "");
  ASSERT_TRUE(p->AttachChild(child, hook, eye));
}

class ScnSaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    app::BuildWorld(app::ParseScenarioText(kWorld, "<test>"), world);
    world.Vessel(world.FindVessel("parked"))->landed = true;
    Attach(world.FindVessel("surface"), world.FindVessel("crate"), td::Vec3(3, 40, -2));
    Attach(world.FindVessel("probe"), world.FindVessel("pod"), td::Vec3(0, 0, -5));
    world.Vessel(world.FindVessel("lost"))->vel_global.y = std::nan("");
    text = app::ScnText(world, app::RosterOf(world), "runs/odd\nname.toml");
    for (const Block &b : Ships(text)) ships[b.header] = b;
  }

  const sim::VesselRecord &Record(const char *name) const {
    return *world.Vessel(world.FindVessel(name));
  }

  sim::World world;
  std::string text;
  std::map<std::string, Block> ships;
};

TEST_F(ScnSaveTest, WhatStandsOnTheGroundIsLandedAndTheRestOrbiting) {
  const struct {
    const char *header, *status;
  } rows[] = {
      {"surface:DynamicPlanet", "Landed"},  // fixed to its body
      {"parked:ShuttlePB", "Landed"},       // the host's landed state
      {"crate", "Landed"},                  // anchored on the carrier
      {"probe", "Orbiting"},                // its class is its name
      {"pod:Pod", "Orbiting"},              // hanging on a free vessel
  };
  ASSERT_EQ(ships.size(), std::size(rows)) << text;
  for (const auto &row : rows) {
    ASSERT_EQ(ships.count(row.header), 1U) << row.header << "\n" << text;
    const Block &b = ships[row.header];
    EXPECT_EQ(b.lines.at("STATUS"), (std::vector<std::string>{row.status, "Moon"})) << row.header;
    const bool landed = std::string(row.status) == "Landed";
    for (const char *key : {"POS", "HEADING"}) EXPECT_EQ(b.lines.count(key), landed ? 1U : 0U);
    for (const char *key : {"RPOS", "RVEL", "AROT"})
      EXPECT_EQ(b.lines.count(key), landed ? 0U : 1U);
  }
  // The module's anchors exist only while it runs.
  EXPECT_EQ(text.find("ATTACHED"), std::string::npos);
  EXPECT_NE(text.find("BEGIN_FOCUS\n  Ship parked\nEND_FOCUS\n"), std::string::npos) << text;
}

TEST_F(ScnSaveTest, LandedVesselsKeepTheirPlaceAndCompassHeading) {
  const Block &parked = ships["parked:ShuttlePB"];
  EXPECT_NEAR(parked.Number("POS", 0), 20.0, 1e-9);
  EXPECT_NEAR(parked.Number("POS", 1), -10.0, 1e-9);
  EXPECT_NEAR(parked.Number("HEADING", 0), 270.0, 1e-9);  // yaw -90, written 0 to 360
  // The anchored crate at its own place, wherever its parent stands.
  const sim::VesselRecord &v = Record("crate");
  const VECTOR3 up = td::VecSub(v.pos_global, world.Body(v.body)->pos_global);
  const Block &crate = ships["crate"];
  EXPECT_NEAR(crate.Number("POS", 0), std::atan2(up.z, up.x) * kDegPerRad, 1e-9);
  EXPECT_NEAR(crate.Number("POS", 1), std::asin(up.y / td::VecLength(up)) * kDegPerRad, 1e-9);
}

TEST_F(ScnSaveTest, StateVectorsCarryEveryBitFromTheBodyAndTheAnglesAreTheSimulators) {
  const sim::VesselRecord &probe = Record("probe");
  const sim::BodySpec &moon = *world.Body(probe.body);
  const Block &b = ships["probe"];
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(b.Number("RPOS", i), (&probe.pos_global.x)[i] - (&moon.pos_global.x)[i]);
    // Relative to the body's motion only, not to its turning ground.
    EXPECT_EQ(b.Number("RVEL", i), (&probe.vel_global.x)[i] - (&moon.vel_global.x)[i]);
  }
  // The simulator builds its rotation from AROT (radians) so; rows of its matrix.
  const double x = b.Number("AROT", 0) / kDegPerRad, y = b.Number("AROT", 1) / kDegPerRad,
               z = b.Number("AROT", 2) / kDegPerRad;
  const double rebuilt[3][3] = {
      {std::cos(y) * std::cos(z), std::cos(y) * std::sin(z), -std::sin(y)},
      {std::sin(x) * std::sin(y) * std::cos(z) - std::cos(x) * std::sin(z),
       std::sin(x) * std::sin(y) * std::sin(z) + std::cos(x) * std::cos(z),
       std::sin(x) * std::cos(y)},
      {std::cos(x) * std::sin(y) * std::cos(z) + std::sin(x) * std::sin(z),
       std::cos(x) * std::sin(y) * std::sin(z) - std::sin(x) * std::cos(z),
       std::cos(x) * std::cos(y)}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(rebuilt[r][c], probe.rot.m[r][c], 1e-12) << r << c;
  }
  const size_t date = text.find("  Date MJD ");
  ASSERT_NE(date, std::string::npos);
  EXPECT_EQ(std::strtod(text.c_str() + date + 11, nullptr), world.Mjd());
}

TEST_F(ScnSaveTest, AVesselThatCannotBeWrittenIsNamedInTheDescriptionInstead) {
  EXPECT_EQ(ships.count("lost"), 0U);
  const std::string desc = text.substr(0, text.find("END_DESC\n"));
  EXPECT_NE(desc.find(": lost\n"), std::string::npos) << desc;
  // The source's name cannot end the description early.
  EXPECT_NE(desc.find("runs/odd\\x0aname.toml"), std::string::npos) << desc;
}

}  // namespace
