#include "app/cli/cli.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <iterator>
#include <system_error>

#include "app/outputs/event_kinds.h"

namespace app {

namespace {

constexpr char kAbout[] =
    "Runs the touchdown module headless: loads the plug-in as the simulator would, builds "
    "the world of a scenario file (TOML or the simulator's .scn, see docs/scenarios.md), "
    "steps it and prints an "
    "account of touchdowns, anchorings and releases. Without a scenario it plays the "
    "built-in tour (the same text as scenarios/default.toml).\n\n"
    "Exit status: 0 after a run, 2 for a bad scenario or command line (one error line on "
    "stderr naming file, line and field, or an output that is the scenario, another "
    "output, the program, the plug-in or the terrain library; nothing runs), 1 when the "
    "plug-in cannot be loaded or an output cannot be written (an output's folder is tried "
    "before the run; a write that fails stops it, with the system's reason; stdout too), 3 "
    "when a vessel's state stopped being finite, 130/143/129 after SIGINT/SIGTERM/SIGHUP "
    "(outputs completed up to the step run; while loading, nothing written; a SIGINT while "
    "drawing the plots discards them; a second signal ends at once, leaving the previous "
    "outputs).";

// The options that name a file: none of them may be given an empty name.
constexpr const char *kFileOptions[] = {"--events", "--trace",    "--plot",           "--replay",
                                        "--module", "--save-scn", "--record-scenario"};

void AddLogOptions(CLI::App &cli, Options &o) {
  cli.add_option("--events", o.events_path,
                 "Write the event log, JSON Lines: every host call by which the module changed "
                 "the world, keystrokes, and each vessel's state before every call of the "
                 "module's step (docs/outputs.md)");
  cli.add_option("--save-scn", o.save_scn,
                 "Write the state the run ends in as a scenario file the simulator loads: "
                 "vessels on the ground as Landed with place and heading, the others as "
                 "Orbiting with state vectors (docs/outputs.md)");
  cli.add_option("--trace", o.trace_path,
                 "Write a CSV trace of every vessel's state before each step of the module, for "
                 "plotting (docs/outputs.md)");
  cli.add_option("--trace-every", o.trace_every, "Trace only every N-th step (default 1)")
      ->check(CLI::Range(int64_t{1}, int64_t{1} << 40));
  cli.add_option("--events-every", o.events_every,
                 "Write the State and AddForce records of every N-th step only (default 1); "
                 "the module's other calls and the scenario's actions are written in every step")
      ->check(CLI::Range(int64_t{1}, int64_t{1} << 40));
  cli.add_option("--events-kinds", o.events_kinds,
                 "Keep only these kinds of record in the event log, comma-separated (e.g. "
                 "State,AttachChild,DetachChild)")
      ->delimiter(',')
      ->check(
          CLI::IsMember(std::vector<std::string>(std::begin(kEventKinds), std::end(kEventKinds))));
  cli.add_flag("--quiet", o.quiet,
               "No progress line on stderr (there is none either when stderr is not a terminal)");
}

void AddPictureAndProgramOptions(CLI::App &cli, Options &o) {
  cli.add_option("--plot", o.plot_dir,
                 "Draw the run with gnuplot into this folder: per vessel clearance and "
                 "vertical speed, the contact forces, a map of the paths (PNG and SVG, with "
                 "their data and script; docs/visuals.md)");
  cli.add_option("--replay", o.replay_path,
                 "Write a page that plays the run in 3D in a browser, self-contained "
                 "(docs/visuals.md)");
  cli.add_option("--module", o.module_path,
                 "Plug-in to load (default: modules/plugin/touchdown.so beside this program)");
  cli.add_flag("--print-default", o.print_default,
               "Print the built-in scenario and exit (a starting point for your own)");
  cli.add_flag("--check", o.check_only, "Read the scenario and build its world, then exit");
  cli.add_option("--orbiter-root", o.orbiter_root,
                 "The simulator's folder, whose Config/Vessels/<class>.cfg give the vessel "
                 "classes of a simulator's scenario file (.scn, or a TOML's world_from)")
      ->check(CLI::ExistingDirectory);
}

void AddLiveOptions(CLI::App &cli, Options &o) {
  cli.add_flag("--live", o.live,
               "Run in real time and serve a page on 127.0.0.1 (the URL is printed) that shows "
               "the run in 3D and sends your keys to the module; until Ctrl-C (docs/live.md)");
  cli.add_option("--rate", o.rate, "With --live: simulated seconds per second (default 1)")
      ->check(CLI::Range(0.01, 100.0));
  cli.add_option("--port", o.port, "With --live: the port to listen on (default: a free one)")
      ->check(CLI::Range(0, 65535));
  cli.add_option("--record-scenario", o.record_scenario,
                 "With --live: write the run as a scenario file, the keys and the host's "
                 "actions as timed events, that replays to the same module calls");
}

// What is wrong with options that each parsed, said as a usage error; empty when nothing is.
std::string Misuse(const CLI::App &cli, const Options &o) {
  // An empty name given on purpose is a mistake, not "none": the option would be ignored.
  for (const std::string &scenario : o.scenarios) {
    if (scenario.empty()) return "the scenario is given an empty file name";
  }
  for (const char *option : kFileOptions) {
    if (cli.count(option) != 0 && cli.get_option(option)->as<std::string>().empty()) {
      return std::string(option) + " is given an empty file name";
    }
  }
  const bool live_only = cli.count("--rate") + cli.count("--port") + cli.count("--record-scenario");
  if (live_only && !o.live) return "--rate, --port and --record-scenario go with --live";
  if (o.live && o.scenarios.size() > 1) {
    return "--live runs one scenario, not " + std::to_string(o.scenarios.size()) + " sessions";
  }
  return "";
}

int UsageFailure(const std::string &why) {
  std::fprintf(stderr, "touchdown-sim: error: %s (see --help)\n", why.c_str());
  return 2;
}

}  // namespace

std::variant<Options, int> ParseCommandLine(int argc, char **argv) {
  Options o;
  CLI::App cli(kAbout, "touchdown-sim");
  cli.add_option("scenario", o.scenarios,
                 "Scenario file (TOML, or the simulator's own .scn); the built-in tour when "
                 "omitted. Several files run as "
                 "successive sessions of one host, the plug-in loaded once, each output per "
                 "session as NAME-1.EXT, NAME-2.EXT, ... (docs/outputs.md)");
  AddLogOptions(cli, o);
  AddPictureAndProgramOptions(cli, o);
  AddLiveOptions(cli, o);
  try {
    cli.parse(argc, argv);
  } catch (const CLI::Success &e) {
    return cli.exit(e);
  } catch (const CLI::ParseError &e) {
    return UsageFailure(e.what());
  }
  if (const std::string why = Misuse(cli, o); !why.empty()) return UsageFailure(why);
  if (o.scenarios.size() == 1) o.scenario = o.scenarios.front();
  return o;
}

std::string SessionPath(const std::string &path, size_t session) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::file_type type = fs::status(path, error).type();
  if (type != fs::file_type::not_found && type != fs::file_type::regular &&
      type != fs::file_type::directory && type != fs::file_type::none) {
    return path;
  }
  std::string base = path;
  while (base.size() > 1 && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  const fs::path p(base);
  const std::string number = "-" + std::to_string(session);
  // A leading dot makes a hidden name, not an extension.
  const std::string stem = p.stem().string(), extension = p.extension().string();
  if (extension.empty() || stem.empty()) return base + number;
  return (p.parent_path() / (stem + number + extension)).string();
}

Options SessionOptions(const Options &options, size_t session) {
  Options o = options;
  if (options.scenarios.size() <= 1) return o;
  o.scenario = options.scenarios[session - 1];
  for (std::string *path :
       {&o.events_path, &o.trace_path, &o.replay_path, &o.record_scenario, &o.save_scn}) {
    if (!path->empty()) *path = SessionPath(*path, session);
  }
  // A folder keeps no extension: "plots.v2" is "plots.v2-1".
  if (!o.plot_dir.empty()) {
    std::string dir = o.plot_dir;
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\')) dir.pop_back();
    o.plot_dir = dir + "-" + std::to_string(session);
  }
  return o;
}

RunOutputs OutputsOf(const Options &options) {
  RunOutputs run{options.scenarios, options.module_path, {}};
  const size_t sessions = std::max<size_t>(options.scenarios.size(), 1);
  for (size_t session = 1; session <= sessions; ++session) {
    const Options o = SessionOptions(options, session);
    run.sessions.push_back(
        {o.events_path, o.trace_path, o.replay_path, o.record_scenario, o.plot_dir, o.save_scn});
  }
  return run;
}

VisualsOptions VisualsOptionsOf(const Options &options) {
  return {options.plot_dir, options.replay_path, options.quiet};
}

LiveOptions LiveOptionsOf(const Options &options) {
  return {options.rate, options.port, options.record_scenario, options.scenario};
}

}  // namespace app
