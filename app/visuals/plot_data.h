// The plots' data: one whitespace-separated table per vessel and one of the terrain, written
// beside the gnuplot script so that the figures can be redrawn or restyled by hand.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "app/visuals/run_record.h"

namespace app {

// Below this a contact force is not drawn: brake forces on a vessel at rest are rounding
// noise many orders of magnitude under the support force.
inline constexpr double kLeastForceDrawn_N = 0.01;

// One vessel as the figures draw it.
struct PlotVessel {
  size_t index = 0;       // in RunRecord::vessels
  std::string data_file;  // vessel-<index>.dat
  std::string figure;     // vessel-<index>-<name as a file name>, without extension
  std::string colour;     // "#rrggbb", the same in every figure
  bool moved = false;     // went more than a metre over the ground
  bool has_clearance = false;
  double peak_up_N = 0.0, peak_across_N = 0.0;  // largest contact forces
  double lowest_clearance_m = 0.0, highest_clearance_m = 0.0;
  double least_up_speed_mps = 0.0, most_up_speed_mps = 0.0;
  struct Interval {
    double from_s, to_s;
  };
  std::vector<Interval> anchored;
};

// Every vessel that is not fixed to its body, in the run's order.
std::vector<PlotVessel> WritePlotData(const RunRecord &record, const std::filesystem::path &dir);

// A name as a piece of a file name: letters, digits, '-' and '_', at most 40 of them.
std::string FileNamePart(const std::string &name);

}  // namespace app
