// The reliefs of the terrain library. The library as the module finds it is the plug-in load
// and mends tests'.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <memory>
#include <numbers>

#include "host/terrain_api.h"
#include "math/vector.h"
#include "sim/world.h"
#include "terrain/answers_in_order.h"
#include "terrain/horizon.h"
#include "terrain/terrain_radius.h"

namespace {

constexpr double kR = 1.0e6;

DorvakConfig Relief(int relief) {
  DorvakConfig c = terrain::DefaultConfig();
  c.body_radius_m = kR;
  c.relief = relief;
  return c;
}

VECTOR3 Dir(double lat, double lon) { return terrain::HorizonAt(lat, lon).up; }

// The direction a surface distance away from a place, towards north (0) or east (pi/2).
VECTOR3 Away(double lat, double lon, double azimuth, double distance_m) {
  const terrain::Horizon h = terrain::HorizonAt(lat, lon);
  const VECTOR3 heading =
      td::VecAdd(td::VecScale(h.north, std::cos(azimuth)), td::VecScale(h.east, std::sin(azimuth)));
  const double angle = distance_m / kR;
  return td::VecAdd(td::VecScale(h.up, std::cos(angle)), td::VecScale(heading, std::sin(angle)));
}

double Height(const DorvakConfig &c, const VECTOR3 &dir) {
  return terrain::TerrainRadius(c, dir) - kR;
}

VECTOR3 SurfaceAt(const DorvakConfig &c, const VECTOR3 &dir) {
  return td::VecScale(dir, terrain::TerrainRadius(c, dir));
}

TEST(Terrain, OnlyTheDirectionCounts) {
  for (int relief : {kDorvakHills, kDorvakSlope, kDorvakCrater}) {
    DorvakConfig c = Relief(relief);
    c.amplitude_m = 30, c.slope_rad = 0.3, c.crater_depth_m = 50, c.crater_radius_m = 5e5;
    const VECTOR3 p = td::VecScale(Away(0, 0, 1.0, 300), kR);
    for (double scale : {1e-3, 2.0, 7.5}) {
      EXPECT_NEAR(terrain::TerrainRadius(c, td::VecScale(p, scale)), terrain::TerrainRadius(c, p),
                  1e-6)
          << "relief " << relief;
    }
  }
}

TEST(Terrain, HillsAreBoundedSmoothAndNeverLevelWhereVesselsStand) {
  DorvakConfig c = Relief(kDorvakHills);
  c.offset_m = 5, c.amplitude_m = 20, c.wavelength_m = 200;
  const double max_slope = 2 * std::numbers::pi * c.amplitude_m / c.wavelength_m;
  const double places[][2] = {{0, 0}, {0.1, 0.2}, {0.3, -1.2}, {-0.7, 2.5}, {1.5, 0.4}};
  for (const auto &place : places) {
    double lowest = 1e9, highest = -1e9;
    for (int i = 0; i < 400; ++i) {
      const double azimuth = i * 0.37, d = i * 1.5;
      const double h0 = Height(c, Away(place[0], place[1], azimuth, d));
      const double h1 = Height(c, Away(place[0], place[1], azimuth, d + 1.0));
      EXPECT_LE(std::fabs(h1 - h0), max_slope * 1.001);
      lowest = std::min(lowest, h0), highest = std::max(highest, h0);
    }
    EXPECT_GE(lowest, c.offset_m - c.amplitude_m);
    EXPECT_LE(highest, c.offset_m + c.amplitude_m);
    EXPECT_GT(highest - lowest, c.amplitude_m / 2);
    const double north =
        Height(c, Away(place[0], place[1], 0, 0.5)) - Height(c, Away(place[0], place[1], 0, -0.5));
    const double east = Height(c, Away(place[0], place[1], 1.57, 0.5)) -
                        Height(c, Away(place[0], place[1], 1.57, -0.5));
    EXPECT_GT(std::hypot(north, east), 0.02 * max_slope) << place[0] << " " << place[1];
  }
}

TEST(Terrain, SlopeIsATruePlaneClimbingTowardsItsAzimuth) {
  DorvakConfig c = Relief(kDorvakSlope);
  c.offset_m = 10, c.slope_rad = 0.25, c.azimuth_rad = std::numbers::pi / 2;
  c.ref_lat_rad = 0.2, c.ref_lon_rad = -0.4;
  const terrain::Horizon ref = terrain::HorizonAt(0.2, -0.4);
  EXPECT_NEAR(terrain::TerrainRadius(c, ref.up), kR + 10, 1e-6);
  // Three points span the plane; every other sample lies on it.
  const VECTOR3 a = SurfaceAt(c, Away(0.2, -0.4, 0, 0)), b = SurfaceAt(c, Away(0.2, -0.4, 0, 400)),
                e = SurfaceAt(c, Away(0.2, -0.4, 1.57, 400));
  const VECTOR3 normal = td::VecUnit(td::VecCross(td::VecSub(b, a), td::VecSub(e, a)));
  for (int i = 0; i < 50; ++i) {
    const VECTOR3 p = SurfaceAt(c, Away(0.2, -0.4, i * 0.9, 20.0 * i));
    EXPECT_NEAR(td::VecDot(td::VecSub(p, a), normal), 0.0, 1e-6);
  }
  EXPECT_NEAR(std::acos(std::fabs(td::VecDot(normal, ref.up))), 0.25, 1e-9);
  // 100 m east lies 100 tan(0.25) m higher than the reference point; west lies lower.
  const VECTOR3 east_point =
      td::VecAdd(td::VecScale(ref.up, kR + 10 + 100 * std::tan(0.25)), td::VecScale(ref.east, 100));
  EXPECT_NEAR(terrain::TerrainRadius(c, east_point), td::VecLength(east_point), 1e-6);
  EXPECT_LT(Height(c, Away(0.2, -0.4, -1.57, 100)), 10);
  // Seen from the far side of the body the plane is behind the centre.
  EXPECT_TRUE(std::isnan(terrain::TerrainRadius(c, td::VecScale(ref.up, -1))));
}

TEST(Terrain, CraterIsASmoothBowlThatCanDipBelowTheMeanRadius) {
  DorvakConfig c = Relief(kDorvakCrater);
  c.offset_m = 10, c.crater_radius_m = 500, c.crater_depth_m = 40;
  c.ref_lat_rad = -0.3, c.ref_lon_rad = 2.0;
  EXPECT_NEAR(Height(c, Dir(-0.3, 2.0)), -30, 1e-6);
  EXPECT_NEAR(Height(c, Away(-0.3, 2.0, 0.8, 500)), 10, 1e-6);
  EXPECT_NEAR(Height(c, Away(-0.3, 2.0, 0.8, 700)), 10, 1e-9);
  double previous = Height(c, Dir(-0.3, 2.0));
  for (int d = 4; d <= 520; d += 4) {
    const double h = Height(c, Away(-0.3, 2.0, 2.0, d));
    EXPECT_GE(h, previous - 1e-9);
    EXPECT_LT(h - previous, 0.6);  // no step anywhere, the rim included
    previous = h;
  }
}

}  // namespace

// The relief a user's simulator gets, where no host configures the library: hills over the
// body the point lies on, wholly above its mean radius, and no terrain away from any body.
TEST(Terrain, TheInstalledReliefRisesOverTheBodyThePointIsOn) {
  const DorvakConfig installed = terrain::DefaultConfig();
  for (const terrain::SolarBody &body : terrain::SolarBodies()) {
    SCOPED_TRACE(std::string(body.name));
    for (const double over_m : {-99.0, 0.0, 3.0, 9999.0}) {
      const VECTOR3 place = td::VecScale(Dir(0.3, -1.2), body.radius_m + over_m);
      const double height_m = terrain::TerrainRadius(installed, place) - body.radius_m;
      EXPECT_GE(height_m, kDorvakDefaultFlatOffset_m - 1e-6);
      EXPECT_LE(height_m, 4.0 + kDorvakDefaultFlatOffset_m + 1e-6);
    }
  }
  // The Moon's terrain differs from place to place: hills, not a sphere.
  const double moon_m = terrain::FindSolarBody("Moon")->radius_m;
  EXPECT_NE(terrain::TerrainRadius(installed, td::VecScale(Dir(0.0, 0.0), moon_m)),
            terrain::TerrainRadius(installed, td::VecScale(Dir(0.0, 0.00002), moon_m)));
  // Out of every body's band, as at radii the table does not hold: no terrain.
  for (const double distance_m : {moon_m - 101.0, moon_m + 11e3, 1.0e6, 1.0e7}) {
    EXPECT_TRUE(
        std::isnan(terrain::TerrainRadius(installed, td::VecScale(Dir(0.0, 0.0), distance_m))))
        << distance_m;
  }
}

// Bodies of nearly one radius (Callisto and Mercury lie 36 km apart) must not share a band,
// else a vessel high over one would find the other's ground under it.
TEST(Terrain, NoTwoBodiesOfTheInstalledReliefShareABand) {
  const auto bodies = terrain::SolarBodies();
  for (size_t i = 1; i < bodies.size(); ++i) {
    EXPECT_LT(bodies[i - 1].radius_m + terrain::kInstalledBandAbove_m,
              bodies[i].radius_m - terrain::kInstalledBandBelow_m)
        << bodies[i - 1].name << " and " << bodies[i].name;
    EXPECT_EQ(terrain::BodyAtDistance(bodies[i].radius_m + 5e3), &bodies[i]);
  }
  EXPECT_EQ(terrain::FindSolarBody("moon"), nullptr);  // the host's lookup keeps case
}

// Resting vessels are asked about at the same position in every step, so answers are
// remembered; a remembered answer must never outlive the relief it was computed under, nor
// stand in for a neighbouring position.
TEST(Terrain, RememberedAnswersAreExactAndForgottenWithTheRelief) {
  const VECTOR3 place = td::VecScale(Dir(0.3, 0.2), kR);
  DorvakConfig hills = Relief(kDorvakHills);
  hills.amplitude_m = 5.0;
  sim::World world;
  world.ConfigureTerrain(hills);
  const double hills_m = world.TerrainRadius(place);
  EXPECT_EQ(world.TerrainRadius(place), hills_m);
  VECTOR3 beside = place;
  beside.x = std::nextafter(beside.x, 2.0 * kR);
  EXPECT_EQ(world.TerrainRadius(beside), terrain::TerrainRadius(hills, beside));
  // A vessel creeping a few centimetres: both places are remembered, each with its own answer.
  const VECTOR3 crept = td::VecAdd(place, td::Vec3(0.02, 0.03, 0.0));
  const double crept_m = terrain::TerrainRadius(hills, crept);
  ASSERT_NE(crept_m, hills_m);
  EXPECT_EQ(world.TerrainRadius(crept), crept_m);
  EXPECT_EQ(world.TerrainRadius(place), hills_m);
  EXPECT_EQ(world.TerrainRadius(crept), crept_m);
  // The centre is what an empty place looks like: it is worked out each time it is asked.
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(std::bit_cast<uint64_t>(world.TerrainRadius({})),
              std::bit_cast<uint64_t>(terrain::TerrainRadius(hills, {})));
  }
  world.ConfigureTerrain(Relief(kDorvakFlat));
  EXPECT_EQ(world.TerrainRadius(place), terrain::TerrainRadius(Relief(kDorvakFlat), place));
  EXPECT_NE(world.TerrainRadius(place), hills_m);
}

// The program asks the library the module loads, whose settings are the process's: a world
// configured before another asks it no longer, and keeps answering for its own relief.
TEST(Terrain, AWorldKeepsItsReliefAfterAnotherConfiguresTheLibrary) {
  const VECTOR3 place = td::VecScale(Dir(0.3, 0.2), kR);
  DorvakConfig hills = Relief(kDorvakHills);
  hills.amplitude_m = 5.0;
  const DorvakConfig flat = Relief(kDorvakFlat);
  sim::World first;
  first.ConfigureTerrain(hills);
  EXPECT_EQ(first.TerrainRadius(place), terrain::TerrainRadius(hills, place));
  {
    sim::World second;
    second.ConfigureTerrain(flat);
    EXPECT_EQ(second.TerrainRadius(place), terrain::TerrainRadius(flat, place));
    EXPECT_EQ(first.TerrainRadius(place), terrain::TerrainRadius(hills, place));
  }
  EXPECT_EQ(first.TerrainRadius(place), terrain::TerrainRadius(hills, place));
}

// The library keeps the answers of a step in the order asked, for the module's questions of
// the same vessels. Asked in another order, about fewer or other places, or after the relief
// has changed, the module still gets the relief's own answer.
TEST(Terrain, AnswersKeptInOrderAnswerOnlyTheVeryPlaceAsked) {
  DorvakConfig hills = Relief(kDorvakHills);
  hills.amplitude_m = 5.0;
  const DorvakConfig flat = Relief(kDorvakFlat);
  const VECTOR3 a = td::VecScale(Dir(0.3, 0.2), kR), b = td::VecScale(Dir(0.3, 0.21), kR),
                c = td::VecScale(Dir(0.31, 0.2), kR);
  const auto order = std::make_unique<terrain::AnswersInOrder>();
  const auto module_asks = [&order](const DorvakConfig &relief, const VECTOR3 &place) {
    const double radius_m = order->ModuleRadius(
        place, [&relief](const VECTOR3 &pos) { return terrain::TerrainRadius(relief, pos); });
    EXPECT_EQ(radius_m, terrain::TerrainRadius(relief, place));
  };
  order->StepBegins();
  order->NoteHostAnswer(a, terrain::TerrainRadius(hills, a));
  order->NoteHostAnswer(b, terrain::TerrainRadius(hills, b));
  for (const VECTOR3 &place : {a, c, b}) module_asks(hills, place);
  order->StepBegins();
  order->NoteHostAnswer(c, terrain::TerrainRadius(hills, c));
  for (const VECTOR3 &place : {b, a, c, a}) module_asks(hills, place);
  order->Forget();
  order->StepBegins();
  for (const VECTOR3 &place : {b, a}) module_asks(flat, place);
}
