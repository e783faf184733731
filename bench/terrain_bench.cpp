// The terrain query as the module makes it, through the bound library function, for each
// relief the terrain library offers.
#include <benchmark/benchmark.h>

#include "bench/fleet.h"
#include "math/vector.h"
#include "module/test_access.h"

namespace tdbench {

namespace {

constexpr double kMoonRadius_m = 1737400.0;

void TerrainQuery(benchmark::State &state, int relief) {
  Fleet fleet(Situation::kFlight, 1);
  DorvakConfig config{};
  config.body_radius_m = kMoonRadius_m;
  config.relief = relief;
  config.amplitude_m = 5.0;
  config.wavelength_m = 100.0;
  config.slope_rad = 0.1;
  config.crater_radius_m = 500.0;
  config.crater_depth_m = 20.0;
  fleet.World().ConfigureTerrain(config);
  // Places a few metres apart near the reference point, so the crater and the hills are
  // asked where they have shape.
  VECTOR3 places[64];
  for (int i = 0; i < 64; ++i) places[i] = td::Vec3(kMoonRadius_m, 3.0 * i, -2.0 * i);
  int i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(td::test_access::TerrainFunction()(places[i]));
    i = (i + 1) & 63;
  }
}
BENCHMARK_CAPTURE(TerrainQuery, flat, kDorvakFlat)->Name("terrain/flat");
BENCHMARK_CAPTURE(TerrainQuery, hills, kDorvakHills)->Name("terrain/hills");
BENCHMARK_CAPTURE(TerrainQuery, slope, kDorvakSlope)->Name("terrain/slope");
BENCHMARK_CAPTURE(TerrainQuery, crater, kDorvakCrater)->Name("terrain/crater");
BENCHMARK_CAPTURE(TerrainQuery, nan, kDorvakNaN)->Name("terrain/nan");

}  // namespace

}  // namespace tdbench
