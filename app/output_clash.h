// The files a run reads and writes must all be different files: an output written over the
// scenario, or over another output of the same run, destroys it without a word.
#pragma once

#include <stdexcept>

#include "app/cli.h"

namespace app {

// A command line that cannot be run as given; main ends with exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws UsageError naming both when an output is the scenario file or another output,
// including the files --plot DIR writes. Files are compared as the system sees them (the
// same device and inode, so links and other spellings of a path count), and by their
// resolved paths where they do not exist yet.
void CheckOutputsApart(const Options &options);

}  // namespace app
