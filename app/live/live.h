// touchdown-sim --live (docs/live.md). The program's ordinary run, given a live run's hooks,
// adds the page's observers and lets the live run drive the runner; RunLive repeats the run
// for each restart the page asks for.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/run/observer.h"
#include "app/scenario/scenario.h"
#include "app/world/roster.h"

namespace app {

class Runner;

// What the command line asks of a live run.
struct LiveOptions {
  double rate = 1.0;            // simulated seconds per wall second
  int port = 0;                 // 0: a free port
  std::string record_scenario;  // empty: the live run is not written as a scenario
  std::string scenario;         // the scenario file the recording starts from; empty: built-in
};

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

// The program's ordinary run, given the live run's hooks.
using RunWith = std::function<int(LiveHooks *live)>;

// Throws std::runtime_error where the program was built without live mode.
int RunLive(const LiveOptions &options, const RunWith &run);

}  // namespace app
