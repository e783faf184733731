// The command line of touchdown-sim.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace app {

struct Options {
  std::string scenario;     // empty: the built-in default scenario
  std::string events_path;  // empty: no event log
  std::string trace_path;   // empty: no trace
  int64_t trace_every = 1;
  int64_t events_every = 1;               // State records of every N-th step only
  std::vector<std::string> events_kinds;  // the kinds of record kept; empty: all
  bool quiet = false;                     // no progress line
  std::string module_path;                // empty: modules/plugin/touchdown.so beside the program
  bool print_default = false;
  bool check_only = false;
  std::string plot_dir;     // empty: no plots
  std::string replay_path;  // empty: no replay page
  // Live: real time, served to a browser on the loopback address (docs/live.md).
  bool live = false;
  double rate = 1.0;            // simulated seconds per wall second
  int port = 0;                 // 0: a free port
  std::string record_scenario;  // empty: the live run is not written as a scenario
};

// The options, or the exit status to end with at once (after --help, or a usage error,
// which has been reported on stderr).
std::variant<Options, int> ParseCommandLine(int argc, char **argv);

}  // namespace app
