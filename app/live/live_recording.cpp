#include "app/live/live_recording.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <sstream>

#include "app/base/key_names.h"
#include "app/base/output_file.h"
#include "app/outputs/output_places.h"
#include "app/scenario/scn_parse.h"

namespace app {

namespace {

// Drops the timed things the run ended before: a scenario may not have them.
template <typename After>
void KeepBefore(toml::array &timed, After after) {
  for (size_t i = timed.size(); i-- > 0;) {
    const toml::table *t = timed.get(i)->as_table();
    const double t_s = t != nullptr ? (*t)["t_s"].value<double>().value_or(0.0) : 0.0;
    if (after(t_s)) timed.erase(timed.begin() + static_cast<long>(i));
  }
}

// The run's length in steps: a scenario runs one at least.
long long StepsRun(const StepContext &ctx) { return std::max<long long>(1, ctx.step); }

toml::table &TableIn(toml::table &root, const char *key) {
  return *root.emplace(key, toml::table{}).first->second.as_table();
}

// Every repeat of the run is a timed event of its own, so a held key must not repeat by
// itself when the file is played, however long it was held.
void NoAutoRepeat(toml::table &root) {
  toml::table &keyboard = TableIn(root, "keyboard");
  keyboard.erase("repeat_delay_s");
  keyboard.erase("repeat_interval_s");
  keyboard.insert_or_assign("auto_repeat", false);
}

}  // namespace

LiveRecording::LiveRecording(const std::string &path, const std::string &scenario_text,
                             const Scenario &scenario)
    : path_(path),
      text_(scenario_text),
      step_s_(scenario.step_s),
      steps_vary_(scenario.steps_vary) {
  // A world read from the simulator's own file is recorded as a TOML scenario that takes its
  // world from that file, by its absolute path, so that the recording replays wherever it
  // is put; so is a TOML's world_from, which is relative to the file that named it.
  std::string from = scenario.world_from;
  if (IsScnName(scenario.file)) {
    from = scenario.file;
    text_.clear();
  }
  if (!from.empty()) world_from_ = std::filesystem::absolute(from).string();
  // Fails now, not after an hour of driving; the file itself is written only at the end.
  ProbeOutputFile("--record-scenario " + path_, path_);
}

void LiveRecording::OnStart(const StepContext &ctx) { start_s_ = now_s_ = last_gap_s_ = ctx.simt; }

void LiveRecording::AfterStep(const StepContext &ctx) {
  last_gap_s_ = now_s_;
  now_s_ = ctx.simt;
}

void LiveRecording::OnAction(const StepContext &ctx, const ScenarioAction &action) {
  // Live keys never repeat by the scenario's timing, so every repeat not from the page is
  // one of the scenario's own timed events, which the file keeps already.
  if (!from_page_) return;
  toml::table e;
  // Constant steps place an event on its step exactly, as the scenario reader rounds it.
  e.insert("t_s", steps_vary_ ? ctx.simt - start_s_ : static_cast<double>(ctx.step) * step_s_);
  switch (action.kind) {
    case ScenarioAction::kKeyDown:
      e.insert("key_down", KeyName(action.vk));
      break;
    case ScenarioAction::kKeyUp:
      e.insert("key_up", KeyName(action.vk));
      break;
    case ScenarioAction::kKeyRepeat:
      e.insert("key_repeat", KeyName(action.vk));
      break;
    case ScenarioAction::kFocus:
      e.insert("focus", action.vessel);
      break;
    case ScenarioAction::kThrust:
      e.insert("thrust_N", toml::array{action.thrust_N.x, action.thrust_N.y, action.thrust_N.z});
      e.insert("vessel", action.vessel);
      break;
    case ScenarioAction::kCreate:
    case ScenarioAction::kDelete:
      return;  // the page does neither
  }
  // Names the reader does not know are written as codes.
  for (const char *key : {"key_down", "key_up", "key_repeat"}) {
    if (const auto name = e[key].value<std::string>(); name && !KeyCodeByName(*name)) {
      e.insert_or_assign(key, static_cast<int64_t>(action.vk));
    }
  }
  events_.push_back(std::move(e));
}

bool LiveRecording::AfterEnd(double t_s, const StepContext &ctx) const {
  // As the runner finds an event due: sums of drawn steps, a little tolerance.
  if (steps_vary_) return t_s > (last_gap_s_ - start_s_) + 1e-6 * step_s_;
  return WholeStepsFrom(t_s / step_s_) >= StepsRun(ctx);
}

void LiveRecording::SetLength(toml::table &root, const StepContext &ctx) const {
  toml::table &simulation = TableIn(root, "simulation");
  if (steps_vary_ && ctx.step > 0) {
    simulation.erase("steps");
    simulation.insert_or_assign("duration_s", ctx.simt - start_s_);
  } else {
    simulation.erase("duration_s");
    simulation.insert_or_assign("steps", static_cast<int64_t>(StepsRun(ctx)));
  }
}

toml::array &LiveRecording::EventsBeforeEnd(toml::table &root, const StepContext &ctx) const {
  const auto after = [&](double t_s) { return AfterEnd(t_s, ctx); };
  toml::array &events = *root.emplace("event", toml::array{}).first->second.as_array();
  KeepBefore(events, after);
  if (toml::array *vessels = root["vessel"].as_array()) {
    for (toml::node &v : *vessels) {
      if (toml::array *schedule =
              v.as_table() ? (*v.as_table())["thrust_schedule"].as_array() : nullptr) {
        KeepBefore(*schedule, after);
      }
    }
  }
  return events;
}

void LiveRecording::OnFinish(const StepContext &ctx) {
  toml::table root = toml::parse(text_);
  if (!world_from_.empty()) root.insert_or_assign("world_from", world_from_);
  SetLength(root, ctx);
  NoAutoRepeat(root);
  toml::array &events = EventsBeforeEnd(root, ctx);
  for (toml::node &e : events_) events.push_back(std::move(e));
  events_.clear();

  std::ostringstream text;
  text << "# A live run of touchdown-sim, recorded: the scenario's world and events, and the\n"
          "# keys and host actions of the page as timed events, with every auto-repeat.\n\n"
       << root << '\n';
  OutputFile out(path_);
  out.Buffer() = text.str();
  out.Close();
}

}  // namespace app
