#include "bench/host_call_floor.h"

#include "module/test_access.h"

namespace tdbench {

HostCallFloor::HostCallFloor(Fleet &fleet) : carrier_(oapiGetVesselInterface(fleet.Carrier())) {
  work_.push_back({false, false, false, false});
  for (int i = 0; i < fleet.Size(); ++i) work_.push_back(fleet.Work(i));
}

double HostCallFloor::Pass() const {
  const TerrainRadiusFn terrain_radius = td::test_access::TerrainFunction();
  const DWORD count = oapiGetVesselCount();
  double sum = CarrierCalls();
  for (DWORD index = 0; index < count; ++index) {
    const VESSEL *vessel = oapiGetVesselInterface(oapiGetVesselByIndex(static_cast<int>(index)));
    sum += vessel->GetClassNameA() != nullptr ? 1.0 : 0.0;
    if (index == 0) continue;  // the carrier: its class name is all that is asked of it
    sum += VesselCalls(*vessel, work_[index], terrain_radius);
  }
  return sum;
}

double HostCallFloor::CarrierCalls() const {
  VECTOR3 carrier_pos, carrier_vel;
  carrier_->GetGlobalPos(carrier_pos);
  carrier_->GetGlobalVel(carrier_vel);
  const OBJHANDLE carrier_body = carrier_->GetSurfaceRef();
  return oapiGetSize(carrier_body) + oapiGetMass(carrier_body) + carrier_pos.x + carrier_vel.x;
}

double HostCallFloor::VesselCalls(const VESSEL &vessel, const VesselWork &work,
                                  TerrainRadiusFn terrain_radius) const {
  const OBJHANDLE body = vessel.GetSurfaceRef();
  double sum = vessel.GetHandle() != nullptr ? 1.0 : 0.0;
  VECTOR3 thrust;
  if (work.anchored) {
    vessel.GetThrustVector(thrust);
    sum += thrust.y;
  }
  VECTOR3 vel, pos, body_pos;
  vessel.GetGlobalVel(vel);
  vessel.GetGlobalPos(pos);
  oapiGetGlobalPos(body, &body_pos);
  sum += vessel.GetMass() + vel.x;
  const VECTOR3 radial = {{pos.x - body_pos.x, pos.y - body_pos.y, pos.z - body_pos.z}};
  sum += terrain_radius(radial) + vessel.GetCOG_elev();
  VECTOR3 local;
  vessel.Global2Local(pos, local);
  sum += local.x;
  carrier_->Global2Local(pos, local);
  sum += local.y;
  vessel.Global2Local(pos, local);
  sum += local.z;
  return sum + Forces(vessel, work);
}

double HostCallFloor::Forces(const VESSEL &vessel, const VesselWork &work) {
  const VECTOR3 origin = {{0.0, 0.0, 0.0}};
  const VECTOR3 force = {{0.0, 1.0, 0.0}};
  if (work.stopping) vessel.AddForce(force, origin);
  if (work.contact) {
    vessel.AddForce(force, origin);
    vessel.AddForce(force, origin);
    vessel.AddForce(force, origin);
  }
  if (!work.anchor_call) return 0.0;
  VECTOR3 thrust;
  vessel.GetThrustVector(thrust);
  return thrust.y + (vessel.GetHandle() != nullptr ? 1.0 : 0.0);
}

}  // namespace tdbench
