// The host's own controls in a live run, which the module does not answer: which vessel has
// the focus next, and the focus vessel's engine in steps of a tenth of its weight.
#pragma once

#include <optional>
#include <string>

#include "app/scenario/scenario.h"
#include "app/world/roster.h"
#include "sim/world.h"

namespace app {

inline constexpr double kThrottleStep = 0.1;  // of the vessel's weight
inline constexpr double kThrottleMax = 3.0;

// The vessel after the focus vessel, in the host's order, that can move (not fixed to its
// body); none when there is no such vessel.
std::optional<std::string> NextFocus(const sim::World &world, const Roster &roster);

// The focus vessel's thrust, along its own up axis, over its weight at its place; 0 without
// a focus vessel or a body under it.
double ThrottleOf(const sim::World &world);

// The thrust that sets the focus vessel's throttle one step up (+1), down (-1) or to zero
// (0); none without a focus vessel with a weight.
std::optional<ThrustAction> Throttled(const sim::World &world, const Roster &roster, int step);

}  // namespace app
