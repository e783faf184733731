// The gnuplot script that draws a run's figures from the data files beside it, each as PNG
// and as SVG: per vessel its clearance and vertical speed, the contact forces, and the map.
#pragma once

#include <string>
#include <vector>

#include "app/plot_data.h"
#include "app/run_record.h"

namespace app {

// The script's text; figures lists the file names it writes (each .png and .svg).
std::string PlotScript(const RunRecord &record, const std::vector<PlotVessel> &vessels,
                       std::vector<std::string> &figures);

// A string as a gnuplot single-quoted literal, in which only the quote itself is special.
std::string GnuplotQuoted(const std::string &text);

}  // namespace app
