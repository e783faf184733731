#include "bench/host_call_floor.h"

#include "module/test_access.h"

namespace tdbench {

HostCallFloor::HostCallFloor(Fleet &fleet) : carrier_(oapiGetVesselInterface(fleet.Carrier())) {
  work_.push_back({false, false, false, false});
  for (int i = 0; i < fleet.Size(); ++i) work_.push_back(fleet.Work(i));
}

double HostCallFloor::Pass() const {
  const VECTOR3 origin = {{0.0, 0.0, 0.0}};
  const VECTOR3 force = {{0.0, 1.0, 0.0}};
  double sum = 0.0;

  const DWORD count = oapiGetVesselCount();
  const TerrainRadiusFn terrain_radius = td::test_access::TerrainFunction();
  VECTOR3 carrier_pos, carrier_vel;
  carrier_->GetGlobalPos(carrier_pos);
  carrier_->GetGlobalVel(carrier_vel);
  const OBJHANDLE carrier_body = carrier_->GetSurfaceRef();
  sum += oapiGetSize(carrier_body) + oapiGetMass(carrier_body) + carrier_pos.x + carrier_vel.x;

  for (DWORD index = 0; index < count; ++index) {
    const VESSEL *vessel = oapiGetVesselInterface(oapiGetVesselByIndex(static_cast<int>(index)));
    sum += vessel->GetClassNameA() != nullptr ? 1.0 : 0.0;
    if (index == 0) continue;  // the carrier: its class name is all that is asked of it
    const VesselWork &work = work_[index];

    const OBJHANDLE body = vessel->GetSurfaceRef();
    sum += vessel->GetHandle() != nullptr ? 1.0 : 0.0;
    VECTOR3 thrust;
    if (work.anchored) {
      vessel->GetThrustVector(thrust);
      sum += thrust.y;
    }

    VECTOR3 vel, pos, body_pos;
    vessel->GetGlobalVel(vel);
    vessel->GetGlobalPos(pos);
    oapiGetGlobalPos(body, &body_pos);
    sum += vessel->GetMass() + vel.x;
    const VECTOR3 radial = {{pos.x - body_pos.x, pos.y - body_pos.y, pos.z - body_pos.z}};
    sum += terrain_radius(radial);
    sum += vessel->GetCOG_elev();

    VECTOR3 local;
    vessel->Global2Local(pos, local);
    sum += local.x;
    carrier_->Global2Local(pos, local);
    sum += local.y;
    vessel->Global2Local(pos, local);
    sum += local.z;

    if (work.stopping) vessel->AddForce(force, origin);
    if (work.contact) {
      vessel->AddForce(force, origin);
      vessel->AddForce(force, origin);
      vessel->AddForce(force, origin);
    }
    if (work.anchor_call) {
      vessel->GetThrustVector(thrust);
      sum += thrust.y + (vessel->GetHandle() != nullptr ? 1.0 : 0.0);
    }
  }
  return sum;
}

}  // namespace tdbench
