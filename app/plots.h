// touchdown-sim --plot DIR: the figures of a run, drawn by gnuplot from the run's record.
#pragma once

#include <string>
#include <vector>

#include "app/run_record.h"

namespace app {

// Throws std::runtime_error, saying how to get gnuplot, when it cannot be run. Called before
// the run, so that a missing gnuplot costs no simulation.
void RequireGnuplot();

// Writes the data files, plots.gp and the figures (PNG and SVG) into dir, which is created
// when missing; they are drawn aside and put in place only once all are drawn. Returns the
// figures' paths. Throws std::runtime_error when gnuplot fails or leaves a figure out, with
// its messages in dir/gnuplot.log and the previous figures left as they were.
std::vector<std::string> WritePlots(const RunRecord &record, const std::string &dir);

}  // namespace app
