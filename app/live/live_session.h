// touchdown-sim --live: the server and the page outlive the runs (a restart is a new run of
// the same scenario); each run is paced to the wall clock, and between its steps the page's
// keys reach the module's keyboard hook and the host's controls act, on the simulation
// thread.
#pragma once

#include <chrono>
#include <memory>
#include <set>
#include <vector>

#include "app/live/live.h"
#include "app/live/live_channel.h"
#include "app/live/live_feed.h"
#include "app/live/live_inbox.h"
#include "app/live/live_recording.h"
#include "app/live/live_server.h"
#include "app/run/runner.h"

namespace app {

class LiveSession : public LiveHooks {
 public:
  // Starts the server and prints its address. Throws std::runtime_error when the page's
  // script is missing or the port cannot be had.
  explicit LiveSession(const LiveOptions &options);

  Scenario Endless(const Scenario &scenario) const override;
  void AddObservers(const Scenario &scenario, std::vector<StepObserver *> &observers) override;
  void Drive(Runner &runner, sim::World &world, Roster &roster) override;

  // After a run: whether the page asked for the scenario again.
  bool RestartRequested() const { return restart_; }

 private:
  using Clock = std::chrono::steady_clock;

  bool BetweenSteps(double now_s);
  void Apply(const LiveInput &input, double now_s);
  void ApplyKey(const LiveInput &input, double now_s);
  void Focus(const std::string &vessel, double now_s);
  void Throttle(int step, double now_s);
  // An action of the page's, which the recording keeps.
  void Act(const Action &action, double now_s);
  void Key(KeyAction key, double pressed_ms, double now_s);

  LiveOptions options_;
  LiveChannel channel_;
  LiveInbox inbox_;
  std::unique_ptr<LiveServer> server_;

  // The current run.
  int runs_ = 0;
  LiveStatus status_;
  std::unique_ptr<LiveFeed> feed_;
  std::unique_ptr<LiveRecording> recording_;
  Runner *runner_ = nullptr;
  sim::World *world_ = nullptr;
  Roster *roster_ = nullptr;
  double step_s_ = 0.01;
  bool restart_ = false;
  Clock::time_point due_{};
  std::set<int> pressed_in_gap_;     // a key-up for these waits for the next gap
  std::vector<LiveInput> deferred_;  // keys that wait for the next gap, in order
  double awaiting_step_ms_ = 0.0;    // a key's page time, until the step after it ends
};

}  // namespace app
