// A stand-in world built and driven by fuzzer input: bodies, carriers and vessels of every
// class, with positions, velocities, masses and thrusts that are ordinary, zero, negative,
// infinite, not a number, huge or subnormal; the terrain library present, missing or without
// its function; reliefs that change under the vessels; keystrokes of any code and flag word;
// vessels created, deleted and given the focus between steps; odd step lengths.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <functional>
#include <vector>

#include "sim/world.h"

namespace tdfuzz {

inline constexpr size_t kMaxVessels = 150;  // room to fill the anchor table and more
inline constexpr int kMaxSteps = 48;        // keeps one input well under a second
inline constexpr int kMaxActions = 256;

struct Scene {
  sim::World world;
  std::vector<OBJHANDLE> bodies;  // [0]: the moon the terrain belongs to
  DorvakConfig terrain{};
  int steps = 0;
  bool restarted = false;  // InitModule ran again: the table forgot what it had anchored
};

// Reads the scene's set-up from the input and starts the module in it.
void BuildScene(Scene &scene, FuzzedDataProvider &in);

// Carries out the input's actions one by one until it runs out; after every call of
// opcPreStep, `after_step` is given the scene to check.
void PlayScript(Scene &scene, FuzzedDataProvider &in,
                const std::function<void(Scene &)> &after_step);

}  // namespace tdfuzz
