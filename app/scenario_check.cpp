// Checks that need the whole scenario: unique names, references to bodies and vessels that
// exist at the time they are used, event times within the run, and the limits.
#include <algorithm>
#include <cmath>
#include <map>
#include <set>

#include "app/roster.h"
#include "app/scenario_parse.h"

namespace app {

namespace {

[[noreturn]] void Fail(const Scenario &s, const SourceRef &where, const std::string &message) {
  throw ScenarioError(s.file, where.line, where.field, message);
}

void CheckBody(const Scenario &s, const std::string &name, const SourceRef &where) {
  if (name.empty()) return;
  for (const BodyDef &b : s.bodies) {
    if (b.name == name) return;
  }
  Fail(s, where, "no body is named \"" + name + "\"");
}

void SortEvents(std::vector<TimedEvent> &events) {
  std::stable_sort(events.begin(), events.end(), [](const TimedEvent &a, const TimedEvent &b) {
    return a.step != b.step ? a.step < b.step : a.order < b.order;
  });
}

// The module reads the terrain under its carrier and nowhere else: the relief belongs to the
// carrier's body, and a terrain named for another body could never be stood on.
void ResolveTerrainBody(Scenario &s) {
  const VesselDef *carrier = nullptr;
  for (const VesselDef &v : s.vessels) {
    if (carrier == nullptr && v.class_name == kCarrierClass) carrier = &v;
  }
  for (const TimedEvent &e : s.events) {
    const auto *create = std::get_if<CreateAction>(&e.action);
    if (carrier == nullptr && create != nullptr && create->vessel.class_name == kCarrierClass)
      carrier = &create->vessel;
  }
  const std::string carrier_body =
      carrier == nullptr ? "" : (carrier->body.empty() ? s.bodies.front().name : carrier->body);
  if (s.terrain.body.empty()) {
    s.terrain.body = carrier_body.empty() ? s.bodies.front().name : carrier_body;
  } else if (!carrier_body.empty() && s.terrain.body != carrier_body) {
    throw ScenarioError(s.file, 0, "terrain.body",
                        "the module reads the terrain of its carrier's body, and the carrier \"" +
                            carrier->name + "\" stands on " + carrier_body + ", not " +
                            s.terrain.body);
  }
}

}  // namespace

void CheckScenario(Scenario &s) {
  std::set<std::string> names;
  for (const BodyDef &b : s.bodies) {
    if (!names.insert(b.name).second) {
      throw ScenarioError(s.file, 0, "body", "two bodies are named \"" + b.name + "\"");
    }
  }
  CheckBody(s, s.terrain.body, {0, "terrain.body"});

  names.clear();  // every vessel name ever used: a name is never given to a second vessel
  std::set<std::string> live;
  for (const VesselDef &v : s.vessels) {
    if (!names.insert(v.name).second) {
      Fail(s, {v.where.line, v.where.field + ".name"}, "two vessels are named \"" + v.name + "\"");
    }
    CheckBody(s, v.body, {v.where.line, v.where.field + ".body"});
    live.insert(v.name);
  }
  if (!s.focus.empty() && live.count(s.focus) == 0) {
    throw ScenarioError(s.file, 0, "simulation.focus", "no vessel is named \"" + s.focus + "\"");
  }

  // Events fall on step boundaries: the first one at or after their time.
  for (TimedEvent &e : s.events) {
    const double steps = e.t_s / s.step_s;
    e.step = steps > static_cast<double>(kMaxSteps)
                 ? kMaxSteps + 1
                 : static_cast<long long>(std::ceil(steps - 1e-9));
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

  const double end_s = static_cast<double>(s.steps) * s.step_s;
  std::erase_if(s.events, [&](const TimedEvent &e) { return e.implied && e.step >= s.steps; });
  int vessel_count = static_cast<int>(s.vessels.size());
  for (TimedEvent &e : s.events) {
    if (e.step >= s.steps) {
      Fail(s, e.where, "happens at or after the end of the run (" + std::to_string(end_s) + " s)");
    }
    const auto need_live = [&](const std::string &name) {
      if (live.count(name) == 0) {
        Fail(s, e.where,
             "no vessel \"" + name + "\" exists at t = " + std::to_string(e.t_s) + " s");
      }
    };
    if (const auto *a = std::get_if<FocusAction>(&e.action)) {
      if (!a->vessel.empty()) need_live(a->vessel);
    } else if (const auto *a = std::get_if<DeleteAction>(&e.action)) {
      need_live(a->vessel);
      live.erase(a->vessel);
    } else if (const auto *a = std::get_if<ThrustAction>(&e.action)) {
      need_live(a->vessel);
    } else if (const auto *a = std::get_if<CreateAction>(&e.action)) {
      if (!names.insert(a->vessel.name).second) {
        Fail(s, e.where, "a vessel named \"" + a->vessel.name + "\" has existed before");
      }
      CheckBody(s, a->vessel.body, e.where);
      if (++vessel_count > kMaxVessels) {
        Fail(s, e.where,
             "too many vessels (at most " + std::to_string(kMaxVessels) + " over the whole run)");
      }
      live.insert(a->vessel.name);
    }
  }
  ResolveTerrainBody(s);
}

}  // namespace app
