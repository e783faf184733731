// The long run: a hundred vessels on rolling hills for an hour of simulated time, landing,
// resting, walking and driving in circles, taking off and landing again, released by key
// and anchored anew. Over the run the process's memory must not grow (peak resident size at
// the sixth of the run and at its end within 1 %), and every anchored lander's touchdown
// plane must still lie within 1 mm of the terrain.
//
//   long_run_tests --minutes=60    the full hour (about a minute of wall time, optimised)
//   long_run_tests                 six minutes: the variant CTest runs
//
// Figures are printed on stdout; docs/robustness.md keeps those of the full run.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include "module/key_table.h"
#include "sim/world_impl.h"
#include "support/world_fixture.h"

namespace {

using td::Vec3;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

double g_minutes = 6.0;

constexpr double kStep_s = 0.02;
constexpr int kLanders = 97;  // with the carrier, a walker and a car: a hundred vessels
constexpr size_t kPointRoom = 20000;

// A field of /proc/self/status, in kB.
long StatusKb(const char *field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  const size_t length = std::strlen(field);
  while (std::getline(status, line)) {
    if (line.compare(0, length, field) == 0) return std::atol(line.c_str() + length + 1);
  }
  return -1;
}

bool UnderAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#endif
#endif
  return false;
}

struct Checkpoint {
  double t_s = 0.0;
  long peak_kB = 0;
  long resident_kB = 0;
  double worst_clearance_m = 0.0;  // of the landers anchored then, by size
  int anchored = 0;
};

class LongRun : public ModuleWorld {
 protected:
  void Build() {
    // Wholly above the mean radius: the host's own smooth sphere would hold a vessel over
    // terrain lying below it, out of contact.
    DorvakConfig hills = tdtest::FlatTerrain(2.5);
    hills.relief = kDorvakHills;
    hills.amplitude_m = 2.0;
    hills.wavelength_m = 200.0;
    AddCarrier();
    Start(sim::TerrainMode::kPresent, hills);
    world.SetRecording(false);
    world.EnablePhysics(true);
    // The host keeps every attachment point ever made: each anchoring makes two, by design,
    // and they are counted below. Their record is made resident up front, so that the
    // resident size shows whether anything else grows.
    world.ReserveAttachmentPoints(kPointRoom);

    for (int i = 0; i < kLanders; ++i) {
      // Over the mean radius; the hills reach 2 m.
      const int row = i / 10;
      VesselPlacement p = At("lander" + std::to_string(i), 2e-5 * (i % 10) - 1e-4,
                             2e-5 * row - 1e-4, 2.5 + 0.2 * i);
      p.yaw_rad = 0.3 * i;
      p.vel_global = Vec3(-0.5, 0.0, 0.0);
      landers.push_back(AddVessel(p));
    }
    walker = Falling("walker", -3e-4, 0.0, 2.5, "UMmu");  // the hills reach 2 m
    car = Falling("car", 3e-4, 0.0, 2.5, "UCGO\\Cars\\Rover");
  }

  void Hold(int vk, bool down) { down ? world.KeyDown(vk) : world.KeyUp(vk); }

  // What happens at simulated time t: every minute the walker (even minutes) or the car
  // (odd minutes) goes round in circles for 20 s and backs up for 5 s; three landers take off
  // for a second every two minutes; G releases everything at half time.
  void Schedule(long step, double total_s) {
    const long per_minute = std::lround(60.0 / kStep_s);
    const long in_minute = step % per_minute;
    const long second = std::lround(1.0 / kStep_s);
    const bool walker_minute = (step / per_minute) % 2 == 0;
    if (in_minute == 0) world.SetFocus(walker_minute ? walker : car);
    const int forward = walker_minute ? td::kKeyW : td::kKeyNext;
    const int turn = walker_minute ? td::kKeyD : td::kKeyLeft;
    if (in_minute == 5 * second || in_minute == 25 * second) {
      Hold(forward, in_minute == 5 * second);
      Hold(turn, in_minute == 5 * second);
    }
    if (in_minute == 30 * second || in_minute == 35 * second) {
      Hold(td::kKeyS, in_minute == 30 * second);
    }

    const long in_cycle = step % (2 * per_minute);
    for (int i = 0; i < 3; ++i) {
      sim::VesselRecord &v = *world.Vessel(landers[i]);
      if (in_cycle == 40 * second) v.thrust_local_N = Vec3(0, 5000.0, 0);
      if (in_cycle == 41 * second) v.thrust_local_N = Vec3(0, 0, 0);
    }
    const long release = std::lround(total_s / 2.0 / kStep_s) + 50 * second;
    if (step == release || step == release + second) Hold(td::kKeyG, step == release);
  }

  Checkpoint Measure() const {
    Checkpoint c;
    c.t_s = world.SimTime();
    c.peak_kB = StatusKb("VmHWM:");
    c.resident_kB = StatusKb("VmRSS:");
    for (OBJHANDLE l : landers) {
      if (!Anchored(l)) continue;
      ++c.anchored;
      const double h = std::fabs(Clearance(l));
      if (h > c.worst_clearance_m) c.worst_clearance_m = h;
    }
    return c;
  }

  std::vector<OBJHANDLE> landers;
  OBJHANDLE walker = nullptr;
  OBJHANDLE car = nullptr;
};

TEST_F(LongRun, AHundredVesselsKeepTheirMemoryAndTheirPlaces) {
  Build();
  const double total_s = g_minutes * 60.0;
  const long steps = std::lround(total_s / kStep_s);
  const long early = steps / 6;  // ten minutes of the hour
  Checkpoint at_early;
  for (long step = 0; step < steps; ++step) {
    Schedule(step, total_s);
    Step(kStep_s);
    if (step + 1 == early) at_early = Measure();
  }
  const Checkpoint at_end = Measure();
  const size_t points = world.AttachmentPointCount();
  ASSERT_LE(points, kPointRoom);

  std::printf(
      "long run: %.1f min simulated, %ld steps, %d vessels, %zu attachment points made "
      "(%zu kB of the host's record)\n",
      total_s / 60.0, steps, kLanders + 3, points, points * sizeof(sim::AttachmentRecord) / 1024);
  for (const Checkpoint &c : {at_early, at_end}) {
    std::printf(
        "  t = %6.1f min: peak resident %ld kB, resident %ld kB, %d landers anchored, "
        "worst |clearance| %.3g m\n",
        c.t_s / 60.0, c.peak_kB, c.resident_kB, c.anchored, c.worst_clearance_m);
    EXPECT_EQ(c.anchored, kLanders);
    EXPECT_LT(c.worst_clearance_m, 1e-3);
  }
  EXPECT_TRUE(Anchored(walker));
  EXPECT_TRUE(Anchored(car));
  // AddressSanitizer keeps freed memory in quarantine: its resident size says nothing here.
  if (!UnderAddressSanitizer()) {
    EXPECT_LE(at_end.peak_kB, at_early.peak_kB * 101 / 100);
  }
}

}  // namespace

int main(int argc, char **argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--minutes=", 10) == 0) g_minutes = std::atof(argv[i] + 10);
  }
  return RUN_ALL_TESTS();
}
