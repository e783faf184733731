// The live page in a real browser: live_browser.mjs starts touchdown-sim --live, presses
// keys in Debian's chromium through playwright-core and replays the run it recorded.
#include "visual/visual_support.h"

namespace e2e {
namespace {

using Live = E2E;

TEST_F(Live, KeysReachTheModuleAndTheRecordingReplaysTheRun) {
  TD_NEED_REPLAY_SCRIPT();
  visual::RunBrowserScript(
      "live_browser",
      "'" + std::string(TD_SIM_PROGRAM) + "' '" + TD_SOURCE_DIR + "/tests/visual/live.toml'",
      work_dir / "live.txt");
}

}  // namespace
}  // namespace e2e
