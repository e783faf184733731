// Ctrl-C and SIGTERM during a live run: they end the run between two steps, so that every
// output is finished as after any run. Kept apart from the rest of the program's signal
// handling so that a live run can stop its server and stream first.
#pragma once

namespace app {

class LiveStopSignals {
 public:
  LiveStopSignals();   // installs the handlers
  ~LiveStopSignals();  // puts the previous ones back
  LiveStopSignals(const LiveStopSignals &) = delete;
  LiveStopSignals &operator=(const LiveStopSignals &) = delete;

  static bool Requested();
};

}  // namespace app
