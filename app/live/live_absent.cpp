// Builds without the HTTP server library (the Windows program) have no live mode.
#include <stdexcept>

#include "app/live/live.h"

namespace app {

int RunLive(const LiveOptions &, const RunWith &) {
  throw std::runtime_error("--live is not in this build (it needs cpp-httplib)");
}

}  // namespace app
