// The simulator's own scenario files (.scn) as touchdown-sim's scenarios: the date of the
// environment block, the focus block's ship, and the ships, landed or orbiting about the
// bodies of terrain::kSolarBodies, with their classes from the simulator's folder. What is
// read and what is skipped is described in docs/scenarios.md.
#pragma once

#include <string>
#include <vector>

#include "app/scenario/scenario.h"

namespace app {

// The world of a .scn file: its bodies (the first named at the global origin), its vessels,
// the focus (empty: the first vessel) and the date.
struct ScnWorld {
  std::vector<BodyDef> bodies;
  std::vector<VesselDef> vessels;
  std::string focus;
  double mjd = 51544.5;
};

// Bodies after the first lie this far apart along +x, each beyond every other's reach.
inline constexpr double kScnBodySpacing_m = 1e12;

// orbiter_root: the simulator's folder with Config/Vessels; empty: every class has the
// default of vessel_cfg.h.
ScnWorld ReadScnWorld(const std::string &text, const std::string &display_name,
                      const std::string &orbiter_root);

// A whole scenario: the world, run as the TOML reader's defaults run a file (60 s in steps of
// 0.01 s, the host's own frame order), on the installed relief under the carrier.
Scenario ParseScnText(const std::string &text, const std::string &display_name,
                      const std::string &orbiter_root);

// A file whose name ends in .scn, in any case.
bool IsScnName(const std::string &path);

// Either kind of scenario file, by its name.
Scenario ReadScenarioFileOfAnyKind(const std::string &path, const std::string &orbiter_root);

}  // namespace app
