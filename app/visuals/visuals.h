// The pictures of a run (--plot DIR, --replay FILE): what they need is checked before the
// run, the run is recorded while it goes, and the pictures are drawn after it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "app/visuals/run_record.h"

namespace app {

// What the command line asks of the pictures.
struct VisualsOptions {
  std::string plot_dir;     // empty: no plots
  std::string replay_path;  // empty: no replay page
  bool quiet = false;       // nothing on stderr about the drawing
};

class Visuals {
 public:
  // Throws std::runtime_error when the replay page is asked for and its bundled player is not
  // beside the program. Whether gnuplot runs is the caller's to ask (RequireGnuplot), before
  // any folder is made for the figures.
  Visuals(const VisualsOptions &options, const Scenario &scenario,
          const std::string &executable_path);

  // The observer that records the run, or null when no picture is asked for. It reads the
  // world's record of host calls: put it before the event log, which takes them away.
  StepObserver *Recorder() { return recorder_.get(); }

  // Draws the pictures and says where they are, one line each. Throws PlotsGivenUp
  // (plots.h) after the rest is written when a signal made the plots be given up.
  void Write(std::FILE *out) const;

 private:
  std::string plot_dir_, replay_path_;
  std::string replay_script_;
  bool tell_ = false;  // say on stderr what is being drawn
  std::unique_ptr<RunRecorder> recorder_;
};

}  // namespace app
