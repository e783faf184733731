#include "app/visuals/plot_data.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "app/base/output_file.h"
#include "app/base/text_format.h"
#include "app/visuals/plot_script.h"

namespace app {

namespace {

// Tableau's ten: distinct on white and on the map's pale terrain.
constexpr const char *kColours[] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#ff7f0e",
                                    "#8c564b", "#e377c2", "#17becf", "#bcbd22", "#7f7f7f"};
constexpr double kMovedAtLeast_m = 1.0;

// One column: six significant digits, or a fixed count of decimals (a position to the
// millimetre however far out); NaN, which gnuplot skips, when not finite.
void Put(std::string &out, const char *separator, double value, int decimals = -1) {
  out += separator;
  if (!std::isfinite(value)) {
    out += "NaN";
  } else {
    out += decimals < 0 ? FormatGeneral(value, 6) : FormatFixed(value, decimals);
  }
}

void PutSample(std::string &out, double t_s, const Sample &s) {
  Put(out, "", t_s);
  Put(out, " ", s.clearance_m);
  Put(out, " ", s.up_speed_mps);
  out += s.state == ContactState::kAnchored  ? " 2"
         : s.state == ContactState::kContact ? " 1"
                                             : " 0";
  Put(out, " ", s.force_up_N);
  Put(out, " ", s.force_across_N);
  Put(out, " ", s.east_m, 3);
  Put(out, " ", s.north_m, 3);
  out += '\n';
}

// The spans of the figures' axes, and the peaks that decide whether a force is drawn.
void Widen(PlotVessel &pv, const Sample &s) {
  pv.has_clearance = pv.has_clearance || std::isfinite(s.clearance_m);
  if (std::isfinite(s.clearance_m)) {
    pv.lowest_clearance_m = std::min<double>(pv.lowest_clearance_m, s.clearance_m);
    pv.highest_clearance_m = std::max<double>(pv.highest_clearance_m, s.clearance_m);
  }
  if (std::isfinite(s.up_speed_mps)) {
    pv.least_up_speed_mps = std::min<double>(pv.least_up_speed_mps, s.up_speed_mps);
    pv.most_up_speed_mps = std::max<double>(pv.most_up_speed_mps, s.up_speed_mps);
  }
  pv.peak_up_N = std::max<double>(pv.peak_up_N, s.force_up_N);
  pv.peak_across_N = std::max<double>(pv.peak_across_N, s.force_across_N);
}

void WriteVessel(const RunRecord &record, const VesselTrack &track, PlotVessel &pv,
                 const std::filesystem::path &path) {
  OutputFile out(path.string());
  std::string &b = out.Buffer();
  b += "# vessel " + GnuplotComment(track.name) +
       (track.class_name.empty() ? "" : " (class " + GnuplotComment(track.class_name) + ")");
  b += "\n# t_s clearance_m up_speed_mps state(0 free, 1 contact, 2 anchored) force_up_N "
       "force_across_N east_m north_m\n";
  bool anchored = false;
  pv.lowest_clearance_m = INFINITY;
  pv.highest_clearance_m = -INFINITY;
  for (size_t k = 0; k < track.samples.size(); ++k) {
    const Sample &s = track.samples[k];
    const double t = record.frame_t_s[track.first_frame + k];
    PutSample(b, t, s);
    out.MaybeFlush();
    Widen(pv, s);
    const bool now = s.state == ContactState::kAnchored;
    if (now && !anchored) pv.anchored.push_back({t, t});
    if (now) pv.anchored.back().to_s = t;
    anchored = now;
  }
  out.Close();
}

// A hillshade under a light from the north-west, 45 degrees up: how much a black or white
// veil darkens or lightens each point of the height map (alpha 0 to 255).
int ShadeAt(const TerrainGrid &g, int row, int col, bool &lit) {
  const auto h = [&g](int r, int c) {
    r = std::clamp(r, 0, g.size - 1), c = std::clamp(c, 0, g.size - 1);
    return g.altitude_m[static_cast<size_t>(r) * g.size + c];
  };
  const double dx = (h(row, col + 1) - h(row, col - 1)) / (2.0 * g.spacing_m);
  const double dy = (h(row + 1, col) - h(row - 1, col)) / (2.0 * g.spacing_m);
  if (!std::isfinite(dx) || !std::isfinite(dy)) return 0;
  const double len = std::sqrt(dx * dx + dy * dy + 1.0);
  const double light[3] = {-0.5, 0.5, std::sqrt(0.5)};  // east, north, up
  const double shade = (-dx * light[0] - dy * light[1] + light[2]) / len;
  const double flat = light[2];
  lit = shade > flat;
  return std::clamp(static_cast<int>(std::abs(shade - flat) * 700.0), 0, 170);
}

void WriteTerrain(const TerrainGrid &g, const std::filesystem::path &path) {
  OutputFile out(path.string());
  std::string &b = out.Buffer();
  b += "# terrain: east_m north_m altitude_m(over the mean radius) shade_alpha shade_grey\n";
  for (int row = 0; row < g.size; ++row) {
    for (int col = 0; col < g.size; ++col) {
      bool lit = false;
      const int alpha = ShadeAt(g, row, col, lit);
      Put(b, "", g.east0_m + col * g.spacing_m, 3);
      Put(b, " ", g.north0_m + row * g.spacing_m, 3);
      Put(b, " ", g.altitude_m[static_cast<size_t>(row) * g.size + col], 4);
      b += ' ' + std::to_string(alpha) + (lit ? " 255\n" : " 0\n");
    }
    b += '\n';  // gnuplot's scan lines
    out.MaybeFlush();
  }
  out.Close();
}

}  // namespace

std::string FileNamePart(const std::string &name) {
  std::string part;
  for (const char c : name) {
    if (part.size() == 40) break;
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    part += plain || c == '-' || c == '_' ? c : '_';
  }
  return part;
}

std::vector<PlotVessel> WritePlotData(const RunRecord &record, const std::filesystem::path &dir) {
  std::vector<PlotVessel> vessels;
  for (size_t i = 0; i < record.vessels.size(); ++i) {
    const VesselTrack &track = record.vessels[i];
    if (track.fixed_to_body || track.samples.empty()) continue;
    PlotVessel pv;
    pv.index = i;
    pv.data_file = "vessel-" + std::to_string(i) + ".dat";
    pv.figure = "vessel-" + std::to_string(i) + "-" + FileNamePart(track.name);
    pv.colour = kColours[vessels.size() % std::size(kColours)];
    pv.moved = track.path_length_m > kMovedAtLeast_m;
    WriteVessel(record, track, pv, dir / pv.data_file);
    vessels.push_back(std::move(pv));
  }
  if (record.terrain.HasHeights()) WriteTerrain(record.terrain, dir / "terrain.dat");
  return vessels;
}

}  // namespace app
