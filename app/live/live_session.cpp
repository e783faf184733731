#include "app/live/live_session.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>

#include "app/base/run_stop.h"
#include "app/live/live_controls.h"
#include "app/live/live_page.h"
#include "app/scenario/default_scenario.h"

namespace app {

namespace {

// Behind the wall clock by more than this (a slow step, a debugger), the run does not race
// to catch up: it goes on from now.
constexpr auto kMaxLag = std::chrono::milliseconds(250);
constexpr auto kPausedPoll = std::chrono::milliseconds(100);

double EpochMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

LiveSession::LiveSession(const LiveOptions &options) : options_(options) {
  server_ = std::make_unique<LiveServer>(LivePage(), channel_, inbox_, options.port);
  std::printf("live: open %s in a browser; Ctrl-C ends the run\n", server_->Url().c_str());
  std::fflush(stdout);
  status_.rate = options.rate;
}

Scenario LiveSession::Endless(const Scenario &scenario) const {
  Scenario endless = scenario;
  endless.steps = kMaxSteps;
  // Keys repeat as the browser repeats them, not by the scenario's timing.
  endless.repeat_delay_s = std::numeric_limits<double>::infinity();
  return endless;
}

void LiveSession::AddObservers(const Scenario &scenario, std::vector<StepObserver *> &observers) {
  restart_ = false;
  status_.paused = false;
  step_s_ = scenario.step_s;
  feed_ = std::make_unique<LiveFeed>(scenario, ++runs_, status_, channel_);
  observers.insert(observers.begin(), feed_.get());
  recording_.reset();
  if (!options_.record_scenario.empty()) {
    std::string text = kDefaultScenarioText;
    if (!options_.scenario.empty()) {
      std::ifstream in(options_.scenario, std::ios::binary);
      std::ostringstream file;
      file << in.rdbuf();
      text = file.str();
    }
    recording_ = std::make_unique<LiveRecording>(options_.record_scenario, text, scenario);
    observers.push_back(recording_.get());
  }
}

void LiveSession::Drive(Runner &runner, sim::World &world, Roster &roster) {
  runner_ = &runner;
  world_ = &world;
  roster_ = &roster;
  due_ = Clock::now();
  deferred_.clear();
  runner.SetBetweenSteps([this](double now_s) { return BetweenSteps(now_s); });
}

bool LiveSession::BetweenSteps(double now_s) {
  if (awaiting_step_ms_ > 0.0) {
    status_.key_to_step_ms = EpochMs() - awaiting_step_ms_;
    awaiting_step_ms_ = 0.0;
  }
  pressed_in_gap_.clear();
  for (const LiveInput &input : std::exchange(deferred_, {})) Apply(input, now_s);
  // Inputs are taken in every gap, also when the run is behind the clock and does not wait.
  bool paused_here = false;
  for (;;) {
    if (StopRequested() || restart_) return false;
    const auto now = Clock::now();
    const auto until = status_.paused ? now + kPausedPoll : std::max(now, due_);
    for (const LiveInput &input : inbox_.Take(until)) Apply(input, now_s);
    paused_here = paused_here || status_.paused;
    if (!status_.paused && Clock::now() >= due_ && !restart_) break;
  }
  // After a pause the clock goes on from now, not from before it.
  const auto now = Clock::now();
  if (paused_here) due_ = now;
  const auto step = std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(step_s_ / options_.rate));
  due_ = due_ + step < now - kMaxLag ? now : due_ + step;
  status_.throttle = ThrottleOf(*world_);
  return true;
}

void LiveSession::Key(KeyAction key, double pressed_ms, double now_s) {
  if (recording_) recording_->SetFromPage(true);
  runner_->Act(key, now_s);
  if (recording_) recording_->SetFromPage(false);
  if (key.down && !key.repeat) {
    pressed_in_gap_.insert(key.vk);
    if (pressed_ms > 0.0) {
      status_.key_to_hook_ms = EpochMs() - pressed_ms;
      awaiting_step_ms_ = pressed_ms;
    }
  }
}

void LiveSession::Act(const Action &action, double now_s) {
  if (recording_) recording_->SetFromPage(true);
  runner_->Act(action, now_s);
  if (recording_) recording_->SetFromPage(false);
}

void LiveSession::ApplyKey(const LiveInput &input, double now_s) {
  // The module reads its keys once a step: a key let go in the gap it was pressed in goes up
  // in the next one, and the keys after it wait too, to keep their order.
  if (!deferred_.empty() ||
      (input.kind == LiveInput::kKeyUp && pressed_in_gap_.count(input.vk) != 0)) {
    deferred_.push_back(input);
  } else if (input.kind == LiveInput::kReleaseKeys) {
    for (const int vk : runner_->HeldKeys()) Apply({LiveInput::kKeyUp, vk, {}, 0.0}, now_s);
  } else {
    Key({input.kind != LiveInput::kKeyUp, input.vk, input.kind == LiveInput::kKeyRepeat},
        input.pressed_ms, now_s);
  }
}

void LiveSession::Focus(const std::string &vessel, double now_s) {
  for (size_t i = 0; i < roster_->Entries().size(); ++i) {
    const std::string &name = roster_->Label(i).name;
    if (roster_->Entries()[i].alive && name == vessel) Act(FocusAction{name}, now_s);
  }
}

void LiveSession::Throttle(int step, double now_s) {
  if (const auto thrust = Throttled(*world_, *roster_, step)) Act(*thrust, now_s);
  status_.throttle = ThrottleOf(*world_);
  feed_->Republish();
}

void LiveSession::Apply(const LiveInput &input, double now_s) {
  switch (input.kind) {
    case LiveInput::kKeyDown:
    case LiveInput::kKeyRepeat:
    case LiveInput::kKeyUp:
    case LiveInput::kReleaseKeys:
      ApplyKey(input, now_s);
      break;
    case LiveInput::kFocus:
      Focus(input.vessel, now_s);
      break;
    case LiveInput::kFocusNext:
      if (const auto next = NextFocus(*world_, *roster_)) Act(FocusAction{*next}, now_s);
      break;
    case LiveInput::kThrottleUp:
      Throttle(1, now_s);
      break;
    case LiveInput::kThrottleDown:
      Throttle(-1, now_s);
      break;
    case LiveInput::kThrottleCut:
      Throttle(0, now_s);
      break;
    case LiveInput::kPause:
    case LiveInput::kResume:
      status_.paused = input.kind == LiveInput::kPause;
      feed_->Republish();
      break;
    case LiveInput::kRestart:
      restart_ = true;
      break;
  }
}

}  // namespace app
