// A vessel class as the simulator reads it from its class file,
// `<root>/Config/Vessels/<class>.cfg`: the mass, the size and the three touchdown points,
// and the centre of gravity's height over the plane of those points. Everything else in the
// file (meshes, engines, the module that gives a class its code) is not read. A class
// without a file has the simulator's own defaults for a vessel that sets nothing.
#pragma once

#include <string>
#include <vector>

#include "app/scenario/scenario.h"

namespace app {

struct VesselClassDef {
  double mass_kg = 1000.0;
  double size_m = 10.0;
  std::vector<Vec3> touchdown_points{{0.0, -2.0, 10.0}, {-3.0, -2.0, -5.0}, {3.0, -2.0, -5.0}};
  double cog_elev_m = 2.0;  // of the default points
  std::string file;         // the class file read; empty: the defaults
};

// The distance of the vessel's origin from the plane through three touchdown points: how high
// its centre stands over level ground. Negative when the points lie on one line.
double CogElevation(const std::vector<Vec3> &points);

// `Mass = ...`, `Size = ...`, `TouchdownPoints = ...` of a class file's text. display_name
// names the file in messages; a value that is not a usable number is refused at its line.
VesselClassDef ParseVesselClassText(const std::string &text, const std::string &display_name);

// Where the class file of a class lies under the simulator's folder: the class name's `\`
// folders become the system's, and a name spelt in another case than the file finds it, as
// on the simulator's own system. Empty when there is no such file.
std::string VesselClassPath(const std::string &orbiter_root, const std::string &class_name);

// The class read from its file under orbiter_root, or the defaults when there is none (or no
// root is given).
VesselClassDef ReadVesselClass(const std::string &orbiter_root, const std::string &class_name);

}  // namespace app
