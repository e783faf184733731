// The host-call floor: one pass that makes exactly the host calls and terrain queries that
// the contact pass makes for a settled fleet, in the same order, and nothing else. No module
// design can do less on this host, so the module's cost is stated as a multiple of it.
#pragma once

#include <vector>

#include "bench/fleet.h"
#include "host/orbiter_api.h"
#include "host/terrain_api.h"

namespace tdbench {

class HostCallFloor {
 public:
  // Takes the fleet's per-vessel work once; the fleet must stay settled while this is used.
  explicit HostCallFloor(Fleet &fleet);

  // One pass over the fleet. Returns a sum of what the host answered, so that no call can
  // be left out by the compiler.
  double Pass() const;

 private:
  // What the contact pass asks of the carrier, then of one other vessel, then the forces and
  // the anchoring that vessel's work adds.
  double CarrierCalls() const;
  double VesselCalls(const VESSEL &vessel, const VesselWork &work,
                     TerrainRadiusFn terrain_radius) const;
  static double Forces(const VESSEL &vessel, const VesselWork &work);

  VESSEL *carrier_;
  std::vector<VesselWork> work_;  // index 0 is the carrier, which takes no part
};

}  // namespace tdbench
