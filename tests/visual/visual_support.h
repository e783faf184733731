// What the tests of a run's pictures share: the files they read back, and whether the
// programs the pictures need are installed (a test that needs a missing one is skipped).
#pragma once

#include <filesystem>
#include <string>

#include "e2e_harness.h"

namespace visual {

std::string Slurp(const std::filesystem::path &path);

// Whether a shell command succeeds, its output thrown away.
bool Succeeds(const std::string &command);

bool HaveGnuplot();
// The page's bundled player beside touchdown-sim.
bool HaveReplayScript();

// The replay page's run data, parsed from the page.
e2e::Json PageData(const std::string &page);

// Skips the current test unless gnuplot (or the bundled player) is there.
#define TD_NEED_GNUPLOT() \
  if (!::visual::HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed (gnuplot-nox)"
#define TD_NEED_REPLAY_SCRIPT()      \
  if (!::visual::HaveReplayScript()) \
  GTEST_SKIP() << "touchdown-sim was built without its replay page (no node and npm)"

}  // namespace visual
