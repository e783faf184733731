#include "anchor/ground_probe.h"

#include "anchor/ground_frame.h"
#include "host/terrain.h"
#include "math/vector.h"

namespace td {

double ProbeGround(const VESSEL &vessel, VECTOR3 &drop_global, double &terrain_alt_m) {
  VECTOR3 pos_global;
  vessel.GetGlobalPos(pos_global);
  const OBJHANDLE body = vessel.GetSurfaceRef();
  VECTOR3 body_global;
  oapiGetGlobalPos(body, &body_global);
  const VECTOR3 radial_global = VecSub(pos_global, body_global);
  const double body_radius_m = oapiGetSize(body);

  const double radial_length_m = VecLength(radial_global);
  const double vessel_alt_m = radial_length_m - body_radius_m;
  const double base_alt_m = vessel_alt_m - vessel.GetCOG_elev();
  terrain_alt_m = TerrainAltitude(OnGround(body, radial_global), body_radius_m);
  const double clearance_m = base_alt_m - terrain_alt_m;

  const VECTOR3 up_global = VecUnitOfLength(radial_global, radial_length_m);
  drop_global = Vec3((-up_global.x) * clearance_m, (-up_global.y) * clearance_m,
                     (-up_global.z) * clearance_m);
  return clearance_m;
}

}  // namespace td
