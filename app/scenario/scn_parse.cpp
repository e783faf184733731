// The blocks of a .scn file as the simulator finds them: each from the first line that begins
// with its BEGIN_ line to its END_ line, wherever it stands in the file. Blocks other than
// the environment, the focus and the ships (description, camera, panels, ...) are not read.
#include "app/scenario/scn_parse.h"

#include <algorithm>
#include <optional>

#include "app/scenario/scenario_error.h"
#include "app/scenario/scenario_parse.h"
#include "app/scenario/scn_ships.h"
#include "app/scenario/scn_text.h"

namespace app {

VesselDef VesselOfShip(const ScnShip &ship, const std::string &file,
                       const std::string &orbiter_root, std::vector<BodyDef> &bodies);

namespace {

constexpr double kMjdOfJd = 2400000.5;
constexpr double kMjdOfJ2000 = 51544.5;
constexpr double kDaysPerJulianYear = 365.25;

// The index of the first line after the one that begins with `begin`, untrimmed as the
// simulator compares it; none when no line does.
std::optional<size_t> BlockStart(const std::vector<std::string_view> &lines,
                                 std::string_view begin) {
  for (size_t i = 0; i < lines.size(); ++i) {
    if (StartsWithNoCase(lines[i], begin)) return i + 1;
  }
  return std::nullopt;
}

std::optional<double> DateMjd(std::string_view date) {
  double t = 0.0;
  if (StartsWithNoCase(date, "MJD")) {
    if (ReadNumbers(date.substr(3), &t, 1) == 1) return t;
  } else if (StartsWithNoCase(date, "JD")) {
    if (ReadNumbers(date.substr(2), &t, 1) == 1) return t - kMjdOfJd;
  } else if (StartsWithNoCase(date, "JE")) {
    if (ReadNumbers(date.substr(2), &t, 1) == 1) {
      return (t - 2000.0) * kDaysPerJulianYear + kMjdOfJ2000;
    }
  }
  return std::nullopt;
}

// The Date of the environment block, the last one that reads; the file's line for messages.
void ReadEnvironment(const std::vector<std::string_view> &lines, const std::string &file,
                     ScnWorld &world) {
  const std::optional<size_t> start = BlockStart(lines, "BEGIN_ENVIRONMENT");
  for (size_t i = start.value_or(lines.size()); i < lines.size(); ++i) {
    const std::string_view text = TrimBlanks(lines[i]);
    if (EqualsNoCase(text, "END_ENVIRONMENT")) break;
    if (!StartsWithNoCase(text, "Date")) continue;
    const std::optional<double> mjd = DateMjd(TrimBlanks(text.substr(4)));
    if (!mjd) continue;
    if (!(*mjd >= kMjdRange.lo && *mjd <= kMjdRange.hi)) {
      throw ScenarioError(file, static_cast<int>(i + 1), "Date",
                          "must lie between MJD -1e+06 and 1e+06 days");
    }
    world.mjd = *mjd;
  }
}

std::string ReadFocus(const std::vector<std::string_view> &lines) {
  std::string focus;
  const std::optional<size_t> start = BlockStart(lines, "BEGIN_FOCUS");
  for (size_t i = start.value_or(lines.size()); i < lines.size(); ++i) {
    const std::string_view text = TrimBlanks(lines[i]);
    if (EqualsNoCase(text, "END_FOCUS")) break;
    if (StartsWithNoCase(text, "Ship")) focus = std::string(TrimBlanks(text.substr(4)));
  }
  return focus;
}

}  // namespace

ScnWorld ReadScnWorld(const std::string &text, const std::string &display_name,
                      const std::string &orbiter_root) {
  RefuseIfTooLarge(text, display_name);
  const std::vector<std::string_view> lines = SplitLines(text);
  ScnWorld world;
  ReadEnvironment(lines, display_name, world);
  std::vector<ScnShip> ships;
  if (const std::optional<size_t> start = BlockStart(lines, "BEGIN_SHIPS")) {
    const std::vector<std::string_view> rest(lines.begin() + static_cast<long>(*start),
                                             lines.end());
    ships = ReadShips(rest, static_cast<int>(*start) + 1, display_name);
  }
  for (const ScnShip &ship : ships) {
    world.vessels.push_back(VesselOfShip(ship, display_name, orbiter_root, world.bodies));
  }
  if (world.bodies.empty()) {
    throw ScenarioError(display_name, 0, "BEGIN_SHIPS",
                        "no ship is landed or orbiting: touchdown-sim has no world to build");
  }
  // A focus the file names but no ship has: the simulator takes its first ship.
  const std::string focus = ReadFocus(lines);
  if (std::any_of(ships.begin(), ships.end(), [&](const ScnShip &s) { return s.name == focus; })) {
    world.focus = focus;
  }
  return world;
}

Scenario ParseScnText(const std::string &text, const std::string &display_name,
                      const std::string &orbiter_root) {
  ScnWorld world = ReadScnWorld(text, display_name, orbiter_root);
  Scenario s;
  s.file = display_name;
  s.world_from = display_name;
  s.bodies = std::move(world.bodies);
  s.vessels = std::move(world.vessels);
  s.focus = world.focus;
  s.mjd = world.mjd;
  s.steps = WholeStepsFrom(60.0 / s.step_s);
  s.terrain.relief = Relief::kInstalled;
  PlaceEventsOnSteps(s);
  CheckScenario(s);
  FillTerrainBody(s);
  return s;
}

bool IsScnName(const std::string &path) {
  return path.size() >= 4 && EqualsNoCase(std::string_view(path).substr(path.size() - 4), ".scn");
}

Scenario ReadScenarioFileOfAnyKind(const std::string &path, const std::string &orbiter_root) {
  if (!IsScnName(path)) return ParseScenarioFile(path, orbiter_root);
  return ParseScnText(ReadTextFile(path), path, orbiter_root);
}

}  // namespace app
