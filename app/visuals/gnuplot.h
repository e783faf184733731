// gnuplot as a separate program. The environment variable GNUPLOT names it; by default it is
// "gnuplot" on the search path. It is run directly, never through a shell, so that no name
// is ever read as a command.
#pragma once

#include <string>

#include "app/base/run_stop.h"

namespace app {

std::string GnuplotProgram();

// Whether `program --version` runs and succeeds.
bool GnuplotRuns(const std::string &program);

// RunGnuplot's answer when the program gave gnuplot up on a signal (run_stop.h ChildWatch):
// gnuplot and everything it started were killed and waited for.
inline constexpr int kGnuplotGivenUp = -2;

// Runs `program script` inside dir with its messages in log (a path inside dir) and its input
// from nowhere, in a process group of its own (a Ctrl-C at the terminal reaches the program,
// which decides); returns its exit status, -1 when it did not end normally or could not be
// started, kGnuplotGivenUp when watch says to give it up.
int RunGnuplot(const std::string &program, const std::string &dir, const std::string &script,
               const std::string &log, const ChildWatch &watch);

}  // namespace app
