// The terrain libraries stay loaded for the whole fuzzing run: worlds come and go with every
// input, and each would otherwise load and unload them again.
#pragma once

namespace tdfuzz {

// Loads modules/dorvak.so and modules/nofn/dorvak.so beside the fuzzer and keeps them.
void HoldTerrainLibraries();

}  // namespace tdfuzz
