// The ships of a simulator's scenario file (its BEGIN_SHIPS block) as the simulator's own
// reader leaves them, before any class file is read: each ship's name and class, its status
// with the body it names, and the lines of its state that touchdown-sim plays. Every other
// line of a ship is skipped, as a plain vessel's reader skips it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "app/scenario/scenario.h"

namespace app {

enum class ShipStatus { kNone, kLanded, kOrbiting };

struct ScnShip {
  std::string name;
  std::string class_name;  // the name when the header gives no class
  int index = 0;           // 1, 2, ... in the file
  int line = 0;            // of its header
  ShipStatus status = ShipStatus::kNone;
  std::string body;  // as the STATUS line spells it, found in the table of bodies
  double lon_deg = 0.0, lat_deg = 0.0, heading_deg = 0.0;
  // The angles of AROT (radians); landed, they count only when given after STATUS and the
  // first is at most 4, the simulator's mark for a landed attitude given.
  Vec3 arot_rad{};
  double alt_m = 0.0;  // ALT, or the first of VROT: one value to the simulator
  Vec3 rpos_m{}, rvel_mps{};
  // ELEMENTS about a body named before them; they stand unless RPOS and RVEL both follow.
  int elements_line = 0;
  bool rpos_after_elements = false, rvel_after_elements = false;
  int pad_line = 0;  // BASE with a landing pad, not overridden by a later POS
};

// The label of a ship in messages: ship[3] "lander".
std::string ShipLabel(const ScnShip &ship);

// The ships of the lines between BEGIN_SHIPS and the end of the file; `first` is the line
// number of lines[0]. A value that cannot be read is refused with its file, line and key.
std::vector<ScnShip> ReadShips(const std::vector<std::string_view> &lines, int first,
                               const std::string &file);

}  // namespace app
