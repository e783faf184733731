// Angles the module turns and compares with.
#pragma once

namespace td {

// pi/2 to 16 significant digits, a hair below the double nearest pi/2. Every angle the module
// derives from a quarter turn uses this one value, so turns and the focus test give the same
// bits in every build and on every platform that has ever run the module.
inline constexpr double kQuarterTurn_rad = 1.570796326794895;
inline constexpr double kFullTurn_rad = 6.283185307179586;

}  // namespace td
