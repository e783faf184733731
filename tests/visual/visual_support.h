// What the tests of a run's pictures share: the files they read back, and whether the
// programs the pictures need are installed (a test that needs a missing one is skipped).
#pragma once

#include <filesystem>
#include <string>

#include "support/e2e_harness.h"

namespace visual {

using e2e::Slurp;

bool HaveGnuplot();
// The page's bundled player beside touchdown-sim.
bool HaveReplayScript();

// Runs one of the browser scripts here (tests/visual/NAME.mjs) with node, the web folder and
// the screenshot folder as its first arguments, then the quoted args; fails the test with
// its report, or skips it when the script says a program is missing (status 77).
void RunBrowserScript(const std::string &name, const std::string &args,
                      const std::filesystem::path &report);

// The replay page's run data, parsed from the page.
e2e::Json PageData(const std::string &page);

// Skips the current test unless gnuplot (or the bundled player) is there.
#define TD_NEED_GNUPLOT() \
  if (!::visual::HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed (gnuplot-nox)"
#define TD_NEED_REPLAY_SCRIPT()      \
  if (!::visual::HaveReplayScript()) \
  GTEST_SKIP() << "touchdown-sim was built without its replay page (no node and npm)"

}  // namespace visual
