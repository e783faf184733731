// The command line of touchdown-sim.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "app/live/live.h"
#include "app/outputs/run_outputs.h"
#include "app/visuals/visuals.h"

namespace app {

struct Options {
  // The scenario files, run as successive sessions of one host (docs/outputs.md): one or
  // none (the built-in default scenario) runs as a single session, in `scenario`.
  std::vector<std::string> scenarios;
  std::string scenario;     // the one scenario file, or the session's; empty: built-in
  std::string events_path;  // empty: no event log
  std::string trace_path;   // empty: no trace
  int64_t trace_every = 1;
  int64_t events_every = 1;               // State records of every N-th step only
  std::vector<std::string> events_kinds;  // the kinds of record kept; empty: all
  bool quiet = false;                     // no progress line
  std::string module_path;                // empty: modules/plugin/touchdown.so beside the program
  bool print_default = false;
  bool check_only = false;
  std::string orbiter_root;  // the simulator's folder for .scn vessel classes; empty: none
  std::string plot_dir;      // empty: no plots
  std::string replay_path;   // empty: no replay page
  // Live: real time, served to a browser on the loopback address (docs/live.md).
  bool live = false;
  double rate = 1.0;            // simulated seconds per wall second
  int port = 0;                 // 0: a free port
  std::string record_scenario;  // empty: the live run is not written as a scenario
  std::string save_scn;         // empty: the end state is not saved for the simulator
};

// The options of the session numbered `session` (1, 2, ...) of `sessions`: its scenario, and
// with more than one session every output renamed by SessionPath.
Options SessionOptions(const Options &options, size_t session);

// An output's name in session k of several: "name.ext" becomes "name-k.ext", a folder or a
// name without extension "name-k". A device or a pipe stays as it is: every session writes
// there in turn.
std::string SessionPath(const std::string &path, size_t session);

// What the checks before a run, the pictures and a live run take of the options.
RunOutputs OutputsOf(const Options &options);
VisualsOptions VisualsOptionsOf(const Options &options);
LiveOptions LiveOptionsOf(const Options &options);

// The options, or the exit status to end with at once (after --help, or a usage error,
// which has been reported on stderr).
std::variant<Options, int> ParseCommandLine(int argc, char **argv);

}  // namespace app
