// --record-scenario FILE: a live run written back as a scenario that plays it again. The
// world is the scenario's own; the keys and host actions that came from the page, and every
// auto-repeat, become timed events at the steps they happened, with the scenario's own
// repeats switched off, so the run that replays it gives the module the same calls. Steps of
// changing length place their events by the clock, and the file then gives the run's length
// by the clock too: the same seed draws the same steps again.
#pragma once

#include <toml++/toml.h>

#include <string>

#include "app/run/observer.h"
#include "app/scenario/scenario.h"

namespace app {

class LiveRecording : public StepObserver {
 public:
  // scenario_text: the scenario file's text as it was run. Throws std::runtime_error when
  // the output cannot be written there.
  LiveRecording(const std::string &path, const std::string &scenario_text,
                const Scenario &scenario);

  // Whether the actions that follow come from the page (recorded) or from the scenario's
  // own timed events (already in the file).
  void SetFromPage(bool from_page) { from_page_ = from_page; }

  void OnStart(const StepContext &ctx) override;
  void OnAction(const StepContext &ctx, const ScenarioAction &action) override;
  void AfterStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

 private:
  // Whether an event at t_s comes after the run's end, when it could no longer act.
  bool AfterEnd(double t_s, const StepContext &ctx) const;
  // The run's length, in steps or by the clock as the run was stepped.
  void SetLength(toml::table &root, const StepContext &ctx) const;
  // The scenario's events, and its vessels' thrust schedules, without what the run ended before.
  toml::array &EventsBeforeEnd(toml::table &root, const StepContext &ctx) const;

  std::string path_;
  std::string text_;
  std::string world_from_;  // absolute; empty: the world is the text's own
  double step_s_;
  bool steps_vary_;
  double start_s_ = 0.0;
  double now_s_ = 0.0;       // the clock between the latest step and the next
  double last_gap_s_ = 0.0;  // between the latest step and the one before: the last time an
                             // event could still act
  bool from_page_ = false;
  toml::array events_;
};

}  // namespace app
