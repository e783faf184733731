// The gnuplot script that draws a run's figures from the data files beside it, each as PNG
// and as SVG: per vessel its clearance and vertical speed, the contact forces, and the map.
#pragma once

#include <string>
#include <vector>

#include "app/visuals/plot_data.h"
#include "app/visuals/run_record.h"

namespace app {

// The script's text; figures lists the file names it writes (each .png and .svg).
std::string PlotScript(const RunRecord &record, const std::vector<PlotVessel> &vessels,
                       std::vector<std::string> &figures);

// Every name and path reaches gnuplot through these two. A string as a gnuplot single-quoted
// literal, in which only the quote itself is special (no backquote or macro is expanded
// there); control characters and bytes that are not UTF-8 are shown as \xNN, so that no line
// ends inside it and the SVG figures stay valid text.
std::string GnuplotQuoted(const std::string &text);
// Text for within a comment line, of the script or of a data file: as above, and a final
// backslash, which would carry the comment on over the next line, shown as \x5c.
std::string GnuplotComment(const std::string &text);

}  // namespace app
