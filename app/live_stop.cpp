#include "app/live_stop.h"

#include <atomic>
#include <csignal>

namespace app {

namespace {

std::atomic<bool> g_stop{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

void OnSignal(int) { g_stop.store(true); }

struct sigaction g_previous_int, g_previous_term;

}  // namespace

LiveStopSignals::LiveStopSignals() {
  g_stop.store(false);
  struct sigaction action {};
  action.sa_handler = &OnSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &g_previous_int);
  sigaction(SIGTERM, &action, &g_previous_term);
}

LiveStopSignals::~LiveStopSignals() {
  sigaction(SIGINT, &g_previous_int, nullptr);
  sigaction(SIGTERM, &g_previous_term, nullptr);
}

bool LiveStopSignals::Requested() { return g_stop.load(); }

}  // namespace app
