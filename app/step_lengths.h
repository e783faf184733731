// The lengths of the host's steps: step_s, or drawn within +- a jitter of it, times the time
// acceleration. The draws come from a generator of our own and plain arithmetic, so that a seed
// gives the same steps on every platform and standard library.
#pragma once

#include <cstdint>

namespace app {

class StepLengths {
 public:
  StepLengths(double step_s, double jitter_s, uint64_t seed);
  // The next step's length.
  double Next();
  // Every step from now on is factor times as long.
  void SetTimeAcceleration(double factor) { factor_ = factor; }

 private:
  double step_s_;
  double jitter_s_;
  double factor_ = 1.0;
  uint64_t state_;
};

}  // namespace app
