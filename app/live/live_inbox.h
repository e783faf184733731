// What the live page asks of the run: keystrokes for the module and the host's own controls.
// Filled by the server's threads, emptied by the simulation thread between steps.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace app {

struct LiveInput {
  enum Kind {
    kKeyDown,
    kKeyRepeat,
    kKeyUp,
    kReleaseKeys,  // the page lost the keyboard: every held key goes up
    kFocus,        // vessel: by name
    kFocusNext,
    kThrottleUp,
    kThrottleDown,
    kThrottleCut,
    kPause,
    kResume,
    kRestart,
  } kind;
  int vk = 0;
  std::string vessel;
  double pressed_ms = 0.0;  // keys: when the page saw it, ms since the epoch; 0: unknown
};

class LiveInbox {
 public:
  void Push(LiveInput input) {
    {
      std::lock_guard lock(mutex_);
      inputs_.push_back(std::move(input));
    }
    arrived_.notify_all();
  }

  // Everything that has arrived, oldest first; waits until `until` when nothing has.
  std::vector<LiveInput> Take(std::chrono::steady_clock::time_point until) {
    std::unique_lock lock(mutex_);
    arrived_.wait_until(lock, until, [this] { return !inputs_.empty(); });
    std::vector<LiveInput> taken(inputs_.begin(), inputs_.end());
    inputs_.clear();
    return taken;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<LiveInput> inputs_;
};

}  // namespace app
