// The files a run reads and writes must all be different files: an output written over the
// scenario, or over another output of the same run, destroys it without a word.
#pragma once

#include "app/base/usage_error.h"
#include "app/outputs/run_outputs.h"

namespace app {

// Throws UsageError naming both when an output is the scenario file or another output,
// including the files --plot DIR writes. Files are compared as the system sees them (the
// same device and inode, so links and other spellings of a path count), and by their
// resolved paths where they do not exist yet.
void CheckOutputsApart(const RunOutputs &run);

}  // namespace app
