#include "module/step_driver.h"

#include <cmath>
#include <limits>

#include "anchor/anchor_table.h"
#include "anchor/ground_frame.h"
#include "anchor/movement.h"
#include "contact/contact_pass.h"
#include "math/angles.h"
#include "math/vector.h"
#include "module/key_table.h"
#include "module/vessel_class.h"

namespace td {

VESSEL *FindCarrier() {
  const DWORD count = oapiGetVesselCount();
  for (DWORD index = 0; index < count; ++index) {
    VESSEL *vessel = oapiGetVesselInterface(oapiGetVesselByIndex(static_cast<int>(index)));
    if (vessel == nullptr) continue;
    const char *class_name = vessel->GetClassNameA();
    if (class_name != nullptr && IsCarrierClass(class_name)) return vessel;
  }
  return nullptr;
}

bool FocusStrayed(const VESSEL &carrier) {
  VESSEL *focus = oapiGetFocusInterface();
  if (focus == nullptr) return false;
  // The host leaves these as they are when it cannot tell a vessel's place (no reference
  // body): a place that is not a number is no place, and releases nothing.
  constexpr double kUnknown = std::numeric_limits<double>::quiet_NaN();
  double focus_lon = kUnknown, focus_lat = kUnknown, focus_radius = kUnknown;
  double carrier_lon = kUnknown, carrier_lat = kUnknown, carrier_radius = kUnknown;
  oapiGetEquPos(focus->GetHandle(), &focus_lon, &focus_lat, &focus_radius);
  oapiGetEquPos(carrier.GetHandle(), &carrier_lon, &carrier_lat, &carrier_radius);
  return PlacesApart(focus_lat, focus_lon, carrier_lat, carrier_lon);
}

namespace {

// A release key acts once per press: its entry is cleared here and auto-repeat does not set
// it again.
bool TakeReleaseKeys() {
  if (!KeyHeld(kKeyG) && !KeyHeld(kKeyU) && !KeyHeld(kKeyC)) return false;
  ClearKey(kKeyG);
  ClearKey(kKeyU);
  ClearKey(kKeyC);
  return true;
}

}  // namespace

void RunStep(double simt, double simdt, double mjd) {
  UseCarrier(FindCarrier());
  FollowGround(StepCarrier());
  RunContactPass(simt, simdt, mjd);
  if (const VESSEL *carrier = StepCarrier(); carrier != nullptr) {
    if (FocusStrayed(*carrier)) ReleaseEveryAnchored();
    if (TakeReleaseKeys()) ReleaseEveryAnchored();
  }
  DispatchMovement(simdt);
  PruneAnchorTable();
}

}  // namespace td
