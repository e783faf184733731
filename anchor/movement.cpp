#include "anchor/movement.h"

#include "anchor/anchor_table.h"
#include "anchor/ground_probe.h"
#include "host/frames.h"
#include "host/terrain.h"
#include "math/finite.h"
#include "math/vector.h"
#include "module/key_table.h"
#include "module/td_assert.h"
#include "module/vessel_class.h"

namespace td {

namespace {

bool IsKnownCode(MoveCode code) {
  return static_cast<int>(code) >= static_cast<int>(MoveCode::kForward) &&
         static_cast<int>(code) <= static_cast<int>(MoveCode::kRight);
}

bool IsStepCode(MoveCode code) {
  switch (code) {
    case MoveCode::kForward:
    case MoveCode::kBack:
    case MoveCode::kLeft:
    case MoveCode::kRight:
      return true;
    case MoveCode::kTurnLeft:
    case MoveCode::kTurnRight:
      return false;
  }
  return false;
}

// The direction of a step in the vessel's own axes. Turns have none; they never ask.
VECTOR3 StepAxisLocal(MoveCode code) {
  switch (code) {
    case MoveCode::kForward:
      return Vec3(0, 0, 1);
    case MoveCode::kBack:
      return Vec3(0, 0, -1);
    case MoveCode::kLeft:
      return Vec3(-1, 0, 0);
    case MoveCode::kRight:
    case MoveCode::kTurnLeft:
    case MoveCode::kTurnRight:
      break;
  }
  return Vec3(1, 0, 0);
}

// The shift of the carrier-side point for one step, or false when the vessel floated free
// and was released, or the shift is not a finite one.
bool StepShift(VESSEL &vessel, MoveCode code, double simdt, double speed_mps,
               VECTOR3 &shift_carrier) {
  VESSEL &carrier = *StepCarrier();
  VECTOR3 pos_global, carrier_global;
  vessel.GetGlobalPos(pos_global);
  carrier.GetGlobalPos(carrier_global);
  const VECTOR3 axis_global = DirLocalToGlobal(vessel, pos_global, StepAxisLocal(code));
  const VECTOR3 axis_carrier = DirGlobalToLocal(carrier, carrier_global, axis_global);
  // Within the carrier's x-z plane, not rescaled: a vessel tilted out of it steps shorter.
  VECTOR3 step_carrier = VecScale(axis_carrier, simdt);
  step_carrier.x *= speed_mps;
  step_carrier.y = 0.0;
  step_carrier.z *= speed_mps;

  VECTOR3 drop_global;
  double terrain_alt_m;
  const double clearance_m = ProbeGround(vessel, drop_global, terrain_alt_m);
  if (FloatsFree(clearance_m, terrain_alt_m)) {
    ReleaseVessel(&vessel, kFloatFreeSeparation_mps);
    return false;
  }
  // The drop brings the touchdown plane onto the terrain where the vessel stood before this
  // step; the next step corrects for the terrain under the new place.
  const VECTOR3 drop_carrier = DirGlobalToLocal(carrier, carrier_global, drop_global);
  shift_carrier = VecAdd(step_carrier, drop_carrier);
  return IsFinite(shift_carrier);
}

}  // namespace

void MoveAnchored(VESSEL *vessel, MoveCode code, double simdt, double speed_mps) {
  TD_ASSERT(IsKnownCode(code));
  VESSEL *const carrier = StepCarrier();
  if (carrier == nullptr) return;
  const int slot = FindAnchorSlot(vessel->GetHandle());
  if (slot < 0) return;

  const bool step = IsStepCode(code);
  VECTOR3 shift_carrier{};
  if (step) {
    // Without the terrain there is no ground to step onto; turning still works.
    if (!TerrainBound()) return;
    if (!StepShift(*vessel, code, simdt, speed_mps, shift_carrier)) return;
  }

  const ATTACHMENTHANDLE point = AnchorCarrierPoint(slot);
  VECTOR3 pos_carrier, dir_carrier, rot_carrier;
  carrier->GetAttachmentParams(point, pos_carrier, dir_carrier, rot_carrier);
  if (step) {
    pos_carrier = VecAdd(pos_carrier, shift_carrier);
  } else {
    const double angle_rad =
        code == MoveCode::kTurnLeft ? simdt * -kTurnRate_radps : simdt * kTurnRate_radps;
    rot_carrier = VecRotateY(rot_carrier, angle_rad);
  }
  if (!IsFinite(pos_carrier) || !IsFinite(rot_carrier)) return;
  carrier->SetAttachmentParams(point, pos_carrier, dir_carrier, rot_carrier);
}

namespace {

void DispatchKeys(VESSEL *vessel, double simdt, double speed_mps) {
  // Steps first, then turns; an arrow key and its letter together count once.
  if (KeyHeld(kKeyUp) || KeyHeld(kKeyW)) MoveAnchored(vessel, MoveCode::kForward, simdt, speed_mps);
  if (KeyHeld(kKeyDown) || KeyHeld(kKeyS)) MoveAnchored(vessel, MoveCode::kBack, simdt, speed_mps);
  if (KeyHeld(kKeyEnd)) MoveAnchored(vessel, MoveCode::kLeft, simdt, speed_mps);
  if (KeyHeld(kKeyNext)) MoveAnchored(vessel, MoveCode::kRight, simdt, speed_mps);
  if (KeyHeld(kKeyLeft) || KeyHeld(kKeyA)) {
    MoveAnchored(vessel, MoveCode::kTurnLeft, simdt, speed_mps);
  }
  if (KeyHeld(kKeyRight) || KeyHeld(kKeyD)) {
    MoveAnchored(vessel, MoveCode::kTurnRight, simdt, speed_mps);
  }
}

bool AnyMovementKeyHeld() {
  for (int vk : kMovementKeys) {
    if (KeyHeld(vk)) return true;
  }
  return false;
}

}  // namespace

void DispatchMovement(double simdt) {
  if (!AnyMovementKeyHeld()) return;
  VESSEL *focus = oapiGetFocusInterface();
  if (focus == nullptr) return;
  const char *class_name = focus->GetClassNameA();
  if (class_name == nullptr) return;
  if (IsWalkerClass(class_name)) DispatchKeys(focus, simdt, kWalkerSpeed_mps);
  if (IsCarClass(class_name)) DispatchKeys(focus, simdt, kCarSpeed_mps);
}

}  // namespace td
