// touchdown-sim --plot: the figures of a run, drawn by gnuplot, read back through their
// data, script and SVG text, and held against the account and the event log of the same run.
#include <cstdlib>
#include <map>
#include <sstream>

#include "visual/visual_support.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;
using visual::Slurp;

class Plots : public E2E {
 protected:
  void SetUp() override {
    E2E::SetUp();
    TD_NEED_GNUPLOT();
  }
  std::string PlotArgs(const std::string &name = "plots") const {
    return "--plot '" + (work_dir / name).string() + "'";
  }
};

// Rows of a vessel's data file: t, clearance, vertical speed, state, forces, east, north.
std::vector<std::vector<double>> DataRows(const fs::path &file) {
  std::vector<std::vector<double>> rows;
  std::istringstream in(Slurp(file));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream cells(line);
    std::vector<double> row;
    std::string cell;
    while (cells >> cell) row.push_back(cell == "NaN" ? NAN : std::stod(cell));
    rows.push_back(row);
  }
  return rows;
}

// The times the script marks in a vessel's figure, by the colour of the mark.
std::multimap<std::string, double> ScriptMarks(const std::string &script,
                                               const std::string &figure) {
  std::multimap<std::string, double> marks;
  const size_t from = script.find("set output '" + figure + ".png'");
  const size_t to = script.find("\nreset\n", from);
  std::istringstream in(script.substr(from, to - from));
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("set arrow ", 0) != 0) continue;
    const double t = std::stod(line.substr(line.find(" from ") + 6));
    marks.emplace(line.substr(line.rfind("lc rgb ") + 7), t);
  }
  return marks;
}

// The account's times of one kind of line for one vessel ("touchdown", "anchored",
// "released").
std::vector<double> AccountTimes(const std::string &out, const std::string &vessel,
                                 const std::string &what) {
  std::vector<double> times;
  std::istringstream in(out);
  std::string line, current;
  while (std::getline(in, line)) {
    if (!line.empty() && line[0] != ' ') current = line.substr(0, line.find(" ("));
    const size_t s = line.find(" s  ");
    if (current == vessel && line.rfind("  ", 0) == 0 && s != std::string::npos &&
        line.compare(s + 4, what.size(), what) == 0) {
      times.push_back(std::stod(line.substr(0, s)));
    }
  }
  return times;
}

// The tour drawn twice, with and without the event log: every figure as PNG and SVG with
// its series, the marks where the account puts them, and the forces the module handed over.
TEST_F(Plots, TheTourGivesEveryFigureWithItsSeriesMarksAndForces) {
  // As the module is built for it: the manual's frame on a Moon at rest.
  const std::string tour = ShippedIn("default.toml", "end_of_step", true);
  const Outcome run = Exec(tour, true, false, PlotArgs());
  const Outcome plain = Exec(tour, false, false, PlotArgs("without"));
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_NE(run.out.find("plots: 5 figures (PNG and SVG)"), std::string::npos) << run.out;
  const fs::path plots = work_dir / "plots";
  EXPECT_FALSE(fs::exists(plots / "gnuplot.log")) << Slurp(plots / "gnuplot.log");
  for (const char *figure :
       {"vessel-1-lander", "vessel-2-crew", "vessel-3-rover", "forces", "map"}) {
    const std::string png = Slurp(plots / (std::string(figure) + ".png"));
    EXPECT_GT(png.size(), 10000u) << figure;
    EXPECT_EQ(png.substr(1, 3), "PNG") << figure;
    const std::string svg = Slurp(plots / (std::string(figure) + ".svg"));
    EXPECT_NE(svg.find("end_of_step-still-default.toml"), std::string::npos) << figure;
  }
  // The paths are the moving vessels': the walker and the car drawn as lines, the lander
  // (which only went up and down) as a place.
  const std::string script = Slurp(plots / "plots.gp");
  EXPECT_NE(script.find("'vessel-2.dat' using 7:8 with lines"), std::string::npos);
  EXPECT_NE(script.find("'vessel-3.dat' using 7:8 with lines"), std::string::npos);
  EXPECT_EQ(script.find("'vessel-1.dat' using 7:8 with lines"), std::string::npos);

  // Marks stand where the account puts touchdowns, anchorings and releases.
  const std::map<std::string, std::string> colours = {
      {"touchdown", "'#d62728'"}, {"anchored", "'#2ca02c'"}, {"released", "'#ff7f0e'"}};
  for (const auto &[vessel, figure] : std::map<std::string, std::string>{
           {"lander", "vessel-1-lander"}, {"crew", "vessel-2-crew"}, {"rover", "vessel-3-rover"}}) {
    const auto marks = ScriptMarks(script, figure);
    for (const auto &[what, colour] : colours) {
      const std::vector<double> expected = AccountTimes(run.out, vessel, what);
      std::vector<double> drawn;
      for (auto [it, end] = marks.equal_range(colour); it != end; ++it) drawn.push_back(it->second);
      ASSERT_EQ(drawn.size(), expected.size()) << vessel << " " << what;
      for (size_t i = 0; i < drawn.size(); ++i) EXPECT_NEAR(drawn[i], expected[i], 1e-3);
    }
  }
  // The tour has all three kinds on the lander: the comparison above is not empty.
  EXPECT_EQ(AccountTimes(run.out, "lander", "touchdown").size(), 1u);
  EXPECT_EQ(AccountTimes(run.out, "lander", "released").size(), 2u);

  // Forces are the module's AddForce calls, whether or not the event log is written. The
  // lander stands upright: its frame's y is the vertical, and the force along it in a
  // step is the sum of the step's AddForce y components.
  std::map<long, double> up_by_step;
  for (const Json &e : run.Records("AddForce", "lander"))
    up_by_step[e["step"]] += e["F"][1].get<double>();
  ASSERT_GT(up_by_step.size(), 100u);
  const auto rows = DataRows(plots / "vessel-1.dat");
  ASSERT_EQ(rows.size(), 2001u);  // the start and every one of 2000 steps
  size_t pushed = 0;
  for (const auto &row : rows) {
    const long step = std::lround(row[0] / 0.02);
    const auto it = up_by_step.find(step);
    const double expected = it == up_by_step.end() ? 0.0 : it->second;
    EXPECT_NEAR(row[4], expected, 1e-4 * std::abs(expected) + 1e-6) << "t " << row[0];
    // In contact (1) or anchored (2) exactly while the module pushes or holds it.
    if (row[3] != 2.0) {
      EXPECT_EQ(row[3] == 1.0, it != up_by_step.end()) << "t " << row[0];
    }
    pushed += it != up_by_step.end();
  }
  EXPECT_GT(pushed, 100u);
  // The touchdown's stopping force dwarfs the support that follows.
  EXPECT_GT(rows[408][4], 100 * 3570.0);
  for (const char *file : {"vessel-1.dat", "vessel-2.dat", "vessel-3.dat", "terrain.dat"}) {
    EXPECT_TRUE(Slurp(plots / file) == Slurp(work_dir / "without" / file)) << file;
  }
}

TEST_F(Plots, OddNamesAndTerrainsWithoutHeightsStillDraw) {
  const Outcome run = Exec(TestScenario("odd_names.toml"), false, false, PlotArgs());
  ASSERT_EQ(run.status, 0) << run.err;
  const fs::path plots = work_dir / "plots";
  const std::string map = Slurp(plots / "map.svg");
  // In the legend and as the label at its place, as written.
  const std::string text = "<text>it's \"odd\", &lt;b> &amp; ü</text>";
  const size_t first = map.find(text);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(map.find(text, first + 1), std::string::npos);
  EXPECT_NE(map.find("no terrain height here"), std::string::npos);
  EXPECT_TRUE(fs::exists(plots / "vessel-1-it_s__odd____b______.png"));
  EXPECT_FALSE(fs::exists(plots / "terrain.dat"));
}

TEST_F(Plots, ALongRunIsRecordedInAtMostFiveThousandFrames) {
  const Outcome run = Exec(TestScenario("long_probe.toml"), false, false, PlotArgs());
  ASSERT_EQ(run.status, 0) << run.err;
  const auto rows = DataRows(work_dir / "plots" / "vessel-1.dat");
  EXPECT_LE(rows.size(), 5002u);
  EXPECT_GE(rows.size(), 4000u);
  EXPECT_DOUBLE_EQ(rows.back()[0], 60.0);  // the last step is always kept
}

TEST_F(E2E, PlotsWithoutGnuplotStopBeforeTheRunWithStatus1) {
  ASSERT_EQ(setenv("GNUPLOT", "/nonexistent/gnuplot", 1), 0);
  const Outcome run = Exec("", true, false, "--plot '" + (work_dir / "plots").string() + "'");
  unsetenv("GNUPLOT");
  EXPECT_EQ(run.status, 1);
  EXPECT_TRUE(run.out.empty()) << run.out;
  EXPECT_TRUE(run.events_text.empty()) << "it ran";
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  EXPECT_NE(run.err.find("gnuplot-nox"), std::string::npos) << run.err;
  EXPECT_FALSE(fs::exists(work_dir / "plots"));
}

}  // namespace
}  // namespace e2e
