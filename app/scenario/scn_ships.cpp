#include "app/scenario/scn_ships.h"

#include <cmath>

#include "app/base/text_format.h"
#include "app/scenario/scenario_error.h"
#include "app/scenario/scn_text.h"
#include "app/scenario/toml_fields.h"
#include "math/units.h"
#include "terrain/solar_bodies.h"

namespace app {

namespace {

// One line of a ship: where it is and what follows its key.
struct ShipLine {
  const std::string &file;
  ScnShip &ship;
  int line;
  std::string_view rest;  // after the key
  const char *key;
};

[[noreturn]] void Fail(const ShipLine &l, const std::string &message) {
  throw ScenarioError(l.file, l.line, ShipLabel(l.ship) + " " + l.key, message);
}

std::string KnownBodies() {
  std::string names;
  for (const terrain::SolarBody &b : terrain::SolarBodies()) {
    names += (names.empty() ? "" : ", ") + std::string(b.name);
  }
  return names;
}

// `count` finite numbers, each within +-most.
void Numbers(const ShipLine &l, double *out, int count, double most, const char *what) {
  if (ReadNumbers(l.rest, out, count) != count) Fail(l, "must be " + std::string(what));
  for (int i = 0; i < count; ++i) {
    if (!(std::abs(out[i]) <= most)) {
      Fail(l, "must be finite numbers within " + FormatGeneral(most, 6) + ": " + what);
    }
  }
}

Vec3 Vector(const ShipLine &l, double most, const char *what) {
  Vec3 v{};
  Numbers(l, v.data(), 3, most, what);
  if (!(std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) <= most)) {
    Fail(l, "is longer than " + FormatGeneral(most, 6) + ": " + what);
  }
  return v;
}

void Status(const ShipLine &l) {
  std::string_view rest = TrimBlanks(l.rest);
  ShipStatus status = ShipStatus::kNone;
  if (StartsWithNoCase(rest, "Landed")) {
    status = ShipStatus::kLanded;
    rest.remove_prefix(6);
  } else if (StartsWithNoCase(rest, "Orbiting")) {
    status = ShipStatus::kOrbiting;
    rest.remove_prefix(8);
  } else {
    return;  // the simulator passes over any other status
  }
  const std::string body(TrimBlanks(rest));
  if (terrain::FindSolarBody(body) == nullptr) {
    Fail(l, "body \"" + body + "\" is not one touchdown-sim knows (" + KnownBodies() + ")");
  }
  l.ship.status = status;
  l.ship.body = body;
  if (status == ShipStatus::kLanded) {
    l.ship.heading_deg = 0.0;
    l.ship.arot_rad[0] = 10.0;  // the simulator's mark for an attitude not yet given
  }
}

void Position(const ShipLine &l) {
  double v[2];
  Numbers(l, v, 2, 360.0, "longitude and latitude in degrees");
  if (!(std::abs(v[1]) <= 90.0)) Fail(l, "latitude must be between -90 and 90 degrees");
  l.ship.lon_deg = v[0];
  l.ship.lat_deg = v[1];
  l.ship.pad_line = 0;
}

void Base(const ShipLine &l) {
  // A pad places the ship where the base's file says, which touchdown-sim does not read.
  if (l.rest.find(':') != std::string_view::npos) l.ship.pad_line = l.line;
}

void Elements(const ShipLine &l) {
  // The simulator works the elements out only about a body it already knows.
  if (l.ship.status == ShipStatus::kNone) return;
  l.ship.elements_line = l.line;
  l.ship.rpos_after_elements = l.ship.rvel_after_elements = false;
}

// The line's key among those the simulator reads into a plain vessel's state, in the order
// it tries them (a line is the first key it begins with); null for every other line.
using Reader = void (*)(const ShipLine &);
struct Key {
  const char *name;
  Reader read;
};

void Heading(const ShipLine &l) {
  Numbers(l, &l.ship.heading_deg, 1, 360.0, "a heading in degrees");
}
void Rpos(const ShipLine &l) {
  l.ship.rpos_m = Vector(l, kSolarSystem_m, "x y z in metres");
  l.ship.rpos_after_elements = true;
}
void Rvel(const ShipLine &l) {
  l.ship.rvel_mps = Vector(l, kSpeedOfLight_mps, "x y z in metres per second");
  l.ship.rvel_after_elements = true;
}
void Arot(const ShipLine &l) {
  l.ship.arot_rad = Vector(l, 1e4, "three angles in degrees");
  for (double &a : l.ship.arot_rad) a *= td::kRadPerDeg;
}
void Vrot(const ShipLine &l) {
  double x = 0.0;
  if (ReadNumbers(l.rest, &x, 1) == 1 && std::isfinite(x)) l.ship.alt_m = x * td::kRadPerDeg;
}
void Alt(const ShipLine &l) {
  Numbers(l, &l.ship.alt_m, 1, kHeightRange_m.hi, "an altitude in metres");
}

constexpr Key kKeys[] = {{"STATUS", Status},    {"BASE", Base}, {"POS", Position},
                         {"HEADING", Heading},  {"RPOS", Rpos}, {"RVEL", Rvel},
                         {"AROT", Arot},        {"VROT", Vrot}, {"ALT", Alt},
                         {"ELEMENTS", Elements}};

void ReadShipLine(const std::string &file, ScnShip &ship, int line, std::string_view text) {
  for (const Key &k : kKeys) {
    if (!StartsWithNoCase(text, k.name)) continue;
    k.read(ShipLine{file, ship, line, text.substr(std::string_view(k.name).size()), k.name});
    return;
  }
}

ScnShip ShipHeader(const std::string &file, std::string_view header, int line, int index) {
  ScnShip ship;
  ship.index = index;
  ship.line = line;
  const size_t colon = header.find(':');
  ship.name = std::string(header.substr(0, colon));
  ship.class_name =
      colon == std::string_view::npos ? ship.name : std::string(header.substr(colon + 1));
  if (ship.name.size() > kMaxStringBytes || ship.class_name.size() > kMaxStringBytes) {
    throw ScenarioError(file, line, "ship[" + std::to_string(index) + "]",
                        "a name longer than " + std::to_string(kMaxStringBytes) + " bytes");
  }
  // The account, the outputs and the events tell vessels apart by their names.
  if (ship.name.empty()) {
    throw ScenarioError(file, line, "ship[" + std::to_string(index) + "]", "has no name");
  }
  if (index > kMaxVessels) {
    throw ScenarioError(file, line, ShipLabel(ship),
                        "too many ships (at most " + std::to_string(kMaxVessels) + ")");
  }
  return ship;
}

}  // namespace

std::string ShipLabel(const ScnShip &ship) {
  return "ship[" + std::to_string(ship.index) + "] \"" + ship.name + "\"";
}

std::vector<ScnShip> ReadShips(const std::vector<std::string_view> &lines, int first,
                               const std::string &file) {
  std::vector<ScnShip> ships;
  size_t i = 0;
  while (i < lines.size()) {
    const std::string_view header = TrimBlanks(lines[i]);
    ++i;
    if (EqualsNoCase(header, "END_SHIPS")) break;
    if (header.empty()) continue;
    ScnShip ship = ShipHeader(file, header, first + static_cast<int>(i) - 1,
                              static_cast<int>(ships.size()) + 1);
    // A ship's lines run to its END, or to the end of the file: the simulator looks for
    // nothing else, END_SHIPS included.
    for (; i < lines.size(); ++i) {
      const std::string_view text = TrimBlanks(lines[i]);
      if (EqualsNoCase(text, "END")) {
        ++i;
        break;
      }
      ReadShipLine(file, ship, first + static_cast<int>(i), text);
    }
    ships.push_back(std::move(ship));
  }
  return ships;
}

}  // namespace app
