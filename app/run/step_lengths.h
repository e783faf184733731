// The lengths of the host's steps: step_s, or drawn within +- a jitter of it, times the time
// acceleration. The draws come from a generator of our own and plain arithmetic, so that a seed
// gives the same steps on every platform and standard library.
#pragma once

#include <cstdint>

#include "app/scenario/scenario.h"

namespace app {

class StepLengths {
 public:
  // With launch_steps, the first kLaunchSteps steps take kLaunchStep_s, as the host's code
  // runs a session's first frames; the draws begin after them.
  StepLengths(double step_s, double jitter_s, uint64_t seed, bool launch_steps = false);
  // The next step's length.
  double Next();
  // Every step from now on is factor times as long.
  void SetTimeAcceleration(double factor) { factor_ = factor; }

 private:
  double step_s_;
  double jitter_s_;
  double factor_ = 1.0;
  uint64_t state_;
  int launch_left_;
};

}  // namespace app
