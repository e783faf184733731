// Builds without the HTTP server library (the Windows program) have no live mode.
#include <stdexcept>

#include "app/live.h"

namespace app {

int RunLive(const Options &, RunWith) {
  throw std::runtime_error("--live is not in this build (it needs cpp-httplib)");
}

}  // namespace app
