// What the outputs are told about a run. The runner calls every observer at the same
// points: after InitModule, just before and just after each call of the module's step
// (opcPreStep, before the host's update), after each whole step, when the scenario acts on
// the world, and at the end.
#pragma once

#include <cstdint>
#include <string>

#include "app/world/roster.h"
#include "sim/world.h"

namespace app {

struct StepContext {
  sim::World &world;
  const Roster &roster;
  int64_t step;  // steps taken so far: 0 in the module's first step, n at the end of n
  double simt;   // simulation time, s
};

// What the scenario did to the world between two steps.
struct ScenarioAction {
  enum Kind { kKeyDown, kKeyUp, kKeyRepeat, kFocus, kCreate, kDelete, kThrust } kind;
  int vk = 0;          // keys
  std::string vessel;  // the vessel acted on or given focus ("" for no focus)
  VECTOR3 thrust_N{};  // kThrust, vessel frame
};

class StepObserver {
 public:
  virtual ~StepObserver() = default;
  virtual void OnStart(const StepContext &) {}
  virtual void OnAction(const StepContext &, const ScenarioAction &) {}
  // The host's time acceleration changes: every step from now on is factor times as long.
  virtual void OnTimeAcceleration(const StepContext &, double /*factor*/) {}
  // The state the module's step is about to see.
  virtual void BeforeModuleStep(const StepContext &) {}
  // What its calls did, before the host's update moves anything.
  virtual void AfterModuleStep(const StepContext &) {}
  // The host's update taken and the clock moved on.
  virtual void AfterStep(const StepContext &) {}
  virtual void OnFinish(const StepContext &) {}
};

}  // namespace app
