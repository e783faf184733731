// The program's account of a run, step by step, without the module: it measures a free
// vessel against the terrain before each step and takes a measure as still true only while
// the vessel has stayed free and has not moved by a bit. And the outputs that place things in
// time, on steps of changing length: they follow the world's clock.
#include "app/account/account.h"

#include <gtest/gtest.h>
#include <toml++/toml.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/live/live_recording.h"
#include "app/outputs/event_log.h"
#include "app/outputs/progress.h"
#include "app/run/runner.h"
#include "app/scenario/scenario_parse.h"
#include "app/world/scenario_world.h"
#include "math/vector.h"
#include "support/moon_and_ground.h"

namespace {

const std::string kCrateOverTheGround = std::string(R"(
[simulation]
step_s = 0.01
duration_s = 1.0
)") + tdtest::kMoonAndGround + R"(
[[vessel]]
name = "crate"
altitude_m = 100.0
)";

std::string Printed(const app::Account &account) {
  std::FILE *out = std::tmpfile();
  account.Print(out, {}, 0);
  std::rewind(out);
  std::string text;
  for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) text += static_cast<char>(c);
  std::fclose(out);
  return text;
}

// Hung on the carrier, let go where it hangs, then found in the ground: the vessel let go
// is measured anew (airborne again), so that its coming down is a touchdown.
TEST(Account, AVesselLetGoWhereItHangsIsMeasuredAnew) {
  const app::Scenario scenario = app::ParseScenarioText(kCrateOverTheGround, "<test>");
  sim::World world;
  app::BuildWorld(scenario, world);
  const app::Roster roster = app::RosterOf(world);
  app::Account account(scenario);
  const auto step = [&](int n) {
    const app::StepContext ctx{world, roster, n, 0.01 * n};
    account.BeforeModuleStep(ctx);
    account.AfterModuleStep(ctx);
  };
  account.OnStart({world, roster, 0, 0.0});
  step(1);

  const OBJHANDLE crate = world.FindVessel("crate");
  const VESSEL *carrier = oapiGetVesselInterface(world.FindVessel("surface"));
  const ATTACHMENTHANDLE hook = carrier->CreateAttachment(false, td::Vec3(0, 50, 0),
                                                          td::Vec3(0, 1, 0), td::Vec3(0, 0, 1), "");
  const ATTACHMENTHANDLE eye = oapiGetVesselInterface(crate)->CreateAttachment(
      true, td::Vec3(0, 0, 0), td::Vec3(0, -1, 0), td::Vec3(0, 0, 1), "");
  ASSERT_TRUE(carrier->AttachChild(crate, hook, eye));
  step(2);
  ASSERT_TRUE(carrier->DetachChild(hook));
  step(3);

  sim::VesselRecord *v = world.Vessel(crate);
  const VECTOR3 centre = world.Body(v->body)->pos_global;
  const VECTOR3 up = td::VecUnit(td::VecSub(v->pos_global, centre));
  v->pos_global = td::VecAdd(centre, td::VecScale(up, 1737400.0 - 1.0));
  v->vel_global = td::VecScale(up, -1.0);
  step(4);
  account.OnFinish({world, roster, 4, 0.04});

  const std::string text = Printed(account);
  EXPECT_NE(text.find("0.040 s  touchdown, closing speed 1.000 m/s"), std::string::npos) << text;
}

// Steps of 0.01 s +- 3 ms, ten times as long from 0.5 s on: 3 s take some 75 steps, which
// step_s alone would call 0.75 s.
const std::string kVaryingSteps = std::string(R"(
[simulation]
step_s = 0.01
step_jitter_s = 0.003
seed = 21
duration_s = 3.0

[[event]]
t_s = 0.5
time_acceleration = 10.0
)") + tdtest::kMoonAndGround;

// When each action reached the observers: the step count and the clock.
class ActionTimes : public app::StepObserver {
 public:
  void OnAction(const app::StepContext &ctx, const app::ScenarioAction &action) override {
    if (action.kind == app::ScenarioAction::kKeyDown || action.kind == app::ScenarioAction::kKeyUp)
      seen.push_back({ctx.step, ctx.simt});
  }
  std::vector<std::pair<int64_t, double>> seen;
};

struct Played {
  double end_s = 0.0;
  int64_t steps = 0;
  std::vector<std::pair<int64_t, double>> keys;  // (steps done, clock) at each key
  std::string progress;                          // the progress line at the end
};

// Runs a scenario without the module, pressing W from the page at the first gap at or after
// 1 s and letting it go at the first at or after 2 s, into a live recording when given.
Played Play(const std::string &text, const std::string &record_to = "") {
  const app::Scenario scenario = app::ParseScenarioText(text, "<test>");
  sim::World world;
  app::BuildWorld(scenario, world);
  app::Roster roster = app::RosterOf(world);
  app::Progress progress(stderr, scenario);
  ActionTimes times;
  std::unique_ptr<app::LiveRecording> recording;
  std::vector<app::StepObserver *> observers{&progress, &times};
  if (!record_to.empty()) {
    recording = std::make_unique<app::LiveRecording>(record_to, text, scenario);
    recording->SetFromPage(true);
    observers.push_back(recording.get());
  }
  app::Runner runner(scenario, world, roster, {}, nullptr, observers);
  bool down = false, up = false;
  if (recording) {
    runner.SetBetweenSteps([&](double now_s) {
      if (!down && now_s >= 1.0) runner.Act(app::KeyAction{true, 'W'}, now_s), down = true;
      if (!up && now_s >= 2.0) runner.Act(app::KeyAction{false, 'W'}, now_s), up = true;
      return true;
    });
  }
  const app::RunTotals totals = runner.Run();
  return {world.SimTime(), totals.steps, times.seen, progress.Line(1.0)};
}

TEST(StepsThatVary, TheProgressLineAndTheLiveRecordingGoByTheWorldsClock) {
  const std::filesystem::path file = std::filesystem::temp_directory_path() /
                                     ("td-recorded-" + std::to_string(getpid()) + ".toml");
  const Played live = Play(kVaryingSteps, file.string());
  ASSERT_GE(live.end_s, 3.0);
  ASSERT_LT(live.steps, 100) << "the time acceleration is in force";
  // All of the run's 3 s are done, as simulated time, at the rate over real time that gives
  // (one second of wall time asked for).
  char expected[100];
  std::snprintf(expected, sizeof expected,
                "%.1f of 3.0 s simulated (100.0 %%), %.0fx real time, 0 s left", live.end_s,
                live.end_s);
  EXPECT_EQ(live.progress, expected);

  const toml::table recorded = toml::parse_file(file.string());
  std::filesystem::remove(file);
  EXPECT_DOUBLE_EQ(recorded["simulation"]["duration_s"].value_or(0.0), live.end_s);
  EXPECT_FALSE(recorded["simulation"]["steps"]) << "the same seed draws the same steps again";
  ASSERT_EQ(live.keys.size(), 2u);
  std::vector<double> key_times;
  for (const toml::node &e : *recorded["event"].as_array()) {
    const toml::table &t = *e.as_table();
    if (t.contains("key_down") || t.contains("key_up"))
      key_times.push_back(*t["t_s"].value<double>());
  }
  ASSERT_EQ(key_times.size(), 2u);
  EXPECT_DOUBLE_EQ(key_times[0], live.keys[0].second);
  EXPECT_DOUBLE_EQ(key_times[1], live.keys[1].second);

  // Played again, the recording presses and lets go in the same gaps and ends with the run.
  std::string text;
  {
    std::ostringstream out;
    out << recorded;
    text = out.str();
  }
  const Played again = Play(text);
  EXPECT_EQ(again.keys, live.keys);
  EXPECT_EQ(again.steps, live.steps);
  EXPECT_DOUBLE_EQ(again.end_s, live.end_s);
}

// Calls the real host lets through unchecked, and calls refused, as the module might make
// them: each is a HostWarning row of the event log right after its call's row, and the account
// counts them by kind in one line, also those made while calls are not recorded.
TEST(Account, HostWarningsAreLoggedAfterTheirCallsAndCountedByKind) {
  const app::Scenario scenario = app::ParseScenarioText(kCrateOverTheGround + R"(
[[vessel]]
name = "box"
altitude_m = 100.0

[host]
post_step_sees = "end_of_step"   # where such calls are refused; the host's code lets them be
)",
                                                        "<test>");
  sim::World world;
  app::BuildWorld(scenario, world);
  const app::Roster roster = app::RosterOf(world);
  const std::string path =
      (std::filesystem::temp_directory_path() /
       ("td_warnings_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
        ".jsonl"))
          .string();
  app::Account account(scenario);
  app::EventLog log(path, {1, {"AttachChild", "HostWarning"}});
  const std::vector<app::StepObserver *> observers{&account, &log};
  // As the runner tells them: each round, then the record cleared.
  const auto each = [&](auto &&call) {
    for (app::StepObserver *o : observers) call(*o);
    world.ClearEvents();
  };
  each([&](app::StepObserver &o) { o.OnStart({world, roster, 0, 0.0}); });

  const OBJHANDLE crate = world.FindVessel("crate"), box = world.FindVessel("box");
  const VESSEL *carrier = oapiGetVesselInterface(world.FindVessel("surface"));
  const VECTOR3 up = td::Vec3(0, 1, 0), fwd = td::Vec3(0, 0, 1);
  const ATTACHMENTHANDLE hook = carrier->CreateAttachment(false, up, up, fwd, "");
  const ATTACHMENTHANDLE crate_eye =
      oapiGetVesselInterface(crate)->CreateAttachment(true, {}, up, fwd, "");
  const ATTACHMENTHANDLE box_eye =
      oapiGetVesselInterface(box)->CreateAttachment(true, {}, up, fwd, "");
  EXPECT_FALSE(carrier->AttachChild(crate, crate_eye, hook));  // the points swapped: foreign
  EXPECT_TRUE(carrier->AttachChild(crate, hook, crate_eye));   // no warning
  EXPECT_FALSE(carrier->AttachChild(box, hook, box_eye));      // the hook holds the crate
  EXPECT_FALSE(oapiGetVesselInterface(crate)->AttachChild(crate, hook, crate_eye));  // itself
  each([&](app::StepObserver &o) { o.BeforeModuleStep({world, roster, 1, 0.01}); });
  world.SetRecording(false);
  EXPECT_FALSE(carrier->AttachChild(box, box_eye, hook));
  each([&](app::StepObserver &o) { o.OnFinish({world, roster, 1, 0.01}); });

  std::vector<std::string> rows;
  {
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) rows.push_back(line);
  }
  std::filesystem::remove(path);
  const auto kind_of = [](const std::string &row) {
    const size_t at = row.find("\"kind\":\"") + 8;
    return row.substr(at, row.find('"', at) - at);
  };
  ASSERT_EQ(rows.size(), 7u) << ::testing::PrintToString(rows);
  const char *kinds[] = {"AttachChild", "HostWarning", "AttachChild", "AttachChild",
                         "HostWarning", "AttachChild", "HostWarning"};
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(kind_of(rows[i]), kinds[i]) << rows[i];
  EXPECT_NE(rows[1].find("\"warning\":\"foreign point\",\"call\":\"AttachChild\","
                         "\"vessel\":\"surface\",\"child\":\"crate\""),
            std::string::npos)
      << rows[1];
  EXPECT_NE(rows[4].find("\"warning\":\"occupied point\""), std::string::npos) << rows[4];
  EXPECT_NE(rows[4].find("\"child\":\"box\""), std::string::npos) << rows[4];
  EXPECT_NE(rows[6].find("\"warning\":\"refused\",\"call\":\"AttachChild\",\"vessel\":\"crate\""),
            std::string::npos)
      << rows[6];

  const std::string text = Printed(account);
  EXPECT_NE(text.find("  host warnings: 4 (foreign point: 2, occupied point: 1, refused: 1)\n"),
            std::string::npos)
      << text;
}

}  // namespace
