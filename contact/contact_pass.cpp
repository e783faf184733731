#include "contact/contact_pass.h"

#include <cmath>

#include "anchor/anchor_table.h"
#include "host/frames.h"
#include "host/terrain.h"
#include "math/finite.h"
#include "math/vector.h"
#include "module/key_table.h"
#include "module/vessel_class.h"

namespace td {

namespace {

constexpr double kSupportFactor = 1.1;       // support force over weight
constexpr double kBrakeCoefficient = 0.001;  // fraction of velocity braked per step
constexpr double kBrakeBoost = 0.2;          // added while the period key is held
constexpr double kAnchorSpeed_mps = 0.5;     // resting: slower than this relative to carrier
constexpr double kFloatFreeClearance_m = 0.1;

const VECTOR3 kOrigin = {{0.0, 0.0, 0.0}};

// The host is never handed a force that is not a finite number: it would corrupt the vessel.
void ApplyForce(const VESSEL &vessel, const VECTOR3 &force_local) {
  if (IsFinite(force_local)) vessel.AddForce(force_local, kOrigin);
}

double ThrustLength(const VESSEL &vessel) {
  VECTOR3 thrust_local;
  vessel.GetThrustVector(thrust_local);
  return VecLength(thrust_local);
}

// What stays the same for every vessel of one pass: the carrier and its body.
struct CarrierState {
  VESSEL *carrier;
  VECTOR3 pos_global;
  VECTOR3 vel_global;
  OBJHANDLE body;
  double bodyRadius_m;
  double bodyMass_kg;
  double gravityParameter;  // G * M (m^3/s^2), the first product of the gravity formula
};

// The step this pass is for, and what the pass has learnt of the anchor table as it went.
struct PassState {
  double simdt;
  double perStep;   // 1 / simdt (1/s)
  bool stepUsable;  // forces that divide by the step length need a positive finite one
  // Every anchor slot below this one is in use. Nothing but this pass changes the table while
  // it runs, and it lowers the mark whenever it frees a slot.
  int usedBelow;
};

void Release(PassState &ps, int slot) {
  ReleaseSlot(slot, 0.0);
  if (slot < ps.usedBelow) ps.usedBelow = slot;
}

void VisitVessel(const CarrierState &cs, PassState &ps, VESSEL &vessel) {
  const char *className = vessel.GetClassNameA();
  if (className != nullptr && (IsCarrierClass(className) || IsJetpackClass(className))) return;

  // A vessel parked on another body has nothing to do with this carrier's terrain.
  const OBJHANDLE body = vessel.GetSurfaceRef();
  if (body != cs.body) return;

  // Thrust release.
  const OBJHANDLE handle = vessel.GetHandle();
  const int slot = FindAnchorSlot(handle);
  const bool anchored = slot >= 0;
  if (anchored && ThrustLength(vessel) > 0.0) {
    Release(ps, slot);
    return;
  }
  if (!TerrainBound()) return;

  // Measure.
  VECTOR3 vel_global, pos_global, body_global;
  vessel.GetGlobalVel(vel_global);
  vessel.GetGlobalPos(pos_global);
  oapiGetGlobalPos(body, &body_global);
  const double mass_kg = vessel.GetMass();
  const VECTOR3 radial_global = VecSub(pos_global, body_global);
  // The vessel's body is the carrier's here, so its radius is the one already read.
  const double radialLength_m = VecLength(radial_global);
  const double vesselAlt_m = radialLength_m - cs.bodyRadius_m;
  const double terrainAlt_m = TerrainAltitude(radial_global, cs.bodyRadius_m);
  const double clearance_m = (vesselAlt_m - terrainAlt_m) - vessel.GetCOG_elev();
  // Strict: touching exactly, or a clearance that is not a number, is no contact.
  const bool contact = clearance_m < 0.0;

  // Float-free release: anchored, but well above terrain that lies below the mean radius.
  if (anchored && clearance_m > kFloatFreeClearance_m && terrainAlt_m < 0.0) {
    Release(ps, slot);
    return;
  }

  const VECTOR3 relVel_global = VecSub(vel_global, cs.vel_global);
  const VECTOR3 relVel_local = DirGlobalToLocal(vessel, pos_global, relVel_global);
  const VECTOR3 relVel_carrier = DirGlobalToLocal(*cs.carrier, cs.pos_global, relVel_global);
  const VECTOR3 up_local =
      DirGlobalToLocal(vessel, pos_global, VecUnitOfLength(radial_global, radialLength_m));

  // Everything from here on acts only in contact; out of it, only the host calls above are
  // made. The arithmetic below is left until then, unchanged in form and order.
  if (!contact) return;

  // Stopping force: the impulse of a perfectly inelastic contact at the origin, where the
  // effective inverse mass is 1/m, spread over one step.
  if (ps.stepUsable) {
    const double closing_mps = -VecDot(relVel_local, up_local);
    const double impulse_Ns = closing_mps / (1.0 / mass_kg);
    const double perStep = ps.perStep;
    const VECTOR3 stop_local =
        Vec3((up_local.x * impulse_Ns) * perStep, (up_local.y * impulse_Ns) * perStep,
             (up_local.z * impulse_Ns) * perStep);
    if (VecLength(stop_local) != 0.0 && relVel_carrier.y < 0.0) ApplyForce(vessel, stop_local);
  }

  const double r_m = vesselAlt_m + cs.bodyRadius_m;
  const double gravity_mps2 = cs.gravityParameter / (r_m * r_m);
  ApplyForce(vessel, VecScale(up_local, kSupportFactor * (gravity_mps2 * mass_kg)));

  if (ps.stepUsable) {
    const double brake = kBrakeCoefficient + kBrakeBoost * KeyEntry(kKeyPeriod);
    const double brakeZ_N = -(relVel_local.z / ps.simdt) * mass_kg * brake;
    ApplyForce(vessel, Vec3(0.0, 0.0, brakeZ_N));
    const double brakeX_N = -(relVel_local.x / ps.simdt) * mass_kg * brake;
    ApplyForce(vessel, Vec3(brakeX_N, 0.0, 0.0));
  }

  if (VecLength(relVel_carrier) < kAnchorSpeed_mps && ThrustLength(vessel) == 0.0) {
    AnchorVesselFoundIn(&vessel, handle, slot, ps.usedBelow);
  }
}

}  // namespace

void RunContactPass(double /*simt*/, double simdt, double /*mjd*/) {
  VESSEL *const carrier = g_carrier;
  if (carrier == nullptr) return;
  const DWORD count = oapiGetVesselCount();
  if (count == 0) return;

  CarrierState cs;
  cs.carrier = carrier;
  carrier->GetGlobalPos(cs.pos_global);
  carrier->GetGlobalVel(cs.vel_global);
  cs.body = carrier->GetSurfaceRef();
  cs.bodyRadius_m = oapiGetSize(cs.body);
  cs.bodyMass_kg = oapiGetMass(cs.body);
  cs.gravityParameter = kGravitationalConstant * cs.bodyMass_kg;

  PassState ps;
  ps.simdt = simdt;
  // Forces that divide by the step length are left out when it is not a positive number.
  ps.stepUsable = simdt > 0.0 && std::isfinite(simdt);
  ps.perStep = ps.stepUsable ? 1.0 / simdt : 0.0;
  ps.usedBelow = 0;

  for (DWORD index = 0; index < count; ++index) {
    VESSEL *vessel = oapiGetVesselInterface(oapiGetVesselByIndex(static_cast<int>(index)));
    if (vessel != nullptr) VisitVessel(cs, ps, *vessel);
  }
}

}  // namespace td
