#include "app/scenario/vessel_cfg.h"

#include <cmath>
#include <filesystem>
#include <optional>

#include "app/base/text_format.h"
#include "app/scenario/scenario_error.h"
#include "app/scenario/scn_text.h"

namespace app {

namespace {

namespace fs = std::filesystem;

struct Item {
  std::string_view value;
  int line = 0;
};

// The value of the first `label = value` line, as the simulator looks an item up: labels in
// any case, nothing after an END_PARSE line, and an empty value the same as none.
std::optional<Item> FindItem(const std::vector<std::string_view> &lines, std::string_view label) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = TrimBlanks(lines[i]);
    if (EqualsNoCase(line, "END_PARSE")) return std::nullopt;
    const size_t equals = line.find('=');
    if (!EqualsNoCase(TrimBlanks(line.substr(0, equals)), label)) continue;
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view value = TrimBlanks(line.substr(equals + 1));
    if (value.empty()) return std::nullopt;
    return Item{value, static_cast<int>(i + 1)};
  }
  return std::nullopt;
}

double PositiveItem(const std::string &file, const Item &item, const char *label,
                    const Range &range, const char *unit) {
  double value = 0.0;
  if (ReadNumbers(item.value, &value, 1) != 1 || !std::isfinite(value)) {
    throw ScenarioError(file, item.line, label,
                        "must be a number, not \"" + std::string(item.value) + "\"");
  }
  if (!(value > 0.0 && value >= range.lo && value <= range.hi)) {
    throw ScenarioError(
        file, item.line, label,
        "must be greater than 0 and at most " + FormatGeneral(range.hi, 6) + " " + unit);
  }
  return value;
}

std::vector<Vec3> TouchdownItem(const std::string &file, const Item &item) {
  double v[9];
  if (ReadNumbers(item.value, v, 9) != 9) {
    throw ScenarioError(file, item.line, "TouchdownPoints",
                        "must be nine numbers, x y z of three points in metres");
  }
  for (const double x : v) {
    if (!(std::abs(x) <= kCogElevRange_m.hi)) {
      throw ScenarioError(file, item.line, "TouchdownPoints",
                          "must be finite and within " + FormatGeneral(kCogElevRange_m.hi, 6) +
                              " m of the vessel's origin on each axis");
    }
  }
  std::vector<Vec3> points{{v[0], v[1], v[2]}, {v[3], v[4], v[5]}, {v[6], v[7], v[8]}};
  if (!(CogElevation(points) >= 0.0)) {
    throw ScenarioError(file, item.line, "TouchdownPoints",
                        "the three points lie on one line and make no plane to stand on");
  }
  return points;
}

// The entry of a folder named as `name` is, in any case: the exact spelling first.
std::optional<fs::path> EntryNoCase(const fs::path &folder, const std::string &name) {
  std::error_code error;
  if (fs::exists(folder / name, error)) return folder / name;
  for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    if (EqualsNoCase(it->path().filename().string(), name)) return it->path();
  }
  return std::nullopt;
}

}  // namespace

double CogElevation(const std::vector<Vec3> &p) {
  const Vec3 a{p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
  const Vec3 b{p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
  const Vec3 n{a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
  const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  // The simulator's own test for three points that make no plane.
  if (!(length > 1e-12)) return -1.0;
  return std::abs(n[0] * p[0][0] + n[1] * p[0][1] + n[2] * p[0][2]) / length;
}

VesselClassDef ParseVesselClassText(const std::string &text, const std::string &display_name) {
  const std::vector<std::string_view> lines = SplitLines(text);
  VesselClassDef c;
  c.file = display_name;
  if (auto item = FindItem(lines, "Mass")) {
    c.mass_kg = PositiveItem(display_name, *item, "Mass", kVesselMassRange_kg, "kg");
  }
  if (auto item = FindItem(lines, "Size")) {
    c.size_m = PositiveItem(display_name, *item, "Size", kBodyRadiusRange_m, "m");
  }
  if (auto item = FindItem(lines, "TouchdownPoints")) {
    c.touchdown_points = TouchdownItem(display_name, *item);
    c.cog_elev_m = CogElevation(c.touchdown_points);
  }
  return c;
}

std::string VesselClassPath(const std::string &orbiter_root, const std::string &class_name) {
  std::optional<fs::path> at = EntryNoCase(orbiter_root, "Config");
  if (at) at = EntryNoCase(*at, "Vessels");
  std::string rest = class_name + ".cfg";
  while (at && !rest.empty()) {
    const size_t slash = rest.find_first_of("\\/");
    const std::string part = rest.substr(0, slash);
    rest = slash == std::string::npos ? "" : rest.substr(slash + 1);
    if (!part.empty()) at = EntryNoCase(*at, part);
  }
  std::error_code error;
  if (!at || fs::is_directory(*at, error)) return "";
  return at->string();
}

VesselClassDef ReadVesselClass(const std::string &orbiter_root, const std::string &class_name) {
  if (orbiter_root.empty()) return {};
  const std::string path = VesselClassPath(orbiter_root, class_name);
  if (path.empty()) return {};
  return ParseVesselClassText(ReadTextFile(path), path);
}

}  // namespace app
