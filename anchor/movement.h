// Walking and driving anchored vessels: the focus vessel is moved by editing its attachment
// point on the carrier, stepping within the carrier's x-z plane and onto the terrain, or
// turning about the carrier's y axis.
#pragma once

#include "host/orbiter_api.h"
#include "math/angles.h"

namespace td {

enum class MoveCode : int {
  kForward = 0,
  kBack = 1,
  kTurnLeft = 2,
  kTurnRight = 3,
  kLeft = 4,
  kRight = 5,
};

inline constexpr double kWalkerSpeed_mps = 4.0;
inline constexpr double kCarSpeed_mps = 30.0;
// A quarter turn per second of simulated time.
inline constexpr double kTurnRate_radps = kQuarterTurn_rad;
// A vessel that floats free while it walks or drives is pushed off at this speed.
inline constexpr double kFloatFreeSeparation_mps = 3.0;

// One step or turn of an anchored vessel. Nothing happens without a carrier, for a vessel
// that is not anchored, or when the edit would not leave the attachment finite.
void MoveAnchored(VESSEL *vessel, MoveCode code, double simdt, double speed_mps);

// Moves the focus vessel, a walker or a car, for each movement key held.
void DispatchMovement(double simdt);

}  // namespace td
