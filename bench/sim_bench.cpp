// touchdown-sim end to end: a scenario read from its text, its world built and run by the
// program's own runner with its account, the module linked in instead of loaded. No output
// files: the cost of the run itself, as a user waits for it with none asked for. Times are
// the CPU time of the run's thread, which another busy program on the machine moves far less
// than the wall clock (the run is single-threaded: on an idle machine the two agree).
//
// sim/vessels/<n>: a fleet of n vessels (the carrier among them) resting on hills, each
//   lander held in contact by a little thrust and never anchored; vessel-steps per second.
// sim/release_every_step/<s>: two landers on a 15 degree slope while the focus vessel stands
//   a degree away, so that the module releases both in every step and they are anchored
//   again in the next: s simulated seconds; steps per second over the first and the last
//   tenth of the run, and the ratio of the two (1 when the cost does not grow with time).
#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdio>
#include <string>

#include "app/account/account.h"
#include "app/run/runner.h"
#include "app/scenario/scenario_parse.h"
#include "app/world/scenario_world.h"
#include "math/units.h"
#include "module/entry_points.h"
#include "module/vessel_class.h"

namespace tdbench {

namespace {

double CpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

constexpr double kStep_s = 0.01;
constexpr double kLanderThrustUp_N = 1500.0 * 1.62 / 20.0;
constexpr double kMetresPerDegree = 1737400.0 * td::kRadPerDeg;

std::string Header(double duration_s, const char *focus, const char *terrain) {
  char text[512];
  std::snprintf(text, sizeof text,
                "[simulation]\nstep_s = %g\nduration_s = %g\nfocus = \"%s\"\n\n[terrain]\n%s\n"
                "[[body]]\nname = \"Moon\"\nradius_m = 1737400.0\nmass_kg = 7.342e22\n\n"
                "[[vessel]]\nname = \"surface\"\nclass = \"DynamicPlanet\"\naltitude_m = 0.0\n"
                "fixed_to_body = true\n",
                kStep_s, duration_s, focus, terrain);
  return text;
}

std::string Vessel(const std::string &name, const char *class_name, double lat_deg, double lon_deg,
                   double thrust_up_N = 0.0) {
  char text[320];
  std::snprintf(text, sizeof text,
                "\n[[vessel]]\nname = \"%s\"\nclass = \"%s\"\nlat_deg = %.7f\nlon_deg = %.7f\n"
                "height_over_terrain_m = 0.0\nmass_kg = 1500.0\ncog_elev_m = 1.2\n"
                "thrust_N = [0.0, %g, 0.0]\n",
                name.c_str(), class_name, lat_deg, lon_deg, thrust_up_N);
  return text;
}

// n vessels in all: the carrier and a square grid of landers 18 m apart. Each lander's
// engine pushes up with a twentieth of its weight, so it rests on the terrain, in contact
// and braked in every step, but is never anchored: every lander asks the same of the module
// and the host whether there are a hundred or ten thousand (with resting ones, a hundred
// would all hang on the carrier and ten thousand would nearly all wait for a slot).
std::string FleetScenario(int vessels, double duration_s) {
  std::string text = Header(duration_s, "lander0",
                            "relief = \"hills\"\namplitude_m = 8.0\nwavelength_m = 120.0\n");
  int side = 1;
  while (side * side < vessels - 1) ++side;
  const double spacing_deg = 18.0 / kMetresPerDegree;
  for (int i = 0; i < vessels - 1; ++i) {
    const int row = i / side;
    text += Vessel("lander" + std::to_string(i), "ShuttlePB", row * spacing_deg,
                   (i % side + 1) * spacing_deg, kLanderThrustUp_N);
  }
  return text;
}

std::string ReleaseScenario(double duration_s) {
  std::string text = Header(duration_s, "scout",
                            "relief = \"slope\"\nslope_deg = 15.0\nazimuth_deg = 90.0\n"
                            "ref_lat_deg = 0.0\nref_lon_deg = 0.0\n");
  text += Vessel("lander1", "ShuttlePB", 0.0001, 0.0002);
  text += Vessel("lander2", "ShuttlePB", -0.0003, 0.0004);
  text += Vessel("scout", td::kWalkerClass, 1.0, 0.0);
  return text;
}

// The CPU clock at the start, at the ends of the first and the last tenth of the steps, and
// at the end.
class TenthClock : public app::StepObserver {
 public:
  explicit TenthClock(long long steps) : tenth_(steps / 10), steps_(steps) {}
  void OnStart(const app::StepContext &) override { start_ = CpuSeconds(); }
  void AfterStep(const app::StepContext &ctx) override {
    if (ctx.step == tenth_) first_end_ = CpuSeconds();
    if (ctx.step == steps_ - tenth_) last_start_ = CpuSeconds();
    if (ctx.step == steps_) end_ = CpuSeconds();
  }
  double Seconds() const { return end_ - start_; }
  double FirstStepsPerSecond() const { return Rate(start_, first_end_); }
  double LastStepsPerSecond() const { return Rate(last_start_, end_); }

 private:
  double Rate(double from_s, double to_s) const {
    return static_cast<double>(tenth_) / (to_s - from_s);
  }
  long long tenth_, steps_;
  double start_ = 0, first_end_ = 0, last_start_ = 0, end_ = 0;
};

struct Measured {
  app::RunTotals totals;
  double cpu_s;  // the steps, InitModule not counted
  double first_tenth_steps_per_s;
  double last_tenth_steps_per_s;
};

Measured RunScenario(const std::string &text) {
  const app::Scenario scenario = app::ParseScenarioText(text, "<bench>");
  sim::World world;
  app::BuildWorld(scenario, world);
  app::Roster roster = app::RosterOf(world);
  world.SetRecording(false);  // as touchdown-sim runs without an event log or pictures
  app::Account account(scenario);
  TenthClock tenths(scenario.steps);
  const HINSTANCE instance = reinterpret_cast<HINSTANCE>(0x7d00);
  app::Runner runner(scenario, world, roster,
                     {&InitModule, &ExitModule, &GetModuleVersion, nullptr, &opcPreStep, nullptr,
                      &opcCloseRenderViewport},
                     instance, {&account, &tenths});
  const app::RunTotals totals = runner.Run();
  Measured m{totals, tenths.Seconds(), tenths.FirstStepsPerSecond(), tenths.LastStepsPerSecond()};
  ExitModule(instance);
  return m;
}

void Fleet(benchmark::State &state, int vessels, double duration_s) {
  const std::string text = FleetScenario(vessels, duration_s);
  for (auto _ : state) {
    const Measured m = RunScenario(text);
    state.SetIterationTime(m.cpu_s);
    state.counters["vessel_steps_per_s"] = static_cast<double>(m.totals.steps) * vessels / m.cpu_s;
    state.counters["x_real_time"] = m.totals.simulated_s / m.cpu_s;
  }
}

void ReleaseEveryStep(benchmark::State &state, double duration_s) {
  const std::string text = ReleaseScenario(duration_s);
  for (auto _ : state) {
    const Measured m = RunScenario(text);
    state.SetIterationTime(m.cpu_s);
    state.counters["steps_per_s"] = static_cast<double>(m.totals.steps) / m.cpu_s;
    state.counters["first_tenth_steps_per_s"] = m.first_tenth_steps_per_s;
    state.counters["last_tenth_steps_per_s"] = m.last_tenth_steps_per_s;
    state.counters["last_over_first"] = m.last_tenth_steps_per_s / m.first_tenth_steps_per_s;
  }
}

// Each a whole run, timed once: about two million vessel-steps per fleet.
int Register() {
  for (const auto &[vessels, duration_s] : {std::pair{100, 200.0}, {1000, 20.0}, {10000, 2.0}}) {
    benchmark::RegisterBenchmark(("sim/vessels/" + std::to_string(vessels)).c_str(), Fleet, vessels,
                                 duration_s)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  for (const double duration_s : {100.0, 200.0, 300.0, 3600.0}) {
    benchmark::RegisterBenchmark(
        ("sim/release_every_step/" + std::to_string(static_cast<int>(duration_s)) + "s").c_str(),
        ReleaseEveryStep, duration_s)
        ->UseManualTime()
        ->Iterations(1)
        ->Unit(benchmark::kMillisecond);
  }
  return 0;
}

const int kRegistered = Register();

}  // namespace

}  // namespace tdbench
