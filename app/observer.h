// What the outputs are told about a run. The runner calls every observer at the same
// points: after InitModule, between the host's physics and each opcPostStep, after each
// opcPostStep, when the scenario acts on the world, and at the end.
#pragma once

#include <cstdint>
#include <string>

#include "app/roster.h"
#include "sim/world.h"

namespace app {

struct StepContext {
  sim::World &world;
  const Roster &roster;
  int64_t step;  // opcPostStep calls so far, this one included (0 before the first)
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
  virtual void BeforePostStep(const StepContext &) {}
  virtual void AfterPostStep(const StepContext &) {}
  virtual void OnFinish(const StepContext &) {}
};

}  // namespace app
