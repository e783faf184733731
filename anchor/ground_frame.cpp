#include "anchor/ground_frame.h"

#include "math/finite.h"
#include "math/vector.h"
#include "module/module_state.h"

namespace td {

namespace {

GroundFrameState &Ground() { return g_module_state.ground; }

// The carrier's axes are read as points this far out along them: the host turns points, and
// the carrier's own position, millions of metres from the origin, rounds a unit vector's end
// to a few parts in 1e10; a long one's to a few parts in 1e16.
constexpr double kAxisReach_m = 1.0e6;
// A turn smaller than this (rad) is the rounding of the reading, not a turn: a few
// micrometres at the surface of a moon.
constexpr double kLeastTurn_rad = 1.0e-12;

void ReadAxes(const VESSEL &carrier, VECTOR3 (&axes_global)[3]) {
  VECTOR3 pos_global;
  carrier.GetGlobalPos(pos_global);
  for (int i = 0; i < 3; ++i) {
    VECTOR3 reach_local = Vec3(0.0, 0.0, 0.0);
    reach_local.data[i] = kAxisReach_m;
    VECTOR3 end_global;
    carrier.Local2Global(reach_local, end_global);
    axes_global[i] = VecScale(VecSub(end_global, pos_global), 1.0 / kAxisReach_m);
  }
}

bool Turned(const VECTOR3 (&a)[3], const VECTOR3 (&b)[3]) {
  for (int i = 0; i < 3; ++i) {
    for (int k = 0; k < 3; ++k) {
      if (!(Abs(a[i].data[k] - b[i].data[k]) <= kLeastTurn_rad)) return true;
    }
  }
  return false;
}

}  // namespace

void FollowGround(const VESSEL *carrier) {
  GroundFrameState &g = Ground();
  g.turned = false;
  if (carrier == nullptr) return;
  const OBJHANDLE handle = carrier->GetHandle();
  if (handle != g.carrier) {
    VECTOR3 axes_global[3];
    ReadAxes(*carrier, axes_global);
    // Axes that are not numbers are no frame: the next step tries again.
    for (const VECTOR3 &axis : axes_global) {
      if (!IsFinite(axis)) return;
    }
    g.carrier = handle;
    g.body = carrier->GetSurfaceRef();
    for (int i = 0; i < 3; ++i) g.first_axes_global[i] = axes_global[i];
    return;
  }
  ReadAxes(*carrier, g.axes_global);
  g.turned = Turned(g.axes_global, g.first_axes_global);
}

void ForgetGround() { g_module_state.ground = GroundFrameState{}; }

VECTOR3 OnGround(OBJHANDLE body, const VECTOR3 &pos_rel_body) {
  const GroundFrameState &g = Ground();
  if (!g.turned || body != g.body) return pos_rel_body;
  // Into the carrier's axes as they are now, and out of them as they were first found.
  VECTOR3 back = Vec3(0.0, 0.0, 0.0);
  for (int i = 0; i < 3; ++i) {
    back = VecAdd(back, VecScale(g.first_axes_global[i], VecDot(g.axes_global[i], pos_rel_body)));
  }
  return back;
}

}  // namespace td
