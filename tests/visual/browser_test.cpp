// The replay page in a real browser: replay_browser.mjs drives Debian's chromium through
// playwright-core over two pages written here, the tour and a landing that stays down.
// Skipped when node, chromium or playwright-core is missing; its screenshots are kept in
// the build folder (visual/) for looking at.
#include "visual/visual_support.h"

namespace e2e {
namespace {

using Browser = E2E;

TEST_F(Browser, PlaysTheTourAndALandingToTheEndWithoutErrors) {
  TD_NEED_REPLAY_SCRIPT();
  const std::string tour = (work_dir / "tour.html").string();
  const std::string landing = (work_dir / "landing.html").string();
  // The tour as the module is built for it: the manual's frame on a Moon at rest.
  ASSERT_EQ(
      Exec(ShippedIn("default.toml", "end_of_step", true), false, false, "--replay '" + tour + "'")
          .status,
      0);
  ASSERT_EQ(Exec(std::string(TD_SOURCE_DIR) + "/tests/visual/landing.toml", false, false,
                 "--replay '" + landing + "'")
                .status,
            0);
  visual::RunBrowserScript("replay_browser", "'" + tour + "' '" + landing + "'",
                           work_dir / "browser.txt");
}

}  // namespace
}  // namespace e2e
