#include "app/live/live.h"

#include "app/live/live_session.h"

namespace app {

int RunLive(const LiveOptions &options, const RunWith &run) {
  LiveSession live(options);
  int status = 0;
  do {
    status = run(&live);
  } while (status == 0 && live.RestartRequested());
  return status;
}

}  // namespace app
