// touchdown-sim --plot DIR: the figures of a run, drawn by gnuplot from the run's record.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "app/visuals/run_record.h"

namespace app {

// Throws std::runtime_error, saying how to get gnuplot, when it cannot be run. Called before
// the run, so that a missing gnuplot costs no simulation.
void RequireGnuplot();

// A signal made the program give gnuplot up; nothing of the plots was put in place.
class PlotsGivenUp : public std::runtime_error {
 public:
  explicit PlotsGivenUp(int signal);
  int Signal() const { return signal_; }

 private:
  int signal_;
};

// The list of what the program wrote into a plot folder, one name a line.
inline constexpr char kPlotManifest[] = ".touchdown-sim-files";

// Writes the data files, plots.gp and the figures (PNG and SVG) into dir, which is created
// when missing; they are drawn aside and put in place only once all are drawn. The files an
// earlier run wrote there (as its manifest lists them) and this one does not are removed;
// nothing else in dir is touched. Returns the figures' paths. Throws std::runtime_error when
// gnuplot fails or leaves a figure out, with its messages in dir/gnuplot.log and the
// previous figures left as they were; PlotsGivenUp on a signal (run_stop.h ChildWatch).
// With tell, a line on stderr says what is being drawn before gnuplot starts.
std::vector<std::string> WritePlots(const RunRecord &record, const std::string &dir, bool tell);

}  // namespace app
