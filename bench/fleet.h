// Worlds for measuring the module: a moon with flat terrain, the carrier first in the host's
// order, and a fleet of vessels that all stand in one situation, the module started and the
// first steps taken so that every further step does the same work.
#pragma once

#include <vector>

#include "host/orbiter_api.h"
#include "sim/world.h"

namespace tdbench {

enum class Situation {
  kFlight,    // high above the terrain: measured, nothing else
  kContact,   // sliding and sinking: all four forces, never slow enough to anchor
  kAnchored,  // resting and sunk in: the first 100 anchored, the rest try to anchor every step
};

inline constexpr Situation kSituations[] = {Situation::kFlight, Situation::kContact,
                                            Situation::kAnchored};

const char *SituationName(Situation situation);

// What the contact pass does for one vessel in its situation, once the fleet is settled.
struct VesselWork {
  bool anchored;     // its handle stands in the anchor table
  bool stopping;     // receives the stopping force
  bool contact;      // receives support and both brakes
  bool anchor_call;  // slow and without thrust: asked to anchor
};

class Fleet {
 public:
  static constexpr double kStep_s = 0.01;

  // Only one fleet may exist at a time: the module's tables are process-wide.
  Fleet(Situation situation, int vessels);
  ~Fleet();
  Fleet(const Fleet &) = delete;
  Fleet &operator=(const Fleet &) = delete;

  // One opcPreStep, the clock advancing by kStep_s.
  void Step();

  sim::World &World() { return world_; }
  Situation GetSituation() const { return situation_; }
  int Size() const { return static_cast<int>(vessels_.size()); }
  OBJHANDLE Carrier() const { return carrier_; }
  const std::vector<OBJHANDLE> &Vessels() const { return vessels_; }
  // The work of vessel i of the fleet (0-based, the carrier not counted).
  VesselWork Work(int i) const;

 private:
  void AddCarrier();
  OBJHANDLE AddVessel(int i);  // vessel i of the grid, in the fleet's situation
  void StartModule();
  // Lowers the anchored vessels' attachment points, so that they stay in contact.
  void SinkAnchored();

  sim::World world_;
  Situation situation_;
  OBJHANDLE moon_ = nullptr;
  OBJHANDLE carrier_ = nullptr;
  std::vector<OBJHANDLE> vessels_;
  double simt_ = 0.0;
  double mjd_ = 51544.5;
};

}  // namespace tdbench
