// gnuplot as a separate program. The environment variable GNUPLOT names it; by default it is
// "gnuplot" on the search path.
#pragma once

#include <string>

namespace app {

std::string GnuplotProgram();

// Whether `program --version` runs and succeeds.
bool GnuplotRuns(const std::string &program);

// Runs `program script` inside dir with its messages in log (a path inside dir); returns
// its exit status, or -1 when it did not end normally.
int RunGnuplot(const std::string &program, const std::string &dir, const std::string &script,
               const std::string &log);

}  // namespace app
