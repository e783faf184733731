#include "anchor/ground_probe.h"

#include "host/terrain.h"
#include "math/vector.h"

namespace td {

double ProbeGround(const VESSEL &vessel, VECTOR3 &drop_global, double &terrainAlt_m) {
  VECTOR3 pos_global;
  vessel.GetGlobalPos(pos_global);
  const OBJHANDLE body = vessel.GetSurfaceRef();
  VECTOR3 body_global;
  oapiGetGlobalPos(body, &body_global);
  const VECTOR3 radial_global = VecSub(pos_global, body_global);
  const double bodyRadius_m = oapiGetSize(body);

  const double radialLength_m = VecLength(radial_global);
  const double vesselAlt_m = radialLength_m - bodyRadius_m;
  const double baseAlt_m = vesselAlt_m - vessel.GetCOG_elev();
  terrainAlt_m = TerrainAltitude(radial_global, bodyRadius_m);
  const double clearance_m = baseAlt_m - terrainAlt_m;

  const VECTOR3 up_global = VecUnitOfLength(radial_global, radialLength_m);
  drop_global = Vec3((-up_global.x) * clearance_m, (-up_global.y) * clearance_m,
                     (-up_global.z) * clearance_m);
  return clearance_m;
}

}  // namespace td
