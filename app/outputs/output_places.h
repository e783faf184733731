// Where the outputs go is tried before anything runs: a folder that cannot be made or
// written into, or a name that is a folder, is found before the first step, not after an
// hour of it.
#pragma once

#include <string>

#include "app/outputs/run_outputs.h"

namespace app {

// Creates the folder of every output (the --plot folder itself) when missing and tries
// writing there: a hidden, uniquely named file is made and removed; the outputs themselves
// are not touched. Throws std::runtime_error with the system's reason.
void CheckOutputPlaces(const RunOutputs &run);

// The same for one output file; role names it in the message ("--events FILE").
void ProbeOutputFile(const std::string &role, const std::string &path);

}  // namespace app
