#include "app/run/step_lengths.h"

namespace app {

namespace {

// splitmix64: one 64-bit state, a fixed sequence for a seed everywhere.
uint64_t SplitMix64(uint64_t &state) {
  state += 0x9e3779b97f4a7c15ULL;
  uint64_t z = state;
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

}  // namespace

StepLengths::StepLengths(double step_s, double jitter_s, uint64_t seed, bool launch_steps)
    : step_s_(step_s),
      jitter_s_(jitter_s),
      state_(seed),
      launch_left_(launch_steps ? kLaunchSteps : 0) {}

double StepLengths::Next() {
  if (launch_left_ > 0) {
    --launch_left_;
    return kLaunchStep_s * factor_;
  }
  if (jitter_s_ == 0.0) return step_s_ * factor_;
  // 53 random bits: a uniform number in [0, 1) that every platform rounds alike.
  const double u = static_cast<double>(SplitMix64(state_) >> 11) * 0x1.0p-53;
  return (step_s_ + jitter_s_ * (2.0 * u - 1.0)) * factor_;
}

}  // namespace app
