// What a run reads and writes, as the command line names it, for the checks made before the
// run starts (output_clash.h, output_places.h).
#pragma once

#include <string>
#include <vector>

namespace app {

// The files one session writes; an empty path is not written.
struct SessionOutputs {
  std::string events_path;
  std::string trace_path;
  std::string replay_path;
  std::string record_scenario;
  std::string plot_dir;  // a folder
  std::string save_scn;  // the end state as the simulator's scenario
};

struct RunOutputs {
  std::vector<std::string> scenarios;  // the files read; none for the built-in scenario
  std::string module_path;             // empty: modules/plugin/touchdown.so beside the program
  // Every session's outputs under the names it gives them, one session at least.
  std::vector<SessionOutputs> sessions;
};

}  // namespace app
