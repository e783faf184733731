// The Moon, and on it the carrier that resting vessels are anchored to: the ground most test
// scenarios stand on.
#pragma once

namespace tdtest {

inline constexpr char kMoonAndGround[] = R"(
[[body]]
name = "Moon"
radius_m = 1737400.0
mass_kg = 7.342e22

[[vessel]]
name = "surface"
class = "DynamicPlanet"
altitude_m = 0.0
fixed_to_body = true
)";

}  // namespace tdtest
