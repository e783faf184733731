// The bodies of the solar system that vessels land on, as the simulator configures them: the
// mean radius its oapiGetSize answers, its mass and its sidereal period (negative: the body
// turns westward). The terrain library raises its relief over these radii when no host
// configures it, and touchdown-sim builds the bodies of the simulator's scenario files from
// them; both must agree with the simulator to the last bit, since the module takes the terrain
// altitude as the library's radius less the host's.
#pragma once

#include <span>
#include <string_view>

namespace terrain {

struct SolarBody {
  std::string_view name;
  double radius_m;
  double mass_kg;
  double sidereal_period_s;
};

// Ordered by radius, smallest first.
inline constexpr SolarBody kSolarBodies[] = {
    {"Triton", 1.3525e6, 2.14e22, -507760.19},
    {"Europa", 1.565e6, 4.797e22, 306822.0426},
    {"Moon", 1.738e6, 7.347673176382784e+22, 2360588.15},
    {"Io", 1.821e6, 8.933e22, 152853.506},
    {"Callisto", 2.403e6, 1.076e23, 1441931.166},
    {"Mercury", 2.4394e6, 3.301880e+23, 5067034.512},
    {"Titan", 2.575e6, 1.35e23, 1377686.736},
    {"Ganymede", 2.634e6, 1.482e23, 618153.392},
    {"Mars", 3.39e6, 6.418542e+23, 88642.66435},
    {"Venus", 6.05184e6, 4.86855374e+24, -20996797.02},
    {"Earth", 6.37101e6, 5.973698968e+24, 86164.10132},
};

inline std::span<const SolarBody> SolarBodies() { return kSolarBodies; }

// The body of that name, spelt exactly as the simulator looks bodies up (case included);
// null when the table has none.
const SolarBody *FindSolarBody(std::string_view name);

}  // namespace terrain
