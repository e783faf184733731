// Physical constants and angle conversions, one home for every part of the project: the
// module, the stand-in host and its program must agree on them to the last bit.
#pragma once

namespace td {

// The gravitational constant as the host's physics takes it (m^3 kg^-1 s^-2).
inline constexpr double kGravitationalConstant = 6.67259e-11;

inline constexpr double kRadPerDeg = 3.14159265358979323846 / 180.0;
inline constexpr double kDegPerRad = 1.0 / kRadPerDeg;

}  // namespace td
