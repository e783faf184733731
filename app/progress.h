// The progress line of a long run on a terminal: simulated time, the share done, the speed
// over real time and the time left, redrawn in place a few times a second and cleared at the
// end. The clock is read only every so many steps, as many as a few hundredths of a second
// take, so that the line costs the run nothing that shows.
#pragma once

#include <chrono>
#include <cstdio>
#include <string>

#include "app/observer.h"

namespace app {

// Whether stderr is a terminal, where a line redrawn in place makes sense.
bool StderrIsTerminal();

class Progress : public StepObserver {
 public:
  Progress(std::FILE *out, long long steps, double step_s);

  void OnStart(const StepContext &ctx) override;
  void AfterPostStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

 private:
  using Clock = std::chrono::steady_clock;
  void Draw(int64_t step, Clock::time_point now);

  std::FILE *out_;
  long long steps_;
  double step_s_;
  Clock::time_point start_, last_check_, last_draw_;
  int64_t check_every_ = 1;  // steps between clock reads
  int64_t next_check_ = 1;
  size_t drawn_ = 0;  // length of the line on screen
};

}  // namespace app
