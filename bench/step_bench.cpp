// opcPreStep and the contact pass over fleets of 1 to 10 000 vessels in each situation,
// and the host-call floor they are measured against. The floor is run interleaved with the
// module, block by block on the same world and in alternating order, so that both see the
// same caches and the same machine load. The counters are medians over the blocks, which a
// block cut short by the scheduler does not move: the module's and the floor's time per
// vessel-step, and x_floor, the ratio of the two within a block.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "anchor/anchor_table.h"
#include "bench/fleet.h"
#include "bench/host_call_floor.h"
#include "contact/contact_pass.h"

namespace tdbench {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFleetSizes[] = {1, 10, 100, 1000, 10000};

// Enough steps per timed block that a block covers about a thousand vessel-steps and the
// clock reads around it cost nothing that shows.
int StepsPerBlock(int vessels) { return std::max(1, 1000 / vessels); }

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

// Times `work` (one step of the module, or one contact pass) against one floor pass, block
// by block, reporting the module's time as the benchmark's own.
template <typename Work>
void MeasureAgainstFloor(benchmark::State &state, Fleet &fleet, Work work) {
  const HostCallFloor floor(fleet);
  const int block = StepsPerBlock(fleet.Size());
  std::vector<double> module_seconds, floor_seconds, ratios;
  double answers = 0.0;
  for (auto _ : state) {
    const bool floor_first = (module_seconds.size() & 1) != 0;
    const Clock::time_point t0 = Clock::now();
    if (floor_first) {
      for (int k = 0; k < block; ++k) answers += floor.Pass();
    }
    const Clock::time_point t1 = Clock::now();
    for (int k = 0; k < block; ++k) work();
    const Clock::time_point t2 = Clock::now();
    if (!floor_first) {
      for (int k = 0; k < block; ++k) answers += floor.Pass();
    }
    const Clock::time_point t3 = Clock::now();
    const double module = Seconds(t2 - t1);
    const double floor_time = floor_first ? Seconds(t1 - t0) : Seconds(t3 - t2);
    state.SetIterationTime(module);
    module_seconds.push_back(module);
    floor_seconds.push_back(floor_time);
    ratios.push_back(module / floor_time);
  }
  benchmark::DoNotOptimize(answers);
  const double per_block = static_cast<double>(block) * fleet.Size();
  state.SetItemsProcessed(
      static_cast<int64_t>(per_block * static_cast<double>(state.iterations())));
  state.counters["ns_per_vessel_step"] = 1e9 * Median(module_seconds) / per_block;
  state.counters["floor_ns"] = 1e9 * Median(floor_seconds) / per_block;
  state.counters["x_floor"] = Median(ratios);
}

void PostStep(benchmark::State &state, Situation situation, int vessels) {
  Fleet fleet(situation, vessels);
  MeasureAgainstFloor(state, fleet, [&fleet] { fleet.Step(); });
}

void ContactPass(benchmark::State &state, Situation situation, int vessels) {
  Fleet fleet(situation, vessels);
  // The carrier found by the fleet's last step stays in force between direct passes.
  MeasureAgainstFloor(state, fleet, [] { td::RunContactPass(0.0, Fleet::kStep_s, 0.0); });
}

void Floor(benchmark::State &state, Situation situation, int vessels) {
  Fleet fleet(situation, vessels);
  const HostCallFloor floor(fleet);
  double answers = 0.0;
  for (auto _ : state) answers += floor.Pass();
  benchmark::DoNotOptimize(answers);
  state.SetItemsProcessed(state.iterations() * vessels);
  state.counters["ns_per_vessel_step"] =
      benchmark::Counter(static_cast<double>(state.iterations() * vessels),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// By fleet size first, so that the worlds of 10 000 vessels, and the heap they leave
// behind, come after every smaller one.
int Register() {
  for (int n : kFleetSizes) {
    for (Situation situation : kSituations) {
      const std::string suffix = std::string(SituationName(situation)) + "/" + std::to_string(n);
      benchmark::RegisterBenchmark(("opcPreStep/" + suffix).c_str(), PostStep, situation, n)
          ->UseManualTime()
          ->Unit(benchmark::kMicrosecond);
      benchmark::RegisterBenchmark(("floor/" + suffix).c_str(), Floor, situation, n)
          ->Unit(benchmark::kMicrosecond);
      if (n == 100 || n == 1000) {
        benchmark::RegisterBenchmark(("contact_pass/" + suffix).c_str(), ContactPass, situation, n)
            ->UseManualTime()
            ->Unit(benchmark::kMicrosecond);
      }
    }
  }
  return 0;
}

const int kRegistered = Register();

}  // namespace

}  // namespace tdbench
