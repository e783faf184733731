// The contact pass: once per step, every vessel on the carrier's body is measured against
// the terrain; vessels whose touchdown plane has sunk below it get stopping, support and
// brake forces at their origin; resting vessels are anchored, and anchored vessels that
// thrust or float free over low terrain are released.
#pragma once

namespace td {

inline constexpr double kGravitationalConstant = 6.67259e-11;  // m^3 kg^-1 s^-2

// Uses only simdt (s). Does nothing while there is no carrier.
void RunContactPass(double simt, double simdt, double mjd);

}  // namespace td
