// The progress line of a long run on a terminal: simulated time, the share done, the speed
// over real time and the time left, redrawn in place a few times a second and cleared at the
// end. The clock is read only every so many steps, as many as a few hundredths of a second
// take, so that the line costs the run nothing that shows. Simulated time is the world's
// clock: steps of changing length are no multiple of step_s, and a run whose steps vary is
// as long as its clock says.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "app/run/observer.h"
#include "app/scenario/scenario.h"

namespace app {

class Progress : public StepObserver {
 public:
  Progress(std::FILE *out, const Scenario &scenario);

  void OnStart(const StepContext &ctx) override;
  void AfterStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

  // The line as it reads after the latest step seen, wall_s seconds into the run.
  std::string Line(double wall_s) const;

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(Clock::time_point now);

  std::FILE *out_;
  long long steps_;
  double total_s_;  // the run's length by the clock
  bool by_clock_;   // done when the clock reaches total_s_, not after steps_ steps
  double start_s_ = 0.0;
  int64_t step_ = 0;  // the latest step seen and the clock after it
  double simt_ = 0.0;
  Clock::time_point start_, last_check_, last_draw_;
  int64_t check_every_ = 1;  // steps between clock reads
  int64_t next_check_ = 1;
  size_t drawn_ = 0;  // length of the line on screen
};

}  // namespace app
