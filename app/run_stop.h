// Ending a run before its last step: on SIGINT or SIGTERM, or when a vessel's state stops
// being a number. The run stops at the end of the step under way and its outputs are
// completed; a second signal ends the program at once.
#pragma once

#include <string>

namespace app {

// The first SIGINT or SIGTERM asks the run to stop; the second removes the temporary output
// files and ends the program with 128 + the signal's number.
void InstallStopSignals();

// Asks the run to stop after the current step; the first reason given is kept.
void RequestStop(const std::string &reason, int exit_status);

bool StopRequested();
// Why the run stopped ("SIGINT", "a state that is not finite", ...) and the exit status
// it ends with; "" and 0 while nothing asked it to stop.
std::string StopReason();
int StopExitStatus();

}  // namespace app
