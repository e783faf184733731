// The contact pass: once per step, every vessel on the carrier's body is measured against
// the terrain; vessels whose touchdown plane has sunk below it get stopping, support and
// brake forces at their origin; resting vessels are anchored, and anchored vessels that
// thrust or float free over low terrain are released.
#pragma once

namespace td {

// Uses only simdt (s). Does nothing while there is no carrier.
void RunContactPass(double simt, double simdt, double mjd);

}  // namespace td
