// The stream from the simulation thread to the pages: the scene (what does not change from
// frame to frame: terrain, vessels) and the latest frame. A page that falls behind skips
// frames rather than queueing them: it always draws the newest.
#pragma once

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace app {

class LiveChannel {
 public:
  struct Seen {
    uint64_t scene = 0, frame = 0;
  };

  // A new scene drops the frame before it: a reader that wakes between the two must not
  // draw the old run's last frame in the new run's scene.
  void PublishScene(std::string json) {
    {
      std::lock_guard lock(mutex_);
      scene_ = std::move(json);
      frame_.clear();
      ++seen_.scene;
    }
    changed_.notify_all();
  }
  void PublishFrame(std::string json) {
    {
      std::lock_guard lock(mutex_);
      frame_ = std::move(json);
      ++seen_.frame;
    }
    changed_.notify_all();
  }
  // The run's vessels by name, for the server to refuse a focus on no vessel of the run.
  void PublishVessels(std::vector<std::string> names) {
    std::lock_guard lock(mutex_);
    vessels_ = std::move(names);
  }
  bool HasVessel(const std::string &name) {
    std::lock_guard lock(mutex_);
    return std::find(vessels_.begin(), vessels_.end(), name) != vessels_.end();
  }

  void Close() {
    {
      std::lock_guard lock(mutex_);
      closed_ = true;
    }
    changed_.notify_all();
  }

  // The stream's next text for a reader that has seen `seen` (updated): "event: scene" and
  // then the frame, only what is newer. Empty after a wait of `patience` with nothing new
  // (the reader sends a keep-alive); false once closed.
  bool Next(Seen &seen, std::string &text, std::chrono::milliseconds patience) {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, patience, [&] {
      return closed_ || seen_.scene != seen.scene || seen_.frame != seen.frame;
    });
    if (closed_) return false;
    text.clear();
    if (seen_.scene != seen.scene && !scene_.empty()) {
      text += "event: scene\ndata: " + scene_ + "\n\n";
      seen.frame = 0;  // a new scene wants its frame even when no newer one came
    }
    if (seen_.frame != seen.frame && !frame_.empty())
      text += "event: frame\ndata: " + frame_ + "\n\n";
    seen = seen_;
    return true;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::string scene_, frame_;
  std::vector<std::string> vessels_;
  Seen seen_;
  bool closed_ = false;
};

}  // namespace app
