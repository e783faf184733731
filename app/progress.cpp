#include "app/progress.h"

#include <algorithm>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <io.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
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

bool StderrIsTerminal() {
#ifdef _WIN32
  return _isatty(_fileno(stderr)) != 0;
#else
  return isatty(fileno(stderr)) != 0;
#endif
}

Progress::Progress(std::FILE *out, long long steps, double step_s)
    : out_(out), steps_(steps), step_s_(step_s) {}

void Progress::OnStart(const StepContext &) { start_ = last_check_ = last_draw_ = Clock::now(); }

void Progress::AfterPostStep(const StepContext &ctx) {
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
  if (now - last_draw_ >= kDrawInterval) Draw(ctx.step, now);
}

void Progress::Draw(int64_t step, Clock::time_point now) {
  last_draw_ = now;
  const double wall_s = Seconds(now - start_);
  const double done = steps_ > 0 ? static_cast<double>(step) / static_cast<double>(steps_) : 1.0;
  const double simulated_s = static_cast<double>(step) * step_s_;
  const double left_s = step > 0 ? wall_s * static_cast<double>(steps_ - step) / step : 0.0;
  char line[160];
  const int n = std::snprintf(line, sizeof line,
                              "%.1f of %.1f s simulated (%.1f %%), %.0fx real time, %.0f s left",
                              simulated_s, static_cast<double>(steps_) * step_s_, 100.0 * done,
                              wall_s > 0.0 ? simulated_s / wall_s : 0.0, left_s);
  // One column short of the width, where the cursor stays on the line.
  const size_t fits = Columns(out_) - 1;
  const size_t length = std::min({static_cast<size_t>(std::max(n, 0)), sizeof line - 1, fits});
  line[length] = '\0';
  // Spaces cover what is left of a longer line before: no terminal control codes needed.
  const size_t cover = std::min(drawn_, fits);
  std::fprintf(out_, "\r%s%*s", line, static_cast<int>(cover > length ? cover - length : 0), "");
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
