// Ending a run before its last step: on SIGINT, SIGTERM or SIGHUP, when a vessel's state stops
// being a number, or when an output cannot be written. The run stops at the end of the step
// under way and its outputs are completed; a second signal ends the program at once.
#pragma once

#include <string>

namespace app {

// Until LoadingDone(), a signal ends the program at once with 128 + its number and a line
// on stderr: nothing has been written yet, so nothing is left to complete. After it, the
// first SIGINT, SIGTERM or SIGHUP asks the run to stop; the second removes the temporary
// output files and ends the program with 128 + the signal's number.
void InstallStopSignals();
void LoadingDone();

// Asks the run to stop after the current step; the first reason given is kept.
void RequestStop(const std::string &reason, int exit_status);

bool StopRequested();
// Why the run stopped ("SIGINT", "a state that is not finite", ...) and the exit status
// it ends with; "" and 0 while nothing asked it to stop.
std::string StopReason();
int StopExitStatus();
// Whether the run was stopped for a reason of its own rather than by a signal.
bool StoppedByFault();

// While a child program runs, a second signal does not end the program from the handler:
// the code waiting for the child stops it, waits for it and tidies up first. SignalCount()
// tells how many signals came so far and LastSignal() the latest one.
class ChildWatch {
 public:
  ChildWatch();
  ~ChildWatch();
  ChildWatch(const ChildWatch &) = delete;
  ChildWatch &operator=(const ChildWatch &) = delete;
  // Whether the child must be given up: a second signal, or a first SIGINT (someone at the
  // terminal wants the program to end now, not after the figures).
  bool GiveUp() const;

 private:
  int mark_;
};
int SignalCount();
int LastSignal();
// "SIGINT", "SIGTERM", "SIGHUP".
std::string SignalName(int signal);

}  // namespace app
