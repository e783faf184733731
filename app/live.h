// touchdown-sim --live (docs/live.md). The program's ordinary run, given a live run's hooks,
// adds the page's observers and lets the live run drive the runner; RunLive repeats the run
// for each restart the page asks for.
#pragma once

#include <vector>

#include "app/cli.h"
#include "app/observer.h"
#include "app/roster.h"
#include "app/scenario.h"

namespace app {

class Runner;

class LiveHooks {
 public:
  virtual ~LiveHooks() = default;
  // The scenario the runner steps: without end, the run goes on until Ctrl-C.
  virtual Scenario Endless(const Scenario &scenario) const = 0;
  // The page's and the recording's observers, put first in line: they read the world's
  // record of host calls before anyone clears it.
  virtual void AddObservers(const Scenario &scenario, std::vector<StepObserver *> &observers) = 0;
  virtual void Drive(Runner &runner, sim::World &world, Roster &roster) = 0;
};

using RunWith = int (*)(const Options &options, LiveHooks *live);

// Throws std::runtime_error where the program was built without live mode.
int RunLive(const Options &options, RunWith run);

}  // namespace app
