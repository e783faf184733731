// What the live page is shown: the run recorded as for the replay page (the same states,
// marks and attitudes), sent as a scene when the run starts or its vessels change and as
// frames at most kFramesPerSecond times a second of wall time.
#pragma once

#include <chrono>
#include <cmath>
#include <string>

#include "app/live/live_channel.h"
#include "app/visuals/run_record.h"

namespace app {

// What the host adds to a frame besides the vessels.
struct LiveStatus {
  bool paused = false;
  double rate = 1.0;
  double throttle = 0.0;  // the focus vessel's thrust over its weight
  // The last key: from the page seeing it to the module's hook, and to the end of the step
  // that acted on it (ms).
  double key_to_hook_ms = NAN, key_to_step_ms = NAN;
};

class LiveFeed : public StepObserver {
 public:
  static constexpr double kFramesPerSecond = 25.0;

  // run: which run of the session this is (a restart is a new one, which the page draws
  // afresh).
  LiveFeed(const Scenario &scenario, int run, const LiveStatus &status, LiveChannel &channel);

  void OnStart(const StepContext &ctx) override;
  void OnAction(const StepContext &ctx, const ScenarioAction &action) override;
  void BeforeModuleStep(const StepContext &ctx) override { recorder_.BeforeModuleStep(ctx); }
  void AfterModuleStep(const StepContext &ctx) override;

  // Sends the last frame again with the status as it is now (paused, throttle).
  void Republish();

 private:
  // The recorder samples about as often as the page draws: its scenario's length sets that.
  static Scenario Paced(const Scenario &scenario);
  void PublishScene(const StepContext &ctx);
  void PublishFrame(const StepContext &ctx);

  Scenario paced_;
  RunRecorder recorder_;
  const LiveStatus &status_;
  LiveChannel &channel_;
  int run_;
  size_t vessels_in_scene_ = 0;
  size_t frames_sent_ = 0;
  std::chrono::steady_clock::time_point last_sent_{};
  std::string vessels_json_;  // of the last frame sent
  long focus_ = -1;
  double t_s_ = 0.0;
};

}  // namespace app
