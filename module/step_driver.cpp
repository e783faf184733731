#include "module/step_driver.h"

#include <cmath>
#include <limits>

#include "anchor/anchor_table.h"
#include "anchor/movement.h"
#include "contact/contact_pass.h"
#include "math/vector.h"
#include "module/key_table.h"
#include "module/vessel_class.h"

namespace td {

namespace {
constexpr double kHalfPi = 1.570796326794895;
constexpr double kTwoPi = 6.283185307179586;

// The carrier whose points the anchored vessels hang on; null until one is first seen.
OBJHANDLE g_slotsCarrier = nullptr;
}  // namespace

VESSEL *FindCarrier() {
  const DWORD count = oapiGetVesselCount();
  for (DWORD index = 0; index < count; ++index) {
    VESSEL *vessel = oapiGetVesselInterface(oapiGetVesselByIndex(static_cast<int>(index)));
    if (vessel == nullptr) continue;
    const char *className = vessel->GetClassNameA();
    if (className != nullptr && IsCarrierClass(className)) return vessel;
  }
  return nullptr;
}

bool FocusStrayed(const VESSEL &carrier) {
  VESSEL *focus = oapiGetFocusInterface();
  if (focus == nullptr) return false;
  // The host leaves these as they are when it cannot tell a vessel's place (no reference
  // body): a place that is not a number is no place, and releases nothing.
  constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
  double focusLon = kUnknown, focusLat = kUnknown, focusRadius = kUnknown;
  double carrierLon = kUnknown, carrierLat = kUnknown, carrierRadius = kUnknown;
  oapiGetEquPos(focus->GetHandle(), &focusLon, &focusLat, &focusRadius);
  oapiGetEquPos(carrier.GetHandle(), &carrierLon, &carrierLat, &carrierRadius);
  // Differences of colatitude and of longitude; the quarter turns cancel.
  const double dTheta = (kHalfPi - focusLat) - (kHalfPi - carrierLat);
  // Longitudes jump by a full turn at the antimeridian: two places a hair apart on either
  // side of it are close, not a turn apart. Not-a-number stays so and releases nothing.
  const double dPhi = std::remainder((kHalfPi + focusLon) - (kHalfPi + carrierLon), kTwoPi);
  return Abs(dTheta) > kFocusReleaseAngle_rad || Abs(dPhi) > kFocusReleaseAngle_rad;
}

void ReleaseSweep() {
  for (int slot = 0; slot < kAnchorSlotCount; ++slot) {
    const OBJHANDLE vessel = g_anchorVessel[slot];
    // Vessels that have gone are left to the pruning: there is nothing to detach.
    if (vessel != nullptr && oapiIsVessel(vessel)) ReleaseSlot(slot, 0.0);
  }
}

void FollowCarrier(VESSEL *carrier) {
  const OBJHANDLE current = carrier != nullptr ? carrier->GetHandle() : nullptr;
  if (current == g_slotsCarrier) return;
  // The former carrier has left the simulation (the host let go of its children then), or is
  // no longer the first of its class. Either way its points are no use to the new one.
  if (g_slotsCarrier != nullptr) {
    VESSEL *former =
        oapiIsVessel(g_slotsCarrier) ? oapiGetVesselInterface(g_slotsCarrier) : nullptr;
    for (int slot = 0; slot < kAnchorSlotCount; ++slot) {
      const OBJHANDLE vessel = g_anchorVessel[slot];
      if (vessel == nullptr) continue;
      if (former != nullptr && oapiIsVessel(vessel)) {
        former->DetachChild(g_anchorCarrierPoint[slot], 0.0);
      }
      g_anchorVessel[slot] = nullptr;
    }
  }
  g_slotsCarrier = current;
}

void ForgetCarrier() { g_slotsCarrier = nullptr; }

void RunStep(double simt, double simdt, double mjd) {
  g_carrier = FindCarrier();
  FollowCarrier(g_carrier);
  RunContactPass(simt, simdt, mjd);
  if (g_carrier != nullptr) {
    if (FocusStrayed(*g_carrier)) ReleaseSweep();
    // A release key acts once per press: its entry is cleared here and auto-repeat does not
    // set it again.
    if (KeyHeld(kKeyG) || KeyHeld(kKeyU) || KeyHeld(kKeyC)) {
      ReleaseSweep();
      ClearKey(kKeyG);
      ClearKey(kKeyU);
      ClearKey(kKeyC);
    }
  }
  DispatchMovement(simdt);
  PruneAnchorTable();
}

}  // namespace td
