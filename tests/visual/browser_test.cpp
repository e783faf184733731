// The replay page in a real browser: replay_browser.mjs drives Debian's chromium through
// playwright-core over two pages written here, the tour and a landing that stays down.
// Skipped when node, chromium or playwright-core is missing; its screenshots are kept in
// the build folder (visual/) for looking at.
#include <sys/wait.h>

#include "visual/visual_support.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Browser = E2E;

TEST_F(Browser, PlaysTheTourAndALandingToTheEndWithoutErrors) {
  TD_NEED_REPLAY_SCRIPT();
  if (!visual::Succeeds("node --version")) GTEST_SKIP() << "node is not installed";
  const std::string tour = (dir_ / "tour.html").string();
  const std::string landing = (dir_ / "landing.html").string();
  ASSERT_EQ(Exec("", false, false, "--replay '" + tour + "'").status, 0);
  ASSERT_EQ(Exec(std::string(TD_SOURCE_DIR) + "/tests/visual/landing.toml", false, false,
                 "--replay '" + landing + "'")
                .status,
            0);
  const fs::path out = dir_ / "browser.txt";
  const std::string command = "node '" + std::string(TD_SOURCE_DIR) +
                              "/tests/visual/replay_browser.mjs' '" + TD_SOURCE_DIR + "/web' '" +
                              TD_VISUAL_OUT_DIR + "' '" + tour + "' '" + landing + "' >'" +
                              out.string() + "' 2>&1";
  const int raw = std::system(command.c_str());
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const std::string report = visual::Slurp(out);
  if (status == 77) GTEST_SKIP() << report;
  EXPECT_EQ(status, 0) << report;
  std::printf("%s", report.c_str());
}

}  // namespace
}  // namespace e2e
