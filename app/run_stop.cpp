#include "app/run_stop.h"

#include <csignal>
#include <cstdlib>

#include "app/output_file.h"

namespace app {

namespace {

volatile std::sig_atomic_t g_signal = 0;
std::string g_reason;
int g_status = 0;

extern "C" void OnStopSignal(int signal) {
  if (g_signal != 0) {
    RemoveTemporaryFiles();
    std::_Exit(128 + signal);
  }
  g_signal = signal;
  // Some platforms restore the default action after each signal.
  std::signal(signal, OnStopSignal);
}

}  // namespace

void InstallStopSignals() {
  std::signal(SIGINT, OnStopSignal);
  std::signal(SIGTERM, OnStopSignal);
}

void RequestStop(const std::string &reason, int exit_status) {
  if (g_reason.empty() && g_signal == 0) {
    g_reason = reason;
    g_status = exit_status;
  }
}

bool StopRequested() { return g_signal != 0 || !g_reason.empty(); }

std::string StopReason() {
  if (!g_reason.empty()) return g_reason;
  if (g_signal == SIGINT) return "SIGINT";
  if (g_signal == SIGTERM) return "SIGTERM";
  return "";
}

int StopExitStatus() {
  if (!g_reason.empty()) return g_status;
  return g_signal != 0 ? 128 + g_signal : 0;
}

}  // namespace app
