#include "app/visuals/plot_script.h"

#include <algorithm>
#include <cmath>

#include "app/base/text_format.h"

namespace app {

namespace {

constexpr const char *kAnchoredFill = "#cfe3f5";
constexpr const char *kTouchdownColour = "#d62728";
constexpr const char *kAnchoringColour = "#2ca02c";
constexpr const char *kReleaseColour = "#ff7f0e";
// Vessels beyond these counts are drawn without a legend entry, so the legend stays legible.
constexpr size_t kMaxLegendEntries = 12;

struct Format {
  const char *extension;
  const char *terminal;  // without the size
};
constexpr Format kFormats[] = {
    {"png", "pngcairo noenhanced font 'DejaVu Sans,11' background '#ffffff'"},
    {"svg", "svg noenhanced font 'DejaVu Sans,11' background '#ffffff'"},
};

void Begin(std::string &s, const Format &f, const std::string &figure, int width, int height) {
  s += "\nreset\nset terminal " + std::string(f.terminal) + " size " + std::to_string(width) + "," +
       std::to_string(height) + "\nset output " + GnuplotQuoted(figure + "." + f.extension) + "\n";
  s += "set grid xtics ytics lc rgb '#d9d9d9' lw 1\nset border lc rgb '#555555'\n";
}

std::string VesselTitle(const VesselTrack &track) {
  return track.name + (track.class_name.empty() ? "" : " (" + track.class_name + ")");
}

// Marks of one vessel as vertical lines through every panel; touchdowns also get their
// closing speed written beside them in the top panel.
void MarkLines(std::string &s, const RunRecord &record, size_t vessel, std::string &labels) {
  int arrow = 1;
  for (const Mark &m : record.marks) {
    if (m.vessel != static_cast<long>(vessel)) continue;
    const char *style = nullptr;
    if (m.kind == Mark::kTouchdown) style = "lw 2 lc rgb '#d62728'";
    if (m.kind == Mark::kAnchored) style = "lw 1.5 dt 2 lc rgb '#2ca02c'";
    if (m.kind == Mark::kReleased) style = "lw 1.5 dt 4 lc rgb '#ff7f0e'";
    if (style == nullptr) continue;
    s += "set arrow " + std::to_string(arrow++) + " from " + FormatGeneral(m.t_s) +
         ", graph 0 to " + FormatGeneral(m.t_s) + ", graph 1 nohead front " + style + "\n";
    if (m.kind == Mark::kTouchdown) {
      labels += "set label " + GnuplotQuoted(m.text) + " at " + FormatGeneral(m.t_s) +
                ", graph 0.92 left front font ',10' tc rgb '#d62728' offset 0.7,0\n";
    }
  }
}

// A vessel that never left the terrain has one clearance throughout, and gnuplot cannot
// autoscale to a single value; without any terrain height there is no value at all.
std::string ClearanceRange(const PlotVessel &pv) {
  if (!pv.has_clearance) return "[-1:1]";
  const double span = pv.highest_clearance_m - pv.lowest_clearance_m;
  const double pad = std::max(0.05 * span, 0.01);
  return "[" + FormatGeneral(pv.lowest_clearance_m - pad) + ":" +
         FormatGeneral(pv.highest_clearance_m + pad) + "]";
}

// The screen margins of panel k (from the top) of n stacked between 0.90 and 0.08.
std::string Panel(int k, int n) {
  const double gap = 0.03, height = (0.90 - 0.08 - gap * (n - 1)) / n;
  const double top = 0.90 - k * (height + gap);
  return "set tmargin at screen " + FormatGeneral(top) + "\nset bmargin at screen " +
         FormatGeneral(top - height) + "\n";
}

// Where the vessel was anchored, shaded behind every panel.
void AnchoredSpans(std::string &s, const PlotVessel &pv) {
  for (size_t i = 0; i < pv.anchored.size(); ++i) {
    s += "set object " + std::to_string(i + 1) + " rect from " +
         FormatGeneral(pv.anchored[i].from_s) + ", graph 0 to " +
         FormatGeneral(pv.anchored[i].to_s) + ", graph 1 behind fc rgb '" + kAnchoredFill +
         "' fs solid 1.0 noborder\n";
  }
}

// The top panel's clearance, with the legend of the whole figure.
std::string ClearancePlot(const std::string &data, const std::string &line) {
  return "plot " + data + " using 1:2" + line + " title 'clearance',\\\n" +
         "  keyentry with lines lw 2 lc rgb '#8e44ad' title 'vertical speed',\\\n"
         "  keyentry with boxes fs solid 1.0 noborder fc rgb '" +
         kAnchoredFill + "' title 'anchored',\\\n  keyentry with lines lw 2 lc rgb '" +
         kTouchdownColour + "' title 'touchdown',\\\n  keyentry with lines lw 1.5 dt 2 lc rgb '" +
         kAnchoringColour + "' title 'anchoring',\\\n  keyentry with lines lw 1.5 dt 4 lc rgb '" +
         kReleaseColour + "' title 'release'\n";
}

// The bottom panel, with the time axis.
void UpSpeedPanel(std::string &s, const PlotVessel &pv, int panels, const std::string &data) {
  // A walker's vertical speed can be zero throughout: at least a metre per second each way.
  s += Panel(panels - 1, panels) + "set format x '%g'\nset xlabel 'time (s)'\n";
  s += "set ylabel 'vertical speed (m/s)'\nset yrange [" +
       FormatGeneral(std::min(-1.0, 1.1 * pv.least_up_speed_mps)) + ":" +
       FormatGeneral(std::max(1.0, 1.1 * pv.most_up_speed_mps)) + "]\n";
  s += "plot " + data + " using 1:3 with lines lw 2 lc rgb '#8e44ad'\nunset multiplot\n";
}

void VesselFigure(std::string &s, const Format &f, const RunRecord &record, const PlotVessel &pv,
                  double end_s) {
  const VesselTrack &track = record.vessels[pv.index];
  Begin(s, f, pv.figure, 1200, 900);
  s += "set multiplot title " +
       GnuplotQuoted(VesselTitle(track) + ": its touchdown plane over the terrain, " +
                     record.scenario) +
       " font ',14'\n";
  s += "set lmargin at screen 0.09\nset rmargin at screen 0.82\n";
  s += "set xrange [0:" + FormatGeneral(end_s) + "]\nset format x ''\n";
  AnchoredSpans(s, pv);
  std::string labels;
  MarkLines(s, record, pv.index, labels);
  const std::string data = GnuplotQuoted(pv.data_file);
  // The vessel's own colour is for telling vessels apart; here the marks' colours rule.
  const std::string line = " with lines lw 2 lc rgb '#1f4e79'";
  // A vessel that flew high gets a second look at its clearance near the ground, where it
  // settled; one that stayed low is seen well enough in the first.
  const bool zoom = pv.has_clearance && pv.highest_clearance_m > 4.0;
  const int panels = zoom ? 3 : 2;

  s += "set key outside right top Left reverse spacing 1.3\n" + Panel(0, panels);
  s += "set ylabel 'clearance (m)'\nset yrange " + ClearanceRange(pv) + "\n" + labels;
  s += ClearancePlot(data, line);
  s += "unset label\nset key off\n";
  if (zoom) {
    const double low = std::clamp(pv.lowest_clearance_m * 1.2, -2.0, -0.1);
    s += Panel(1, panels) + "set ylabel 'near the ground (m)'\nset yrange [" + FormatGeneral(low) +
         ":2]\nplot " + data + " using 1:2" + line + "\n";
  }
  UpSpeedPanel(s, pv, panels, data);
}

void ForcePanel(std::string &s, const RunRecord &record, const std::vector<PlotVessel> &vessels,
                bool up, int column) {
  std::string plot;
  size_t entries = 0;
  for (const PlotVessel &pv : vessels) {
    if ((up ? pv.peak_up_N : pv.peak_across_N) < kLeastForceDrawn_N) continue;
    const std::string title = entries++ < kMaxLegendEntries
                                  ? "title " + GnuplotQuoted(record.vessels[pv.index].name)
                                  : "notitle";
    const std::string col = std::to_string(column);
    plot += std::string(plot.empty() ? "plot " : ",\\\n  ") + GnuplotQuoted(pv.data_file) +
            " using 1:($" + col + " >= " + FormatGeneral(kLeastForceDrawn_N) + " ? $" + col +
            " : NaN) with lines lw 1.5 lc rgb '" + pv.colour + "' " + title;
  }
  if (plot.empty()) {
    // Nothing to draw: an empty panel that says so.
    s += "set yrange [1:1e6]\nset label 'none of at least " + FormatGeneral(kLeastForceDrawn_N) +
         " N' at graph 0.5, graph 0.5 center\nplot NaN notitle\nunset label\n";
    return;
  }
  s += "set yrange [" + FormatGeneral(kLeastForceDrawn_N) + ":*]\n" + plot + "\n";
}

void ForceFigure(std::string &s, const Format &f, const RunRecord &record,
                 const std::vector<PlotVessel> &vessels, double end_s) {
  Begin(s, f, "forces", 1200, 800);
  s += "set multiplot title " +
       GnuplotQuoted("contact forces the module applied, " + record.scenario) + " font ',14'\n";
  s += "set lmargin at screen 0.09\nset rmargin at screen 0.79\n";
  s += "set xrange [0:" + FormatGeneral(end_s) + "]\nset logscale y\nset format y '%.0s %cN'\n";
  s += "set key outside right top Left reverse\n";
  s += "set tmargin at screen 0.90\nset bmargin at screen 0.51\nset format x ''\n";
  s += "set ylabel 'along the vertical'\n";
  ForcePanel(s, record, vessels, true, 5);
  s += "set key off\nset tmargin at screen 0.47\nset bmargin at screen 0.08\n";
  s += "set format x '%g'\nset xlabel 'time (s)'\nset ylabel 'across it (brakes)'\n";
  ForcePanel(s, record, vessels, false, 6);
  s += "unset multiplot\n";
}

// A gnuplot plot command built item by item.
class PlotItems {
 public:
  void Add(const std::string &item) {
    text_ += std::string(text_.empty() ? "plot " : ",\\\n  ") + item;
  }
  const std::string &Text() const { return text_; }

 private:
  std::string text_;
};

// Where the map is centred, as its axes name it.
std::string MapCentre(const RunRecord &record) {
  if (record.carrier < 0) return "the first vessel's start";
  const std::string &carrier = record.vessels[static_cast<size_t>(record.carrier)].name;
  return carrier.empty() ? "the first vessel's start" : "the carrier " + carrier;
}

void MapAxes(std::string &s, const RunRecord &record, const std::string &centre) {
  const TerrainGrid &g = record.terrain;
  const double e1 = g.east0_m + (g.size - 1) * g.spacing_m;
  const double n1 = g.north0_m + (g.size - 1) * g.spacing_m;
  s += "set title " + GnuplotQuoted("paths over the terrain, " + record.scenario) + " font ',14'\n";
  s += "set size ratio -1\nset xrange [" + FormatGeneral(g.east0_m) + ":" + FormatGeneral(e1) +
       "]\nset yrange [" + FormatGeneral(g.north0_m) + ":" + FormatGeneral(n1) + "]\n";
  s += "set xlabel " + GnuplotQuoted("east of " + centre + " (m)") + "\nset ylabel " +
       GnuplotQuoted("north of " + centre + " (m)") + "\n";
  s += "set palette defined (0 '#40606e', 0.3 '#7fa395', 0.6 '#d8cfa0', 1 '#f7f2e4')\n";
  s += "set cblabel 'terrain over the mean radius (m)'\nset key below horizontal spacing 1.2\n";
  s += "set grid front lc rgb '#ffffff' lw 0.5\n";
}

// The terrain's heights in colour under its hillshade.
void TerrainLayers(std::string &s, const TerrainGrid &g, PlotItems &plot) {
  if (!g.HasHeights()) {
    s += "unset colorbox\nset label 'no terrain height here' at graph 0.5, graph 0.5 center\n";
    return;
  }
  // A flat terrain has one height: the colour bar still needs a span to show it.
  double lo = INFINITY, hi = -INFINITY;
  for (const double a : g.altitude_m) {
    if (std::isfinite(a)) lo = std::min(lo, a), hi = std::max(hi, a);
  }
  const double widen = std::max(0.0, 0.5 * (1.0 - (hi - lo)));
  s += "set cbrange [" + FormatGeneral(lo - widen) + ":" + FormatGeneral(hi + widen) + "]\n";
  plot.Add("'terrain.dat' using 1:2:3 with image notitle");
  plot.Add("'' using 1:2:5:5:5:4 with rgbalpha notitle");
}

void VesselPaths(std::string &s, const RunRecord &record, const std::vector<PlotVessel> &vessels,
                 PlotItems &plot) {
  size_t entries = 0;
  for (const PlotVessel &pv : vessels) {
    const std::string data = GnuplotQuoted(pv.data_file);
    const std::string name = record.vessels[pv.index].name;
    const std::string title =
        entries++ < kMaxLegendEntries ? "title " + GnuplotQuoted(name) : "notitle";
    const std::string colour = "lc rgb '" + pv.colour + "'";
    if (pv.moved) plot.Add(data + " using 7:8 with lines lw 2.5 " + colour + " " + title);
    // Where it started (circle) and where it ended (square); a vessel that stayed put is a
    // square on its circle.
    plot.Add(data + " using 7:8 every ::0::0 with points pt 7 ps 1.4 " + colour +
             (pv.moved ? " notitle" : " " + title));
    const std::vector<Sample> &samples = record.vessels[pv.index].samples;
    plot.Add(data + " using 7:8 every ::" + std::to_string(samples.size() - 1) +
             " with points pt 5 ps 1.4 " + colour + " notitle");
    // Named where it ended, unless a crowd of vessels that stayed put would bury the map in
    // names; a label, not a data column, so that the name is taken as written.
    if (!pv.moved && vessels.size() > kMaxLegendEntries) continue;
    s += "set label " + GnuplotQuoted(name) + " at " + FormatGeneral(samples.back().east_m) + ", " +
         FormatGeneral(samples.back().north_m) + " left offset 1.2,0 font ',10' front\n";
  }
}

void MapFigure(std::string &s, const Format &f, const RunRecord &record,
               const std::vector<PlotVessel> &vessels) {
  const std::string centre = MapCentre(record);
  Begin(s, f, "map", 1000, 1000);
  MapAxes(s, record, centre);
  PlotItems plot;
  TerrainLayers(s, record.terrain, plot);
  // The carrier, where the stage is centred.
  if (record.carrier >= 0) {
    plot.Add("'+' using (0):(0) every ::0::0 with points pt 3 ps 3 lw 2 lc rgb '#000000' title " +
             GnuplotQuoted(centre));
  }
  VesselPaths(s, record, vessels, plot);
  plot.Add("keyentry with points pt 7 ps 1.4 lc rgb '#444444' title 'start'");
  plot.Add("keyentry with points pt 5 ps 1.4 lc rgb '#444444' title 'end'");
  s += plot.Text() + "\n";
}

}  // namespace

std::string GnuplotQuoted(const std::string &text) {
  std::string q = "'";
  for (const char c : Printable(text)) {
    q += c;
    if (c == '\'') q += '\'';
  }
  return q + "'";
}

std::string GnuplotComment(const std::string &text) {
  std::string safe = Printable(text);
  if (!safe.empty() && safe.back() == '\\') safe.replace(safe.size() - 1, 1, "\\x5c");
  return safe;
}

std::string PlotScript(const RunRecord &record, const std::vector<PlotVessel> &vessels,
                       std::vector<std::string> &figures) {
  const double end_s = record.frame_t_s.empty() ? 1.0 : std::max(record.frame_t_s.back(), 1e-3);
  std::string s = "# The figures of a touchdown-sim run of " + GnuplotComment(record.scenario) +
                  ". Draw them again in this folder with: gnuplot plots.gp\n";
  s += "set encoding utf8\n";
  for (const Format &f : kFormats) {
    for (const PlotVessel &pv : vessels) VesselFigure(s, f, record, pv, end_s);
    ForceFigure(s, f, record, vessels, end_s);
    MapFigure(s, f, record, vessels);
  }
  for (const PlotVessel &pv : vessels) figures.push_back(pv.figure);
  figures.push_back("forces");
  figures.push_back("map");
  return s;
}

}  // namespace app
