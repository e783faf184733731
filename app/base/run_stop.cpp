#include "app/base/run_stop.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

#include "app/base/output_file.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace app {

namespace {

volatile std::sig_atomic_t g_signal = 0;  // the first one
volatile std::sig_atomic_t g_last = 0;
volatile std::sig_atomic_t g_count = 0;
volatile std::sig_atomic_t g_loading = 1;
volatile std::sig_atomic_t g_child_watched = 0;
std::string g_reason;
#ifdef SIGHUP
constexpr int kHangUp = SIGHUP;
#else
constexpr int kHangUp = -1;
#endif
int g_status = 0;

// Only calls that are safe in a signal handler.
void SayInHandler(const char *text) {
#ifndef _WIN32
  const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
  static_cast<void>(ignored);
#else
  static_cast<void>(text);
#endif
}

extern "C" void OnStopSignal(int signal) {
  g_last = signal;
  g_count = g_count + 1;
  if (g_loading) {
    SayInHandler(signal == SIGINT    ? "touchdown-sim: SIGINT while loading; nothing was written\n"
                 : signal == SIGTERM ? "touchdown-sim: SIGTERM while loading; nothing was written\n"
                 : signal == kHangUp
                     ? "touchdown-sim: SIGHUP while loading; nothing was written\n"
                     : "touchdown-sim: signal while loading; nothing was written\n");
    RemoveTemporaryFiles();
    std::_Exit(128 + signal);
  }
  // With a child running, its waiter ends the program; a third signal does not wait for it.
  if (g_signal != 0 && (g_child_watched == 0 || g_count > 2)) {
    RemoveTemporaryFiles();
    std::_Exit(128 + signal);
  }
  if (g_signal == 0) g_signal = signal;
  // Some platforms restore the default action after each signal.
  std::signal(signal, OnStopSignal);
}

}  // namespace

void InstallStopSignals() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
#ifdef SIGHUP
  std::signal(SIGHUP, OnStopSignal);
#endif
}

void LoadingDone() { g_loading = 0; }

void RequestStop(const std::string &reason, int exit_status) {
  if (g_reason.empty() && g_signal == 0) {
    g_reason = reason;
    g_status = exit_status;
  }
}

bool StopRequested() { return g_signal != 0 || !g_reason.empty(); }

bool StoppedByFault() { return !g_reason.empty(); }

std::string SignalName(int signal) {
  if (signal == SIGINT) return "SIGINT";
  if (signal == SIGTERM) return "SIGTERM";
#ifdef SIGHUP
  if (signal == SIGHUP) return "SIGHUP";
#endif
  return "signal " + std::to_string(signal);
}

std::string StopReason() {
  if (!g_reason.empty()) return g_reason;
  return g_signal != 0 ? SignalName(g_signal) : "";
}

int StopExitStatus() {
  if (!g_reason.empty()) return g_status;
  return g_signal != 0 ? 128 + g_signal : 0;
}

ChildWatch::ChildWatch() : mark_(g_count) { g_child_watched = 1; }

bool ChildWatch::GiveUp() const {
  if (g_count == mark_) return false;
  return g_count >= 2 || g_last == SIGINT;
}
ChildWatch::~ChildWatch() { g_child_watched = 0; }

int SignalCount() { return g_count; }
int LastSignal() { return g_last; }

}  // namespace app
