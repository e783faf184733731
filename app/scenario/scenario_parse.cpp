// The top of a scenario file: its sections, the simulation, keyboard and terrain settings,
// the bodies and the timed events. Vessels are read in scenario_parse_vessel.cpp.
#include "app/scenario/scenario_parse.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "app/base/key_names.h"
#include "app/base/text_format.h"
#include "app/scenario/scn_text.h"

namespace app {

namespace {

constexpr char kFocusNeverNone[] = "must name a vessel: the host always has a focus vessel";

std::string Indexed(const char *name, size_t index) {
  return std::string(name) + "[" + std::to_string(index + 1) + "]";
}

// The tables of an array of tables ([[vessel]]), each with its dotted name.
template <typename Fn>
void ForEachTable(const Fields &root, const char *key, Fn &&fn) {
  const toml::array *array = root.Array(key);
  if (array == nullptr) return;
  for (size_t i = 0; i < array->size(); ++i) {
    const toml::table *table = array->get(i)->as_table();
    if (table == nullptr) {
      root.Fail(key, std::string("must be tables written [[") + key + "]], not " +
                         TypeName(*array->get(i)));
    }
    fn(Fields(*table, root.File(), Indexed(key, i)));
  }
}

void ParseSimulation(const Fields &f, Scenario &s, double &duration_s, bool &has_steps) {
  f.AllowOnly({"step_s", "duration_s", "steps", "mjd", "focus", "step_jitter_s", "seed"});
  if (auto v = f.Number("step_s")) s.step_s = f.Positive("step_s", *v);
  if (s.step_s > 60.0) f.Fail("step_s", "must be at most 60 s");
  if (auto v = f.Number("step_jitter_s")) {
    s.step_jitter_s = f.NonNegative("step_jitter_s", *v);
    if (!(s.step_jitter_s < s.step_s)) f.Fail("step_jitter_s", "must be less than step_s");
  }
  if (auto v = f.Integer("seed")) {
    if (*v < 0) f.Fail("seed", "must be a whole number 0 or more");
    s.seed = static_cast<unsigned long long>(*v);
  }
  if (f.Has("duration_s") && f.Has("steps")) f.Fail("steps", "give duration_s or steps, not both");
  if (auto v = f.Number("duration_s")) duration_s = f.Positive("duration_s", *v);
  if (auto v = f.Integer("steps")) {
    if (*v < 1 || *v > kMaxSteps) {
      f.Fail("steps", "must be between 1 and " + std::to_string(kMaxSteps));
    }
    s.steps = *v;
    has_steps = true;
  }
  if (auto v = f.Number("mjd")) s.mjd = f.Within("mjd", *v, kMjdRange, "days");
  if (auto v = f.String("focus")) {
    if (v->empty()) f.Fail("focus", kFocusNeverNone);
    s.focus = *v;
  }
}

void ParseKeyboard(const Fields &f, Scenario &s) {
  f.AllowOnly({"auto_repeat", "repeat_delay_s", "repeat_interval_s"});
  if (auto v = f.Number("repeat_delay_s"))
    s.repeat_delay_s = f.Within("repeat_delay_s", *v, kKeyDelayRange_s, "s");
  // A held key that never repeats by itself: what a recorded run needs, whose every repeat
  // is a timed event of its own, however long a key was held.
  if (f.Bool("auto_repeat") == false) s.repeat_delay_s = std::numeric_limits<double>::infinity();
  if (auto v = f.Number("repeat_interval_s")) {
    if (!(*v >= kMinRepeatInterval_s)) {
      f.Fail("repeat_interval_s",
             "must be at least " + FormatGeneral(kMinRepeatInterval_s, 6) + " s");
    }
    s.repeat_interval_s = f.Within("repeat_interval_s", *v, kKeyDelayRange_s, "s");
  }
}

void ParseHost(const Fields &f, Scenario &s) {
  f.AllowOnly({"post_step_sees"});
  if (auto v = f.String("post_step_sees")) {
    if (*v == "end_of_step") {
      s.post_step_sees = FrameOrder::kEndOfStep;
    } else if (*v == "start_of_step") {
      s.post_step_sees = FrameOrder::kStartOfStep;
    } else {
      f.Fail("post_step_sees", "must be \"start_of_step\" or \"end_of_step\", not \"" + *v + "\"");
    }
  }
}

TerrainLibrary ParseLibrary(const Fields &f, const std::string &library) {
  if (library == "present") return TerrainLibrary::kPresent;
  if (library == "missing") return TerrainLibrary::kMissing;
  if (library == "no-function") return TerrainLibrary::kNoFunction;
  f.Fail("library", "must be \"present\", \"missing\" or \"no-function\", not \"" + library + "\"");
}

Relief ParseRelief(const Fields &f, const std::string &relief) {
  if (relief == "flat") return Relief::kFlat;
  if (relief == "hills") return Relief::kHills;
  if (relief == "nan") return Relief::kNaN;
  if (relief == "slope") return Relief::kSlope;
  if (relief == "crater") return Relief::kCrater;
  if (relief == "installed") return Relief::kInstalled;
  f.Fail("relief", "must be flat, hills, nan, slope, crater or installed, not \"" + relief + "\"");
}

// The numbers that shape the relief. A parameter of another relief is most likely a mistake
// in the relief's name.
void ParseReliefParams(const Fields &f, const std::string &relief, TerrainDef &t) {
  struct Param {
    const char *key;
    double *value;
    bool applies;
    Range range;
    const char *unit;
  };
  const bool hills = t.relief == Relief::kHills, slope = t.relief == Relief::kSlope,
             crater = t.relief == Relief::kCrater;
  const Param params[] = {
      {"offset_m", &t.offset_m, t.relief != Relief::kNaN && t.relief != Relief::kInstalled,
       kReliefHeightRange_m, "m"},
      {"amplitude_m", &t.amplitude_m, hills, kReliefHeightRange_m, "m"},
      {"wavelength_m", &t.wavelength_m, hills, kReliefLengthRange_m, "m"},
      {"slope_deg", &t.slope_deg, slope, kAngleRange_deg, "deg"},
      {"azimuth_deg", &t.azimuth_deg, slope, kAngleRange_deg, "deg"},
      {"ref_lat_deg", &t.ref_lat_deg, slope || crater, kAngleRange_deg, "deg"},
      {"ref_lon_deg", &t.ref_lon_deg, slope || crater, kAngleRange_deg, "deg"},
      {"crater_radius_m", &t.crater_radius_m, crater, kReliefLengthRange_m, "m"},
      {"crater_depth_m", &t.crater_depth_m, crater, kReliefHeightRange_m, "m"},
  };
  for (const Param &p : params) {
    const std::optional<double> v = f.Number(p.key);
    if (!v) continue;
    if (!p.applies) f.Fail(p.key, "does not apply to relief " + relief);
    *p.value = f.Within(p.key, *v, p.range, p.unit);
  }
}

void ParseTerrain(const Fields &f, TerrainDef &t) {
  f.AllowOnly({"library", "relief", "body", "offset_m", "amplitude_m", "wavelength_m", "slope_deg",
               "azimuth_deg", "ref_lat_deg", "ref_lon_deg", "crater_radius_m", "crater_depth_m"});
  if (auto v = f.String("library")) t.presence = ParseLibrary(f, *v);
  const std::string relief = f.String("relief").value_or("flat");
  t.relief = ParseRelief(f, relief);
  if (auto v = f.String("body")) t.body = *v;
  if (t.relief != Relief::kFlat) t.offset_m = 0.0;
  ParseReliefParams(f, relief, t);
  if (!(t.slope_deg >= 0.0 && t.slope_deg < 90.0)) {
    f.Fail("slope_deg", "must be at least 0 and less than 90 degrees");
  }
  if (!(t.ref_lat_deg >= -90.0 && t.ref_lat_deg <= 90.0)) {
    f.Fail("ref_lat_deg", "must be between -90 and 90 degrees");
  }
}

BodyDef ParseBody(const Fields &f) {
  f.AllowOnly({"name", "radius_m", "mass_kg", "position_m", "rotation_period_s", "velocity_mps"});
  BodyDef b;
  b.name = f.RequiredString("name");
  if (b.name.empty()) f.Fail("name", "must not be empty");
  b.radius_m = f.Within("radius_m", f.RequiredNumber("radius_m"), kBodyRadiusRange_m, "m");
  if (auto v = f.Number("mass_kg")) b.mass_kg = f.Within("mass_kg", *v, kBodyMassRange_kg, "kg");
  if (auto v = f.Vector("position_m")) {
    b.position_m = f.LengthAtMost("position_m", *v, kSolarSystem_m, "m");
  }
  if (auto v = f.Number("rotation_period_s")) {
    b.rotation_period_s = f.Within("rotation_period_s", *v, kRotationPeriodRange_s, "s");
  }
  if (auto v = f.Vector("velocity_mps")) {
    b.velocity_mps = f.LengthAtMost("velocity_mps", *v, kSpeedOfLight_mps, "m/s");
  }
  return b;
}

int KeyCode(const Fields &f, const char *key) {
  if (f.IsInteger(key)) {
    const long long vk = *f.Integer(key);
    if (vk < 1 || vk > 254) f.Fail(key, "a virtual-key code must be between 1 and 254");
    return static_cast<int>(vk);
  }
  const std::optional<std::string> name = f.String(key);
  if (!name) f.Fail(key, "must be a key name or a virtual-key code");
  const std::optional<int> vk = KeyCodeByName(*name);
  if (!vk) f.Fail(key, "unknown key \"" + *name + "\" (known: " + KnownKeyNames() + ")");
  return *vk;
}

// The one thing an event does, by the key that names it; hold_s and vessel belong to one of
// them each.
std::string ActionOf(const Fields &f) {
  const char *actions[] = {"key_down", "key_up",   "key_repeat",       "key", "focus", "delete",
                           "create",   "thrust_N", "time_acceleration"};
  const char *action = nullptr;
  for (const char *a : actions) {
    if (!f.Has(a)) continue;
    if (action != nullptr)
      f.Fail(a, std::string("an event does one thing; it already has ") + action);
    action = a;
  }
  if (action == nullptr) {
    f.FailTable(
        "an event needs one of key_down, key_up, key_repeat, key, focus, delete, create, "
        "thrust_N, time_acceleration");
  }
  const std::string what = action;
  if (f.Has("hold_s") && what != "key") f.Fail("hold_s", "applies only to key");
  if (f.Has("vessel") && what != "thrust_N") f.Fail("vessel", "applies only to thrust_N");
  return what;
}

// A key pressed and held for hold_s: its key-down, and the key-up the file never wrote.
void AddHeldKey(const Fields &f, TimedEvent e, std::vector<TimedEvent> &events) {
  const int vk = KeyCode(f, "key");
  double hold_s = 0.1;
  if (auto v = f.Number("hold_s")) hold_s = f.Positive("hold_s", *v);
  e.where = f.Ref("key");
  e.action = KeyAction{true, vk};
  events.push_back(e);
  TimedEvent up = e;
  up.t_s = e.t_s + hold_s;
  up.action = KeyAction{false, vk};
  up.where = f.Ref("hold_s");
  up.implied = true;
  events.push_back(up);
}

// The action of an event that is one event: every kind but a held key.
Action SingleAction(const Fields &f, const std::string &what) {
  if (what == "key_down" || what == "key_up" || what == "key_repeat") {
    return KeyAction{what != "key_up", KeyCode(f, what.c_str()), what == "key_repeat"};
  }
  if (what == "focus") {
    const std::string vessel = *f.String("focus");
    if (vessel.empty()) f.Fail("focus", kFocusNeverNone);
    return FocusAction{vessel};
  }
  if (what == "delete") return DeleteAction{*f.String("delete")};
  if (what == "create") {
    return CreateAction{ParseVessel(Fields(*f.Table("create"), f.File(), f.FieldPath("create")))};
  }
  if (what == "time_acceleration") {
    const std::optional<double> factor = f.Number("time_acceleration");
    if (!factor) f.Fail("time_acceleration", "must be a number");
    return TimeAccelerationAction{
        f.Within("time_acceleration", *factor, kTimeAccelerationRange, "times")};
  }
  const std::optional<std::string> vessel = f.String("vessel");
  if (!vessel) f.FailTable("thrust_N needs the vessel it applies to (vessel = \"name\")");
  return ThrustAction{*vessel,
                      f.LengthAtMost("thrust_N", *f.Vector("thrust_N"), kMaxThrust_N, "N")};
}

// One [[event]] table; a held key gives two events, its key-down and its key-up.
void ParseEvent(const Fields &f, std::vector<TimedEvent> &events) {
  f.AllowOnly({"t_s", "key_down", "key_up", "key_repeat", "key", "hold_s", "focus", "delete",
               "create", "thrust_N", "vessel", "time_acceleration"});
  TimedEvent e;
  e.t_s = f.NonNegative("t_s", f.RequiredNumber("t_s"));
  e.order = f.TableLine();
  const std::string what = ActionOf(f);
  if (what == "key") {
    AddHeldKey(f, e, events);
    return;
  }
  e.action = SingleAction(f, what);
  // A thrust is placed by the vessel it pushes; every other event by its action's key.
  e.where = f.Ref(what == "thrust_N" ? "vessel" : what.c_str());
  events.push_back(e);
}

// --- the whole file ---

toml::table ParseToml(const std::string &text, const std::string &display_name) {
  RefuseIfTooLarge(text, display_name);
  try {
    return toml::parse(text, display_name);
  } catch (const toml::parse_error &e) {
    throw ScenarioError(display_name, static_cast<int>(e.source().begin.line), "",
                        "not valid TOML: " + std::string(e.description()));
  }
}

// The run's length in steps when the file gives a duration: the duration over step_s.
void StepsFromDuration(const Fields &top, double duration_s, Scenario &s) {
  const double steps = duration_s / s.step_s;
  if (steps > static_cast<double>(kMaxSteps)) {
    const toml::table *t = top.Table("simulation");
    throw ScenarioError(s.file, t ? Fields(*t, s.file, "simulation").Line("duration_s") : 0,
                        "simulation.duration_s",
                        "makes more than " + std::to_string(kMaxSteps) + " steps of step_s");
  }
  s.steps = std::max(1LL, WholeStepsFrom(steps));
}

// The settings of the run: [simulation], [host], [keyboard] and [terrain].
void ParseSettings(const Fields &top, Scenario &s, double &duration_s, bool &has_steps) {
  if (const toml::table *t = top.Table("simulation")) {
    ParseSimulation(Fields(*t, s.file, "simulation"), s, duration_s, has_steps);
  }
  if (!has_steps) StepsFromDuration(top, duration_s, s);
  if (const toml::table *t = top.Table("host")) ParseHost(Fields(*t, s.file, "host"), s);
  if (const toml::table *t = top.Table("keyboard")) {
    ParseKeyboard(Fields(*t, s.file, "keyboard"), s);
  }
  if (const toml::table *t = top.Table("terrain")) {
    ParseTerrain(Fields(*t, s.file, "terrain"), s.terrain);
  }
}

void ParseBodies(const Fields &top, Scenario &s) {
  ForEachTable(top, "body", [&](const Fields &f) {
    if (s.bodies.size() >= kMaxBodies) {
      f.FailTable("too many bodies (at most " + std::to_string(kMaxBodies) + ")");
    }
    BodyDef body = ParseBody(f);
    for (const BodyDef &b : s.bodies) {
      if (b.name == body.name) f.Fail("name", "two bodies are named \"" + body.name + "\"");
    }
    s.bodies.push_back(std::move(body));
  });
}

// The limit is on the run's events, each of which costs the reader half a kilobyte and more:
// a key event is two of them, its press and its release.
std::string TooManyEvents() {
  return "too many events (at most " + std::to_string(kMaxEvents) +
         " in the run, where each key event counts as two, its press and its release, "
         "and each thrust_schedule entry as one)";
}

// The vessels with their thrust schedules, then the [[event]] tables.
void ParseVesselsAndEvents(const Fields &top, Scenario &s) {
  ForEachTable(top, "vessel", [&](const Fields &f) {
    if (s.vessels.size() >= kMaxVessels) {
      f.FailTable("too many vessels (at most " + std::to_string(kMaxVessels) + ")");
    }
    s.vessels.push_back(ParseVessel(f));
    ParseThrustSchedule(f, s.vessels.back().name, s.events);
    if (s.events.size() > size_t{kMaxEvents}) f.Fail("thrust_schedule", TooManyEvents());
  });
  ForEachTable(top, "event", [&](const Fields &f) {
    if (s.events.size() >= size_t{kMaxEvents}) f.FailTable(TooManyEvents());
    ParseEvent(f, s.events);
  });
}

// Steps that are not all step_s long. The host's code takes its first steps at
// kLaunchStep_s, whatever step_s says.
bool StepsVary(const Scenario &s) {
  return s.step_jitter_s > 0.0 ||
         std::any_of(s.events.begin(), s.events.end(),
                     [](const TimedEvent &e) {
                       return std::holds_alternative<TimeAccelerationAction>(e.action);
                     }) ||
         (s.post_step_sees == FrameOrder::kStartOfStep && s.step_s != kLaunchStep_s);
}

}  // namespace

Scenario ParseScenarioText(const std::string &text, const std::string &display_name,
                           const std::string &orbiter_root) {
  const toml::table root = ParseToml(text, display_name);
  Scenario s;
  s.file = display_name;
  const Fields top(root, display_name, "");
  top.AllowOnly(
      {"world_from", "simulation", "host", "keyboard", "terrain", "body", "vessel", "event"});
  double duration_s = 60.0;
  bool has_steps = false;
  ParseSettings(top, s, duration_s, has_steps);
  TakeWorldFrom(top, orbiter_root, s);
  ParseBodies(top, s);
  ParseVesselsAndEvents(top, s);
  // Refused only now: a file without bodies has its other faults named first.
  if (s.bodies.empty()) {
    throw ScenarioError(display_name, 0, "body", "a scenario needs at least one [[body]]");
  }
  s.steps_vary = StepsVary(s);
  PlaceEventsOnSteps(s);
  CheckScenario(s);
  if (s.steps_vary && !has_steps) LetStepsVary(s, duration_s);
  FillTerrainBody(s);
  return s;
}

Scenario ParseScenarioFile(const std::string &path, const std::string &orbiter_root) {
  return ParseScenarioText(ReadTextFile(path, "scenario file"), path, orbiter_root);
}

}  // namespace app
