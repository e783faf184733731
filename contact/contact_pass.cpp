#include "contact/contact_pass.h"

#include <cmath>

#include "anchor/anchor_table.h"
#include "anchor/ground_frame.h"
#include "anchor/ground_probe.h"
#include "host/frames.h"
#include "host/terrain.h"
#include "math/finite.h"
#include "math/units.h"
#include "math/vector.h"
#include "module/key_table.h"
#include "module/vessel_class.h"

namespace td {

namespace {

constexpr double kSupportFactor = 1.1;       // support force over weight
constexpr double kBrakeCoefficient = 0.001;  // fraction of velocity braked per step
constexpr double kBrakeBoost = 0.2;          // added while the period key is held
constexpr double kAnchorSpeed_mps = 0.5;     // resting: slower than this relative to carrier

const VECTOR3 kOrigin = {{0.0, 0.0, 0.0}};

// The host is never handed a force that is not a finite number: it would corrupt the vessel.
void ApplyForce(const VESSEL &vessel, const VECTOR3 &force_local) {
  if (IsFinite(force_local)) vessel.AddForce(force_local, kOrigin);
}

// The thrust's squared length. Compared with zero it says what the length would (the root
// of a sum of squares is zero, positive or not a number with it), without a root on the way
// to a branch.
double ThrustSquared(const VESSEL &vessel) {
  VECTOR3 thrust_local;
  vessel.GetThrustVector(thrust_local);
  return VecLengthSquared(thrust_local);
}

// What stays the same for every vessel of one pass: the carrier and its body.
struct CarrierState {
  VESSEL *carrier;
  VECTOR3 pos_global;
  VECTOR3 vel_global;
  OBJHANDLE body;
  double body_radius_m;
  double body_mass_kg;
  double gravity_parameter;  // G * M (m^3/s^2), the first product of the gravity formula
};

// The step this pass is for.
struct StepState {
  double simdt;
  double per_step;   // 1 / simdt (1/s)
  bool step_usable;  // forces that divide by the step length need a positive finite one
};

// One vessel as the contact pass sees it.
struct Measurement {
  VECTOR3 pos_global;
  VECTOR3 vel_global;
  VECTOR3 radial_global;  // from the body's centre
  double radial_length_m;
  double mass_kg;
  double vessel_alt_m;
  double terrain_alt_m;
  double clearance_m;
  VECTOR3 rel_vel_local;
  VECTOR3 rel_vel_carrier;
  VECTOR3 up_local;
};

// Where the vessel is, and how high over the terrain. Every host call of a vessel on the
// carrier's body that is not anchored is made here, in contact or not.
void MeasurePlace(const CarrierState &cs, const VESSEL &vessel, Measurement &m) {
  VECTOR3 body_global;
  vessel.GetGlobalVel(m.vel_global);
  vessel.GetGlobalPos(m.pos_global);
  oapiGetGlobalPos(cs.body, &body_global);
  m.mass_kg = vessel.GetMass();
  m.radial_global = VecSub(m.pos_global, body_global);
  // The vessel's body is the carrier's here, so its radius is the one already read.
  m.radial_length_m = VecLength(m.radial_global);
  m.vessel_alt_m = m.radial_length_m - cs.body_radius_m;
  m.terrain_alt_m = TerrainAltitude(OnGround(cs.body, m.radial_global), cs.body_radius_m);
  m.clearance_m = (m.vessel_alt_m - m.terrain_alt_m) - vessel.GetCOG_elev();
}

// The vessel's motion relative to the carrier, and the local vertical, in the frames the
// forces need.
void MeasureMotion(const CarrierState &cs, const VESSEL &vessel, Measurement &m) {
  const VECTOR3 rel_vel_global = VecSub(m.vel_global, cs.vel_global);
  m.rel_vel_local = DirGlobalToLocal(vessel, m.pos_global, rel_vel_global);
  m.rel_vel_carrier = DirGlobalToLocal(*cs.carrier, cs.pos_global, rel_vel_global);
  m.up_local =
      DirGlobalToLocal(vessel, m.pos_global, VecUnitOfLength(m.radial_global, m.radial_length_m));
}

// Stopping force: the impulse of a perfectly inelastic contact at the origin, where the
// effective inverse mass is 1/m, spread over one step. The division by 1/m and the order of
// the products are kept as they are: every build and platform then hands the host the same
// force to the last bit.
void ApplyStop(const StepState &ss, const VESSEL &vessel, const Measurement &m) {
  // Only a vessel moving down in the carrier's frame is stopped.
  if (!ss.step_usable || !(m.rel_vel_carrier.y < 0.0)) return;
  const double closing_mps = -VecDot(m.rel_vel_local, m.up_local);
  const double impulse_Ns = closing_mps / (1.0 / m.mass_kg);
  const double per_step = ss.per_step;
  const VECTOR3 stop_local =
      Vec3((m.up_local.x * impulse_Ns) * per_step, (m.up_local.y * impulse_Ns) * per_step,
           (m.up_local.z * impulse_Ns) * per_step);
  if (VecLengthSquared(stop_local) != 0.0) ApplyForce(vessel, stop_local);
}

void ApplySupport(const CarrierState &cs, const VESSEL &vessel, const Measurement &m) {
  const double r_m = m.vessel_alt_m + cs.body_radius_m;
  const double gravity_mps2 = cs.gravity_parameter / (r_m * r_m);
  ApplyForce(vessel, VecScale(m.up_local, kSupportFactor * (gravity_mps2 * m.mass_kg)));
}

// Brakes along the vessel's z and then x axes, harder while the period key is held.
void ApplyBrakes(const StepState &ss, const VESSEL &vessel, const Measurement &m) {
  if (!ss.step_usable) return;
  const double brake = kBrakeCoefficient + kBrakeBoost * KeyEntry(kKeyPeriod);
  const double brake_z_N = -(m.rel_vel_local.z / ss.simdt) * m.mass_kg * brake;
  ApplyForce(vessel, Vec3(0.0, 0.0, brake_z_N));
  const double brake_x_N = -(m.rel_vel_local.x / ss.simdt) * m.mass_kg * brake;
  ApplyForce(vessel, Vec3(brake_x_N, 0.0, 0.0));
}

// The carrier itself, jetpacks, and vessels parked on another body have nothing to do with
// this carrier's terrain.
bool Concerned(const CarrierState &cs, const VESSEL &vessel) {
  const char *class_name = vessel.GetClassNameA();
  if (class_name != nullptr && (IsCarrierClass(class_name) || IsJetpackClass(class_name))) {
    return false;
  }
  return vessel.GetSurfaceRef() == cs.body;
}

void VisitVessel(const CarrierState &cs, const StepState &ss, VESSEL &vessel) {
  if (!Concerned(cs, vessel)) return;
  const OBJHANDLE handle = vessel.GetHandle();
  const int slot = FindAnchorSlot(handle);
  const bool anchored = slot >= 0;
  if (anchored && ThrustSquared(vessel) > 0.0) {
    ReleaseSlot(slot, kNoSeparation_mps);
    return;
  }
  if (!TerrainBound()) return;

  Measurement m;
  MeasurePlace(cs, vessel, m);
  if (anchored && FloatsFree(m.clearance_m, m.terrain_alt_m)) {
    ReleaseSlot(slot, kNoSeparation_mps);
    return;
  }
  MeasureMotion(cs, vessel, m);
  // Strict: touching exactly, or a clearance that is not a number, is no contact. Out of
  // contact only the host calls above are made.
  if (!(m.clearance_m < 0.0)) return;

  ApplyStop(ss, vessel, m);
  ApplySupport(cs, vessel, m);
  ApplyBrakes(ss, vessel, m);
  if (VecLength(m.rel_vel_carrier) < kAnchorSpeed_mps && ThrustSquared(vessel) == 0.0) {
    AnchorVesselFoundIn(&vessel, handle, slot);
  }
}

}  // namespace

void RunContactPass(double /*simt*/, double simdt, double /*mjd*/) {
  VESSEL *const carrier = StepCarrier();
  if (carrier == nullptr) return;
  // The carrier was found among this step's vessels, so the count is at least one.
  const DWORD count = oapiGetVesselCount();

  CarrierState cs;
  cs.carrier = carrier;
  carrier->GetGlobalPos(cs.pos_global);
  carrier->GetGlobalVel(cs.vel_global);
  cs.body = carrier->GetSurfaceRef();
  cs.body_radius_m = oapiGetSize(cs.body);
  cs.body_mass_kg = oapiGetMass(cs.body);
  cs.gravity_parameter = kGravitationalConstant * cs.body_mass_kg;

  StepState ss;
  ss.simdt = simdt;
  // Forces that divide by the step length are left out when it is not a positive number.
  ss.step_usable = simdt > 0.0 && std::isfinite(simdt);
  ss.per_step = ss.step_usable ? 1.0 / simdt : 0.0;

  for (DWORD index = 0; index < count; ++index) {
    VESSEL *vessel = oapiGetVesselInterface(oapiGetVesselByIndex(static_cast<int>(index)));
    if (vessel != nullptr) VisitVessel(cs, ss, *vessel);
  }
}

}  // namespace td
