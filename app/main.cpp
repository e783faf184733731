// touchdown-sim: the stand-in host run from a scenario file, from the command line to the
// account on stdout. Every failure ends here in one line on stderr and a non-zero status.
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
#include "app/outputs/trace.h"
#include "app/run/finite_watch.h"
#include "app/run/plugin.h"
#include "app/run/runner.h"
#include "app/scenario/default_scenario.h"
#include "app/scenario/scenario_error.h"
#include "app/scenario/scenario_parse.h"
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
    scenarios.push_back(app::ParseScenarioFile(file));
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

// One session of the host: the world built from its scenario (but for the first, which is
// built before the plug-in loads), stepped, its vessels destroyed, its account printed.
void RunSession(const app::Options &options, const app::Scenario &scenario, sim::World &world,
                std::unique_ptr<app::Plugin> &plugin, app::LiveHooks *live, bool several) {
  app::Roster roster = app::RosterOf(world);

  // Before any output file: a picture that cannot be made stops the run before it starts.
  app::Visuals visuals(app::VisualsOptionsOf(options), scenario, world.ExecutablePath());
  app::Account account(scenario);
  app::FiniteWatch finite_watch;
  std::vector<app::StepObserver *> observers{&finite_watch, &account};
  if (live != nullptr) live->AddObservers(scenario, observers);
  if (visuals.Recorder() != nullptr) observers.push_back(visuals.Recorder());
  std::unique_ptr<app::EventLog> events;
  std::unique_ptr<app::Trace> trace;
  if (!options.events_path.empty()) {
    events = std::make_unique<app::EventLog>(
        options.events_path, app::EventLogFilter{options.events_every, options.events_kinds});
    observers.push_back(events.get());
  }
  if (!options.trace_path.empty()) {
    trace = std::make_unique<app::Trace>(options.trace_path, options.trace_every);
    observers.push_back(trace.get());
  }
  // Recording costs a copy of every host call; without a log, pictures or a live page nobody
  // reads it.
  world.SetRecording(live != nullptr || events != nullptr || visuals.Recorder() != nullptr);
  // Nor when the log keeps none of the host's calls.
  if (live == nullptr && visuals.Recorder() == nullptr && events != nullptr &&
      !events->KeepsHostCalls()) {
    world.SetRecording(false);
  }
  std::unique_ptr<app::Progress> progress;
  if (live == nullptr && !options.quiet && app::StderrIsTerminal()) {
    progress = std::make_unique<app::Progress>(stderr, scenario);
    observers.push_back(progress.get());
  }

  // Loaded once, with the first session's world current: the plug-in's entry stub reports
  // to it.
  if (plugin == nullptr) {
    plugin = std::make_unique<app::Plugin>(options.module_path.empty()
                                               ? app::DefaultPluginPath(world.ExecutablePath())
                                               : options.module_path);
  }
  const app::Scenario endless = live != nullptr ? live->Endless(scenario) : app::Scenario{};
  app::Runner runner(live != nullptr ? endless : scenario, world, roster, plugin->Entry(),
                     plugin->Instance(), observers);
  if (live != nullptr) live->Drive(runner, world, roster);
  // Until here nothing was written: a signal ended the program at once. From here on the
  // first one stops the run after its step and the outputs are completed.
  app::LoadingDone();
  const app::RunTotals totals = runner.Run();
  const int version = plugin->Entry().get_module_version();
  const uint32_t session = world.Session();
  world.EndSession();
  account.NoteStaleCalls(world.StaleCalls(session));
  if (several) {
    std::printf("%s=== session %u: %s ===\n", session > 1 ? "\n" : "", session,
                app::Printable(scenario.file).c_str());
  }
  account.Print(stdout, totals, version);
  visuals.Write(stdout);
}

int Run(const app::Options &options, app::LiveHooks *live) {
  const std::vector<app::Scenario> scenarios = ReadScenarios(options);
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
