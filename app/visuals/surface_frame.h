// The flat stage on which the pictures of a run are drawn: a tangent frame at the carrier's
// place on its body (east, north, up in metres), and the terrain sampled on a square grid in
// it. The map of the plots and the scene of the replay page share both, so a vessel drawn
// on the terrain in one stands on it in the other. The stage is fixed to the body's ground:
// places and directions are given in the body's coordinates (BodyFrame), so that on a body
// that turns and moves the stage goes with it.
#pragma once

#include <vector>

#include "app/world/vessel_measure.h"
#include "sim/world.h"

namespace app {

struct SurfaceFrame {
  VECTOR3 body_centre{};  // in the body's coordinates
  double body_radius_m = 1.0;
  VECTOR3 origin{};  // in the body's coordinates: the place at the body's mean radius
  VECTOR3 east{}, north{}, up{};

  // A place in the body's coordinates as (east, north, up) metres from the origin. Up is along
  // the origin's vertical, so far from the origin the body's curvature shows as a drop.
  VECTOR3 ToLocal(const VECTOR3 &place) const;
  // A direction along the body's axes as (east, north, up) components.
  VECTOR3 DirToLocal(const VECTOR3 &dir_body) const;
};

SurfaceFrame SurfaceFrameAt(const BodyFrame &body, double lat_rad, double lon_rad);

// Terrain heights at (size x size) points spaced evenly on the frame's tangent plane, row by
// row from the south-west corner, east running fastest. Where the relief has no height both
// values are not a number.
struct TerrainGrid {
  double east0_m = 0.0, north0_m = 0.0;  // south-west corner
  double spacing_m = 1.0;
  int size = 0;
  std::vector<double> up_m;        // the terrain surface in the frame (the scene's heights)
  std::vector<double> altitude_m;  // the terrain over the body's mean radius (the map's colours)

  bool HasHeights() const;  // any finite height at all
};

TerrainGrid SampleTerrain(const sim::World &world, const SurfaceFrame &frame, double east_centre_m,
                          double north_centre_m, double half_width_m, int size);

}  // namespace app
