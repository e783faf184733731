#include "app/visuals/surface_frame.h"

#include <cmath>

#include "math/vector.h"
#include "terrain/horizon.h"

namespace app {

VECTOR3 SurfaceFrame::DirToLocal(const VECTOR3 &d) const {
  return td::Vec3(td::VecDot(d, east), td::VecDot(d, north), td::VecDot(d, up));
}

VECTOR3 SurfaceFrame::ToLocal(const VECTOR3 &place) const {
  return DirToLocal(td::VecSub(place, origin));
}

SurfaceFrame SurfaceFrameAt(const BodyFrame &body, double lat_rad, double lon_rad) {
  const terrain::Horizon h = terrain::HorizonAt(lat_rad, lon_rad);
  SurfaceFrame f;
  f.body_centre = body.centre;
  f.body_radius_m = body.body->radius_m;
  f.up = h.up;
  f.east = h.east;
  f.north = h.north;
  f.origin = td::VecAdd(body.centre, td::VecScale(h.up, body.body->radius_m));
  return f;
}

bool TerrainGrid::HasHeights() const {
  for (const double u : up_m) {
    if (std::isfinite(u)) return true;
  }
  return false;
}

TerrainGrid SampleTerrain(const sim::World &world, const SurfaceFrame &frame, double east_centre_m,
                          double north_centre_m, double half_width_m, int size) {
  TerrainGrid g;
  g.size = size;
  g.spacing_m = size > 1 ? 2.0 * half_width_m / (size - 1) : 0.0;
  g.east0_m = east_centre_m - half_width_m;
  g.north0_m = north_centre_m - half_width_m;
  g.up_m.reserve(static_cast<size_t>(size) * size);
  g.altitude_m.reserve(g.up_m.capacity());
  // The terrain is asked along the global frame's axes, as the body stands at the sampling.
  const sim::BodySpec *terrain_body = world.Body(world.TerrainBody());
  const BodyFrame body = terrain_body != nullptr ? BodyFrameOf(*terrain_body) : BodyFrame{};
  for (int row = 0; row < size; ++row) {
    for (int col = 0; col < size; ++col) {
      const double e = g.east0_m + col * g.spacing_m, n = g.north0_m + row * g.spacing_m;
      // The terrain is a radius along the ray from the body's centre through the plane point.
      const VECTOR3 plane_point = td::VecAdd(
          frame.origin, td::VecAdd(td::VecScale(frame.east, e), td::VecScale(frame.north, n)));
      const VECTOR3 rel = td::VecSub(plane_point, frame.body_centre);
      const double radius_m = world.TerrainRadius(body.turns ? body.axes.Mul(rel) : rel);
      const VECTOR3 surface =
          td::VecAdd(frame.body_centre, td::VecScale(rel, radius_m / td::VecLength(rel)));
      g.up_m.push_back(frame.ToLocal(surface).z);
      g.altitude_m.push_back(radius_m - frame.body_radius_m);
    }
  }
  return g;
}

}  // namespace app
