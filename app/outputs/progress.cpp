#include "app/outputs/progress.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#include "app/base/text_format.h"

#ifndef _WIN32
#include <sys/ioctl.h>
#endif

namespace app {

namespace {

constexpr auto kCheckInterval = std::chrono::milliseconds(20);
constexpr auto kDrawInterval = std::chrono::milliseconds(250);

double Seconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

// The terminal's width in columns, read at every drawing so that a resized window is
// followed: a line that reached the last column would wrap, and the next "\r" would go back
// to the start of its second half only, leaving the first on the screen for good.
size_t Columns(std::FILE *out) {
#ifndef _WIN32
  winsize size{};
  if (ioctl(fileno(out), TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
#else
  (void)out;
#endif
  if (const char *columns = std::getenv("COLUMNS")) {
    const long n = std::strtol(columns, nullptr, 10);
    if (n > 0 && n < 10000) return static_cast<size_t>(n);
  }
  return 80;
}

}  // namespace

Progress::Progress(std::FILE *out, const Scenario &scenario)
    : out_(out),
      steps_(scenario.steps),
      total_s_(scenario.steps_vary && scenario.run_s > 0.0
                   ? scenario.run_s
                   : static_cast<double>(scenario.steps) * scenario.step_s),
      by_clock_(scenario.steps_vary && scenario.run_s > 0.0) {}

void Progress::OnStart(const StepContext &ctx) {
  start_ = last_check_ = last_draw_ = Clock::now();
  start_s_ = simt_ = ctx.simt;
}

void Progress::AfterStep(const StepContext &ctx) {
  step_ = ctx.step;
  simt_ = ctx.simt;
  if (ctx.step < next_check_) return;
  const Clock::time_point now = Clock::now();
  // As many steps between reads as the last ones took a check interval for.
  if (now - last_check_ < kCheckInterval / 2) {
    check_every_ *= 2;
  } else if (now - last_check_ > kCheckInterval * 2 && check_every_ > 1) {
    check_every_ /= 2;
  }
  last_check_ = now;
  next_check_ = ctx.step + check_every_;
  if (now - last_draw_ >= kDrawInterval) Draw(now);
}

std::string Progress::Line(double wall_s) const {
  const double simulated_s = simt_ - start_s_;
  double done = 1.0;
  if (by_clock_) {
    done = std::min(1.0, simulated_s / total_s_);
  } else if (steps_ > 0) {
    done = static_cast<double>(step_) / static_cast<double>(steps_);
  }
  const double left_s = done > 0.0 ? wall_s * (1.0 - done) / done : 0.0;
  const double speed = wall_s > 0.0 ? simulated_s / wall_s : 0.0;
  return FormatFixed(simulated_s, 1) + " of " + FormatFixed(total_s_, 1) + " s simulated (" +
         FormatFixed(100.0 * done, 1) + " %), " + FormatFixed(speed, 0) + "x real time, " +
         FormatFixed(left_s, 0) + " s left";
}

void Progress::Draw(Clock::time_point now) {
  last_draw_ = now;
  std::string line = Line(Seconds(now - start_));
  // One column short of the width, where the cursor stays on the line.
  const size_t fits = Columns(out_) - 1;
  const size_t length = std::min(line.size(), fits);
  line.resize(length);
  // Spaces cover what is left of a longer line before: no terminal control codes needed.
  const size_t cover = std::min(drawn_, fits);
  std::fprintf(out_, "\r%s%*s", line.c_str(), static_cast<int>(cover > length ? cover - length : 0),
               "");
  std::fflush(out_);
  drawn_ = length;
}

void Progress::OnFinish(const StepContext &) {
  if (drawn_ == 0) return;
  std::fprintf(out_, "\r%*s\r", static_cast<int>(drawn_), "");
  std::fflush(out_);
  drawn_ = 0;
}

}  // namespace app
