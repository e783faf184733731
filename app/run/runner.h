// The stepping loop of the stand-in host: between steps it carries out the scenario's timed
// events and the keyboard's auto-repeat, then takes the world's frame part by part
// (opcPreStep, the update, opcPostStep), telling the observers at each point and around the
// module's own step (app/run/observer.h says what they may rely on).
#pragma once

#include <functional>
#include <vector>

#include "app/run/observer.h"
#include "app/run/step_lengths.h"
#include "app/scenario/scenario.h"
#include "app/world/roster.h"
#include "sim/world.h"

namespace app {

struct RunTotals {
  int64_t steps = 0;
  double simulated_s = 0.0;
  double wall_s = 0.0;  // the stepping loop alone, not loading
};

class Runner {
 public:
  // The world must be built from the scenario, with its vessels in the roster in the
  // world's order. The runner makes the plug-in's entry points the world's module and takes
  // each host frame in its three parts, telling the observers between them.
  Runner(const Scenario &scenario, sim::World &world, Roster &roster,
         const sim::ModuleEntryPoints &entry, HINSTANCE instance,
         std::vector<StepObserver *> observers);
  Runner(const Runner &) = delete;
  Runner &operator=(const Runner &) = delete;

  // InitModule (in the world's first session), opcOpenRenderViewport, every step, and the
  // end; returns the totals. The caller ends the session.
  RunTotals Run();

  // Asked between steps, after that step's timed events: a run driven from outside (by
  // hand, in real time) waits and acts here. Returning false ends the run there.
  using BetweenSteps = std::function<bool(double now_s)>;
  void SetBetweenSteps(BetweenSteps hook) { between_steps_ = std::move(hook); }
  // Carries out an action at once, as a timed event at this step would.
  void Act(const Action &action, double now_s);
  // The keys held down now, by the scenario or by Act.
  std::vector<int> HeldKeys() const;

 private:
  struct HeldKey {
    int vk;
    double next_repeat_s;
    long long pressed_gap;  // the number of steps done when it went down
  };

  // The events due in the gap after `done` steps at the time now_s; with steps of changing
  // length by the clock, else by the steps the reader placed them on.
  void ApplyDueEvents(long long done, double now_s);

  void StartSession();
  bool ActInGap(long long done, double now_s);
  void StepWorld(double dt);
  template <class Fn>
  void Tell(Fn &&tell);
  void Apply(const TimedEvent &event, double now_s);
  void Press(int vk, bool down, bool repeat, double now_s);
  void DeliverRepeats(double now_s);
  void Notify(const ScenarioAction &action);
  StepContext Context();

  const Scenario &scenario_;
  sim::World &world_;
  Roster &roster_;
  std::vector<StepObserver *> observers_;
  sim::ModuleEntryPoints entry_;
  HINSTANCE instance_;
  std::vector<HeldKey> held_;
  StepLengths lengths_;
  size_t next_event_ = 0;
  long long gap_ = 0;  // steps done: the gap between steps the runner acts in
  BetweenSteps between_steps_;
};

}  // namespace app
