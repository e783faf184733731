#include "app/run/runner.h"

#include <algorithm>
#include <chrono>

#include "app/base/run_stop.h"
#include "app/world/scenario_world.h"

namespace app {

Runner::Runner(const Scenario &scenario, sim::World &world, Roster &roster,
               const sim::ModuleEntryPoints &entry, HINSTANCE instance,
               std::vector<StepObserver *> observers)
    : scenario_(scenario),
      world_(world),
      roster_(roster),
      observers_(std::move(observers)),
      entry_(entry),
      instance_(instance),
      lengths_(scenario.step_s, scenario.step_jitter_s, scenario.seed,
               scenario.post_step_sees == FrameOrder::kStartOfStep) {}

StepContext Runner::Context() {
  return StepContext{world_, roster_, world_.StepCount(), world_.SimTime()};
}

// Every observer in turn, then the world's record of host calls is cleared: each round of
// telling sees what happened since the last one.
template <class Fn>
void Runner::Tell(Fn &&tell) {
  const StepContext ctx = Context();
  for (StepObserver *o : observers_) tell(*o, ctx);
  world_.ClearEvents();
}

void Runner::Notify(const ScenarioAction &action) {
  Tell([&action](StepObserver &o, const StepContext &ctx) { o.OnAction(ctx, action); });
}

// One host frame. The observers see the world as the module's step callback (opcPreStep, or
// opcPostStep for a module without one) is about to see it, and what its calls did.
void Runner::StepWorld(double dt) {
  const bool pre = entry_.pre_step != nullptr;
  const auto before = [](StepObserver &o, const StepContext &ctx) { o.BeforeModuleStep(ctx); };
  const auto after = [](StepObserver &o, const StepContext &ctx) { o.AfterModuleStep(ctx); };
  if (pre) Tell(before);
  world_.PreStep(dt);
  if (pre) Tell(after);
  world_.Update(dt);
  if (!pre) Tell(before);
  world_.PostStep(dt);
  if (!pre) Tell(after);
  Tell([](StepObserver &o, const StepContext &ctx) { o.AfterStep(ctx); });
}

void Runner::Press(int vk, bool down, bool repeat, double now_s) {
  const auto it =
      std::find_if(held_.begin(), held_.end(), [vk](const HeldKey &k) { return k.vk == vk; });
  const bool held = it != held_.end();
  if (repeat) {
    // A recorded or hand-made repeat, in place of the scenario's own timing.
    if (!held) return;
    world_.KeyRepeat(vk);
    Notify({ScenarioAction::kKeyRepeat, vk, {}, {}});
    return;
  }
  // A keyboard cannot press a key that is down or release one that is up.
  if (down == held) return;
  if (down) {
    world_.KeyDown(vk);
    held_.push_back({vk, now_s + scenario_.repeat_delay_s, gap_});
  } else {
    held_.erase(it);
    world_.KeyUp(vk);
  }
  Notify({down ? ScenarioAction::kKeyDown : ScenarioAction::kKeyUp, vk, {}, {}});
}

void Runner::DeliverRepeats(double now_s) {
  // A little tolerance: repeat times are sums of intervals.
  const double due_s = now_s + 1e-6 * scenario_.step_s;
  for (HeldKey &key : held_) {
    while (key.next_repeat_s <= due_s) {
      world_.KeyRepeat(key.vk);
      Notify({ScenarioAction::kKeyRepeat, key.vk, {}, {}});
      key.next_repeat_s += scenario_.repeat_interval_s;
    }
  }
}

std::vector<int> Runner::HeldKeys() const {
  std::vector<int> keys;
  for (const HeldKey &k : held_) keys.push_back(k.vk);
  return keys;
}

void Runner::Act(const Action &action, double now_s) {
  TimedEvent event;
  event.action = action;
  Apply(event, now_s);
}

void Runner::Apply(const TimedEvent &event, double now_s) {
  if (const auto *a = std::get_if<KeyAction>(&event.action)) {
    Press(a->vk, a->down, a->repeat, now_s);
  } else if (const auto *a = std::get_if<FocusAction>(&event.action)) {
    world_.SetFocus(a->vessel.empty() ? nullptr : world_.FindVessel(a->vessel));
    Notify({ScenarioAction::kFocus, 0, a->vessel, {}});
  } else if (const auto *a = std::get_if<DeleteAction>(&event.action)) {
    const OBJHANDLE vessel = world_.FindVessel(a->vessel);
    world_.DeleteVessel(vessel);
    roster_.MarkDeleted(vessel);
    Notify({ScenarioAction::kDelete, 0, a->vessel, {}});
  } else if (const auto *a = std::get_if<CreateAction>(&event.action)) {
    const OBJHANDLE vessel = AddScenarioVessel(scenario_, a->vessel, world_);
    roster_.Add(vessel, a->vessel.name, a->vessel.class_name, a->vessel.fixed_to_body);
    Notify({ScenarioAction::kCreate, 0, a->vessel.name, {}});
  } else if (const auto *a = std::get_if<ThrustAction>(&event.action)) {
    const VECTOR3 thrust{{a->thrust_N[0], a->thrust_N[1], a->thrust_N[2]}};
    if (sim::VesselRecord *v = world_.Vessel(world_.FindVessel(a->vessel)))
      v->thrust_local_N = thrust;
    Notify({ScenarioAction::kThrust, 0, a->vessel, thrust});
  } else if (const auto *a = std::get_if<TimeAccelerationAction>(&event.action)) {
    lengths_.SetTimeAcceleration(a->factor);
    Tell([a](StepObserver &o, const StepContext &ctx) { o.OnTimeAcceleration(ctx, a->factor); });
  }
}

void Runner::ApplyDueEvents(long long done, double now_s) {
  const std::vector<TimedEvent> &events = scenario_.events;
  if (!scenario_.steps_vary) {
    while (next_event_ < events.size() && events[next_event_].step <= done) {
      Apply(events[next_event_++], now_s);
    }
    return;
  }
  // Sums of drawn steps: a little tolerance, as for the key repeats.
  const double due_s = now_s + 1e-6 * scenario_.step_s;
  while (next_event_ < events.size() && events[next_event_].t_s <= due_s) {
    const TimedEvent &e = events[next_event_];
    // The module reads the keys once per step: a key-up in the gap of its key-down waits for
    // the next gap, and the events after it with it.
    if (const auto *key = std::get_if<KeyAction>(&e.action); key && !key->down && !key->repeat) {
      const bool pressed_now = std::any_of(held_.begin(), held_.end(), [&](const HeldKey &k) {
        return k.vk == key->vk && k.pressed_gap == done;
      });
      if (pressed_now) return;
    }
    Apply(e, now_s);
    ++next_event_;
  }
}

// InitModule in the host's first session only: the next sessions find the module started.
void Runner::StartSession() {
  world_.SetModule(entry_, instance_);
  world_.EnablePhysics(true);
  if (world_.Session() == 1) world_.InitModule();
  world_.StartSession();
  Tell([](StepObserver &o, const StepContext &ctx) { o.OnStart(ctx); });
}

// Whether the run goes on into the gap after `done` steps, at the scenario's time now_s: its
// time is not up, and a driver from outside (if any) does not stop it.
bool Runner::ActInGap(long long done, double now_s) {
  gap_ = done;
  if (scenario_.run_s > 0.0 && now_s >= scenario_.run_s - 1e-6 * scenario_.step_s) return false;
  ApplyDueEvents(done, now_s);
  if (between_steps_ && !between_steps_(now_s)) return false;
  if (!held_.empty()) DeliverRepeats(now_s);
  return true;
}

RunTotals Runner::Run() {
  StartSession();
  const auto wall_start = std::chrono::steady_clock::now();
  const double dt = scenario_.step_s;
  const double start_s = world_.SimTime();
  next_event_ = 0;
  long long done = 0;
  while (done < scenario_.steps && !StopRequested()) {
    // Constant steps: key timing counts whole steps, not the clock, whose sums of steps
    // drift. Steps of changing length have only the clock.
    const double now_s =
        scenario_.steps_vary ? world_.SimTime() - start_s : static_cast<double>(done) * dt;
    if (!ActInGap(done, now_s)) break;
    StepWorld(scenario_.steps_vary ? lengths_.Next() : dt);
    ++done;
  }
  const auto wall_end = std::chrono::steady_clock::now();

  RunTotals totals;
  totals.steps = done;
  totals.simulated_s = world_.SimTime();
  totals.wall_s = std::chrono::duration<double>(wall_end - wall_start).count();
  Tell([](StepObserver &o, const StepContext &ctx) { o.OnFinish(ctx); });
  return totals;
}

}  // namespace app
