// Turning directions (not points) between the global frame and a vessel's frame. The host
// only transforms points, so a direction is moved to the vessel's origin, transformed, and
// the translation taken off again.
#pragma once

#include "host/orbiter_api.h"
#include "math/vector.h"

namespace td {

// dir_global in vessel v's axes; v_pos_global is v's global position, already read.
inline VECTOR3 DirGlobalToLocal(const VESSEL &v, const VECTOR3 &v_pos_global,
                                const VECTOR3 &dir_global) {
  VECTOR3 local;
  v.Global2Local(VecAdd(dir_global, v_pos_global), local);
  return local;
}

// dir_local (v's axes) in the global frame.
inline VECTOR3 DirLocalToGlobal(const VESSEL &v, const VECTOR3 &v_pos_global,
                                const VECTOR3 &dir_local) {
  VECTOR3 global;
  v.Local2Global(dir_local, global);
  return VecSub(global, v_pos_global);
}

}  // namespace td
