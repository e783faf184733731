// What the outputs are told about a run, and what they may rely on.
//
// The runner tells every observer, in the order they were given, at these points:
//   OnStart            the session started: InitModule (first session only) and
//                      opcOpenRenderViewport done, no step taken
//   OnAction           the scenario (or a live driver) acted on the world between two steps
//   OnTimeAcceleration the host's steps are that many times as long from now on
//   BeforeModuleStep   the state the module's step callback is about to see
//   AfterModuleStep    what its calls did; for opcPreStep before the host's update moves
//                      anything, for a module with only opcPostStep after the update
//   AfterStep          the frame is over: update taken, clock moved on, state committed
//   OnFinish           the last step is done (or the run was stopped); the session still open
//
// Each point is one round: every observer is told before the next point comes.
// - The world is read-only to an observer. Only the runner and the scenario's actions change it.
// - The world's record of host calls (sim::World::Events) holds exactly the calls and keystrokes
//   made since the previous round, in order; the runner clears it after every observer has
//   seen it. An observer that wants them reads them in the round they happen: keystrokes in
//   OnAction, the module's calls in AfterModuleStep (and InitModule's message boxes in OnStart).
//   No observer need clear it, and none may rely on a later one having read it.
// - An observer may rely on no other observer: each reads the world only.
#pragma once

#include <cstdint>
#include <string>

#include "app/world/roster.h"
#include "sim/world.h"

namespace app {

struct StepContext {
  const sim::World &world;
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
  virtual void OnTimeAcceleration(const StepContext &, double /*factor*/) {}
  virtual void BeforeModuleStep(const StepContext &) {}
  virtual void AfterModuleStep(const StepContext &) {}
  virtual void AfterStep(const StepContext &) {}
  virtual void OnFinish(const StepContext &) {}
};

}  // namespace app
