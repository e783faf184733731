#include "app/live.h"

#include "app/live_session.h"

namespace app {

int RunLive(const Options &options, RunWith run) {
  LiveSession live(options);
  int status = 0;
  do {
    status = run(options, &live);
  } while (status == 0 && live.RestartRequested());
  return status;
}

}  // namespace app
