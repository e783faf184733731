// The live page's inputs as POST /input carries them, a line each: "down VK [MS]",
// "repeat VK [MS]", "up VK", "release-all", "focus NAME", or a host control ("pause",
// "resume", "restart", "focus-next", "throttle-up", "throttle-down", "throttle-cut"). VK is
// a virtual-key code 1 ... 254, MS the time the page saw the key in ms since the epoch.
// Nothing is taken on trust: a number that is not wholly a number in its range, a word too
// many or a space out of place refuses the line, and one refused line refuses the body.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "app/live/live_inbox.h"

namespace app {

inline constexpr int kMinVk = 1, kMaxVk = 254;
// Far beyond any clock (the year 33658), and small enough that the page's latency figure
// computed from it stays an ordinary number.
inline constexpr double kMaxPressedMs = 1e15;

bool ParseLiveInput(std::string_view line, LiveInput &input);

// The lines of a body, split at '\n' (empty lines skipped). On a refusal, inputs holds
// nothing and refused_line (when given) the 1-based number of the first bad line.
bool ParseLiveInputs(std::string_view body, std::vector<LiveInput> &inputs,
                     size_t *refused_line = nullptr);

}  // namespace app
