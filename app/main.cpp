// touchdown-sim: the stand-in host run from a scenario file, from the command line to the
// account on stdout. Every failure ends here in one line on stderr and a non-zero status.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "app/account/account.h"
#include "app/base/run_stop.h"
#include "app/base/terminal.h"
#include "app/base/text_format.h"
#include "app/base/usage_error.h"
#include "app/cli/cli.h"
#include "app/live/live.h"
#include "app/outputs/event_log.h"
#include "app/outputs/output_clash.h"
#include "app/outputs/output_places.h"
#include "app/outputs/progress.h"
#include "app/outputs/scn_names.h"
#include "app/outputs/scn_save.h"
#include "app/outputs/trace.h"
#include "app/run/finite_watch.h"
#include "app/run/plugin.h"
#include "app/run/runner.h"
#include "app/scenario/default_scenario.h"
#include "app/scenario/scenario_error.h"
#include "app/scenario/scenario_parse.h"
#include "app/scenario/scn_parse.h"
#include "app/visuals/plots.h"
#include "app/visuals/visuals.h"
#include "app/world/scenario_world.h"

namespace {

constexpr char kBuiltInName[] = "<built-in default scenario>";

void PrintChecked(const app::Scenario &scenario) {
  std::printf("%s: %s, %s, %s, %s: fine\n", app::Printable(scenario.file).c_str(),
              app::Counted(std::ssize(scenario.bodies), "body", "bodies").c_str(),
              app::Counted(std::ssize(scenario.vessels), "vessel", "vessels").c_str(),
              app::Counted(std::ssize(scenario.events), "timed event", "timed events").c_str(),
              app::Counted(scenario.steps, "step", "steps").c_str());
}

std::vector<app::Scenario> ReadScenarios(const app::Options &options) {
  std::vector<app::Scenario> scenarios;
  if (options.scenarios.empty()) {
    scenarios.push_back(app::ParseScenarioText(app::kDefaultScenarioText, kBuiltInName));
  }
  for (const std::string &file : options.scenarios) {
    scenarios.push_back(app::ReadScenarioFileOfAnyKind(file, options.orbiter_root));
  }
  const bool simulator_files =
      std::any_of(scenarios.begin(), scenarios.end(),
                  [](const app::Scenario &s) { return !s.world_from.empty(); });
  if (!options.orbiter_root.empty() && !simulator_files) {
    throw app::UsageError(
        "--orbiter-root goes with a simulator's scenario file (.scn) or a TOML's world_from");
  }
  if (scenarios.size() == 1) return scenarios;
  // The module loads the terrain library once, when it starts: what the first session finds
  // there, every session finds.
  for (const app::Scenario &scenario : scenarios) {
    if (scenario.terrain.presence != scenarios.front().terrain.presence) {
      throw app::UsageError(app::Printable(scenario.file) + " and " +
                            app::Printable(scenarios.front().file) +
                            " differ in [terrain] library; the plug-in loads the library once, "
                            "so the sessions of one run must agree on it");
    }
  }
  // Every world is built once before the first session runs: a vessel that cannot be placed
  // in the third session stops the program before the first one has written anything.
  sim::World scratch;
  for (const app::Scenario &scenario : scenarios) {
    app::BuildWorld(scenario, scratch);
    scratch.EndSession();
  }
  return scenarios;
}

// What a session writes as it runs, each an observer of the runner.
struct SessionOutputs {
  explicit SessionOutputs(const app::Scenario &scenario) : account(scenario) {}
  app::Account account;
  app::FiniteWatch finite_watch;
  std::unique_ptr<app::EventLog> events;
  std::unique_ptr<app::Trace> trace;
  std::unique_ptr<app::Progress> progress;
  std::unique_ptr<app::ScnSave> scn;
  std::vector<app::StepObserver *> observers;
};

void AddOutputs(const app::Options &options, const app::Scenario &scenario, app::LiveHooks *live,
                app::Visuals &visuals, SessionOutputs &out) {
  out.observers = {&out.finite_watch, &out.account};
  if (live != nullptr) live->AddObservers(scenario, out.observers);
  if (visuals.Recorder() != nullptr) out.observers.push_back(visuals.Recorder());
  if (!options.events_path.empty()) {
    out.events = std::make_unique<app::EventLog>(
        options.events_path, app::EventLogFilter{options.events_every, options.events_kinds});
    out.observers.push_back(out.events.get());
  }
  if (!options.trace_path.empty()) {
    out.trace = std::make_unique<app::Trace>(options.trace_path, options.trace_every);
    out.observers.push_back(out.trace.get());
  }
  if (!options.save_scn.empty()) {
    out.scn = std::make_unique<app::ScnSave>(options.save_scn, scenario.file);
    out.observers.push_back(out.scn.get());
  }
  if (live == nullptr && !options.quiet && app::StderrIsTerminal()) {
    out.progress = std::make_unique<app::Progress>(stderr, scenario);
    out.observers.push_back(out.progress.get());
  }
}

// Recording costs a copy of every host call: only the live page, the pictures and an event
// log that keeps some of them read it.
bool ReadsHostCalls(const app::LiveHooks *live, app::Visuals &visuals, const SessionOutputs &out) {
  return live != nullptr || visuals.Recorder() != nullptr ||
         (out.events != nullptr && out.events->KeepsHostCalls());
}

// The session's end: the module's version asked while it is loaded, the world's vessels
// destroyed, and the account.
void EndSession(const app::Scenario &scenario, sim::World &world, const app::Plugin &plugin,
                const app::RunTotals &totals, bool several, SessionOutputs &out) {
  const int version = plugin.Entry().get_module_version();
  const uint32_t session = world.Session();
  world.EndSession();
  out.account.NoteStaleCalls(world.StaleCalls(session));
  if (several) {
    std::printf("%s=== session %u: %s ===\n", session > 1 ? "\n" : "", session,
                app::Printable(scenario.file).c_str());
  }
  out.account.Print(stdout, totals, version);
}

// One session of the host: the world built from its scenario (but for the first, which is
// built before the plug-in loads), stepped, its vessels destroyed, its account printed.
void RunSession(const app::Options &options, const app::Scenario &scenario, sim::World &world,
                std::unique_ptr<app::Plugin> &plugin, app::LiveHooks *live, bool several) {
  app::Roster roster = app::RosterOf(world);
  // Before any output file: a picture that cannot be made stops the run before it starts.
  app::Visuals visuals(app::VisualsOptionsOf(options), scenario, world.ExecutablePath());
  SessionOutputs out(scenario);
  AddOutputs(options, scenario, live, visuals, out);
  world.SetRecording(ReadsHostCalls(live, visuals, out));
  // Loaded once, with the first session's world current: the plug-in's entry stub reports
  // to it.
  if (plugin == nullptr) {
    plugin = std::make_unique<app::Plugin>(options.module_path.empty()
                                               ? app::DefaultPluginPath(world.ExecutablePath())
                                               : options.module_path);
  }
  const app::Scenario endless = live != nullptr ? live->Endless(scenario) : app::Scenario{};
  app::Runner runner(live != nullptr ? endless : scenario, world, roster, plugin->Entry(),
                     plugin->Instance(), out.observers);
  if (live != nullptr) live->Drive(runner, world, roster);
  // Until here nothing was written: a signal ended the program at once. From here on the
  // first one stops the run after its step and the outputs are completed.
  app::LoadingDone();
  const app::RunTotals totals = runner.Run();
  EndSession(scenario, world, *plugin, totals, several, out);
  visuals.Write(stdout);
}

int Run(const app::Options &options, app::LiveHooks *live) {
  const std::vector<app::Scenario> scenarios = ReadScenarios(options);
  if (!options.save_scn.empty()) {
    for (const app::Scenario &scenario : scenarios) app::CheckScnNames(scenario);
  }
  sim::World world;
  app::BuildWorld(scenarios.front(), world);
  if (options.check_only) {
    PrintChecked(scenarios.front());
    for (size_t i = 1; i < scenarios.size(); ++i) PrintChecked(scenarios[i]);
    return 0;
  }
  std::unique_ptr<app::Plugin> plugin;
  const bool several = scenarios.size() > 1;
  for (size_t i = 0; i < scenarios.size(); ++i) {
    if (i > 0) app::BuildWorld(scenarios[i], world);
    RunSession(app::SessionOptions(options, i + 1), scenarios[i], world, plugin, live, several);
    if (app::StopRequested()) break;
  }
  plugin->Unload();  // ExitModule, while the world it talks to still exists
  if (app::StoppedByFault()) {
    std::fprintf(stderr, "touchdown-sim: error: %s\n", app::Printable(app::StopReason()).c_str());
  }
  return app::StopExitStatus();
}

// The account and --print-default are outputs like the files: a full disk or a closed pipe
// behind stdout is a failure, not a run that went well.
int FinishStdout(int status) {
  errno = 0;
  if (std::fflush(stdout) == 0 && std::ferror(stdout) == 0) return status;
  const int reason = errno;
  std::fprintf(stderr, "touchdown-sim: error: cannot write to stdout: %s\n",
               reason != 0 ? std::strerror(reason) : "a write failed");
  return status == 0 ? 1 : status;
}

int RunChecked(const app::Options &options) {
  // A signal from here until the first step ends the program at once, touching nothing.
  app::InstallStopSignals();
  app::CheckOutputsApart(app::OutputsOf(options));
  // Before any folder is made for the figures: without gnuplot there are none to make.
  if (!options.plot_dir.empty()) app::RequireGnuplot();
  // Before anything runs, and in live mode before the address is printed.
  app::CheckOutputPlaces(app::OutputsOf(options));
  if (options.live) {
    return app::RunLive(app::LiveOptionsOf(options),
                        [&options](app::LiveHooks *live) { return Run(options, live); });
  }
  return Run(options, nullptr);
}

}  // namespace

int main(int argc, char **argv) {
  const std::variant<app::Options, int> parsed = app::ParseCommandLine(argc, argv);
  if (const int *status = std::get_if<int>(&parsed)) return *status;
  const app::Options &options = std::get<app::Options>(parsed);
  if (options.print_default) {
    std::fputs(app::kDefaultScenarioText, stdout);
    return FinishStdout(0);
  }
  int status = 1;
  try {
    status = RunChecked(options);
  } catch (const app::UsageError &e) {
    std::fprintf(stderr, "touchdown-sim: error: %s\n", app::Printable(e.what()).c_str());
    status = 2;
  } catch (const app::ScenarioError &e) {
    std::fprintf(stderr, "touchdown-sim: error: %s\n", app::Printable(e.what()).c_str());
    status = 2;
  } catch (const app::PlotsGivenUp &e) {
    std::fprintf(stderr, "touchdown-sim: %s; the previous ones are as they were\n",
                 app::Printable(e.what()).c_str());
    status = 128 + e.Signal();
  } catch (const std::exception &e) {
    std::fprintf(stderr, "touchdown-sim: error: %s\n", app::Printable(e.what()).c_str());
    status = 1;
  }
  return FinishStdout(status);
}
