// Checks that need the whole scenario: unique vessel names, references to bodies and vessels that
// exist at the time they are used, event times within the run, and the limits. They read the
// events on the steps they fall on, and the terrain's body as the file gives it.
#include <set>

#include "app/scenario/scenario_parse.h"

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

// The module reads the terrain under its carrier and nowhere else: a terrain named for
// another body than the carrier's could never be stood on.
void CheckTerrainBody(const Scenario &s) {
  const std::string carrier_body = CarrierBody(s);
  if (s.terrain.body.empty() || carrier_body.empty() || s.terrain.body == carrier_body) return;
  throw ScenarioError(s.file, 0, "terrain.body",
                      "the module reads the terrain of its carrier's body, and the carrier \"" +
                          FindCarrier(s)->name + "\" stands on " + carrier_body + ", not " +
                          s.terrain.body);
}

}  // namespace

void CheckScenario(const Scenario &s) {
  // Two bodies of one name are refused as the second is read, at its line.
  CheckBody(s, s.terrain.body, {0, "terrain.body"});

  std::set<std::string> names;  // every vessel name ever used: never given to a second vessel
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

  const double end_s = static_cast<double>(s.steps) * s.step_s;
  int vessel_count = static_cast<int>(s.vessels.size());
  for (const TimedEvent &e : s.events) {
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
  CheckTerrainBody(s);
}

}  // namespace app
