// Checks that need the whole scenario: unique vessel names, references to bodies and vessels that
// exist at the time they are used, event times within the run, and the limits. They read the
// events on the steps they fall on, and the terrain's body as the file gives it.
#include <set>

#include "app/base/text_format.h"
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

// The names the checks follow through the run: every vessel name ever used, which is never
// given to a second vessel, and the vessels alive at the event being read.
struct VesselNames {
  std::set<std::string> used;
  std::set<std::string> live;
  int count = 0;  // vessels present or created so far
};

// The vessels present from the start, and the focus the file gives among them.
VesselNames CheckStartingVessels(const Scenario &s) {
  VesselNames names;
  for (const VesselDef &v : s.vessels) {
    if (!names.used.insert(v.name).second) {
      Fail(s, {v.where.line, v.where.field + ".name"}, "two vessels are named \"" + v.name + "\"");
    }
    CheckBody(s, v.body, {v.where.line, v.where.field + ".body"});
    names.live.insert(v.name);
  }
  names.count = static_cast<int>(s.vessels.size());
  if (!s.focus.empty() && names.live.count(s.focus) == 0) {
    throw ScenarioError(s.file, 0, "simulation.focus", "no vessel is named \"" + s.focus + "\"");
  }
  return names;
}

void NeedLive(const Scenario &s, const TimedEvent &e, const VesselNames &names,
              const std::string &name) {
  if (names.live.count(name) == 0) {
    Fail(s, e.where, "no vessel \"" + name + "\" exists at t = " + FormatGeneral(e.t_s, 6) + " s");
  }
}

void CheckCreate(const Scenario &s, const TimedEvent &e, const CreateAction &a,
                 VesselNames &names) {
  if (!names.used.insert(a.vessel.name).second) {
    Fail(s, e.where, "a vessel named \"" + a.vessel.name + "\" has existed before");
  }
  CheckBody(s, a.vessel.body, e.where);
  if (++names.count > kMaxVessels) {
    Fail(s, e.where,
         "too many vessels (at most " + std::to_string(kMaxVessels) + " over the whole run)");
  }
  names.live.insert(a.vessel.name);
}

// One event, in the order of the run: the vessels it names must be alive at its time.
void CheckEvent(const Scenario &s, const TimedEvent &e, VesselNames &names) {
  if (e.step >= s.steps) {
    const double end_s = static_cast<double>(s.steps) * s.step_s;
    Fail(s, e.where, "happens at or after the end of the run (" + FormatGeneral(end_s, 6) + " s)");
  }
  if (const auto *a = std::get_if<FocusAction>(&e.action)) {
    if (!a->vessel.empty()) NeedLive(s, e, names, a->vessel);
  } else if (const auto *a = std::get_if<DeleteAction>(&e.action)) {
    NeedLive(s, e, names, a->vessel);
    names.live.erase(a->vessel);
  } else if (const auto *a = std::get_if<ThrustAction>(&e.action)) {
    NeedLive(s, e, names, a->vessel);
  } else if (const auto *a = std::get_if<CreateAction>(&e.action)) {
    CheckCreate(s, e, *a, names);
  }
}

}  // namespace

void CheckScenario(const Scenario &s) {
  // Two bodies of one name are refused as the second is read, at its line.
  CheckBody(s, s.terrain.body, {0, "terrain.body"});
  VesselNames names = CheckStartingVessels(s);
  for (const TimedEvent &e : s.events) CheckEvent(s, e, names);
  CheckTerrainBody(s);
}

}  // namespace app
