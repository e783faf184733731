// What the reader derives from a scenario rather than reads: the step each event falls on,
// the events in the order they happen, and the terrain's body when the file leaves it out.
// Nothing here can fail; the checks in scenario_check.cpp decide what is refused.
#include <algorithm>
#include <cmath>
#include <map>

#include "app/scenario/scenario_parse.h"

namespace app {

namespace {

void SortEvents(std::vector<TimedEvent> &events) {
  std::stable_sort(events.begin(), events.end(), [](const TimedEvent &a, const TimedEvent &b) {
    return a.step != b.step ? a.step < b.step : a.order < b.order;
  });
}

}  // namespace

const VesselDef *FindCarrier(const Scenario &s) {
  for (const VesselDef &v : s.vessels) {
    if (v.class_name == kCarrierClass) return &v;
  }
  for (const TimedEvent &e : s.events) {
    const auto *create = std::get_if<CreateAction>(&e.action);
    if (create != nullptr && create->vessel.class_name == kCarrierClass) return &create->vessel;
  }
  return nullptr;
}

std::string CarrierBody(const Scenario &s) {
  const VesselDef *carrier = FindCarrier(s);
  if (carrier == nullptr) return "";
  return carrier->body.empty() ? s.bodies.front().name : carrier->body;
}

void PlaceEventsOnSteps(Scenario &s) {
  // Events fall on step boundaries: the first one at or after their time.
  for (TimedEvent &e : s.events) {
    const double steps = e.t_s / s.step_s;
    e.step = steps > static_cast<double>(kMaxSteps) ? kMaxSteps + 1 : WholeStepsFrom(steps);
  }
  SortEvents(s.events);
  // The module reads the keys once per step: a key-up in the same gap between steps as its
  // key-down would hide the press, so it comes at least one step later.
  std::map<int, long long> down_step;
  bool moved = false;
  for (TimedEvent &e : s.events) {
    const auto *key = std::get_if<KeyAction>(&e.action);
    if (key == nullptr) continue;
    if (key->repeat) continue;
    if (key->down) {
      down_step[key->vk] = e.step;
    } else if (auto it = down_step.find(key->vk); it != down_step.end() && e.step <= it->second) {
      e.step = it->second + 1;
      moved = true;
    }
  }
  if (moved) SortEvents(s.events);
  // The key-up that ends a hold past the run's end was never written in the file.
  std::erase_if(s.events, [&](const TimedEvent &e) { return e.implied && e.step >= s.steps; });
}

void LetStepsVary(Scenario &s, double duration_s) {
  double slowest = 1.0;
  for (const TimedEvent &e : s.events) {
    if (const auto *a = std::get_if<TimeAccelerationAction>(&e.action)) {
      slowest = std::min(slowest, a->factor);
    }
  }
  s.run_s = duration_s;
  // The host code's first steps may be shorter than any drawn.
  const long long launch = s.post_step_sees == FrameOrder::kStartOfStep ? kLaunchSteps : 0;
  const double most = std::ceil(duration_s / ((s.step_s - s.step_jitter_s) * slowest));
  s.steps =
      most > static_cast<double>(kMaxSteps) ? kMaxSteps : static_cast<long long>(most) + 1 + launch;
}

// The module reads the terrain under its carrier and nowhere else, so the relief belongs to
// the carrier's body.
void FillTerrainBody(Scenario &s) {
  if (!s.terrain.body.empty()) return;
  const std::string carrier_body = CarrierBody(s);
  s.terrain.body = carrier_body.empty() ? s.bodies.front().name : carrier_body;
}

}  // namespace app
