// --record-scenario FILE: a live run written back as a scenario that plays it again. The
// world is the scenario's own; the keys and host actions that came from the page, and every
// auto-repeat, become timed events at the steps they happened, with the scenario's own
// repeats switched off, so the run that replays it gives the module the same calls.
#pragma once

#include <toml++/toml.h>

#include <string>

#include "app/observer.h"
#include "app/scenario.h"

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

  void OnAction(const StepContext &ctx, const ScenarioAction &action) override;
  void OnFinish(const StepContext &ctx) override;

 private:
  std::string path_;
  std::string text_;
  double step_s_;
  bool from_page_ = false;
  toml::array events_;
};

}  // namespace app
