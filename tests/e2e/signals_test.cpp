// Signals at each phase of a run: while the scenario loads nothing is written; while it steps
// the outputs are completed up to the step run; while gnuplot draws, a SIGINT or a second
// signal gives the plots up, gnuplot and all it started included. Never a temporary file or
// a drawing program left behind.
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <fstream>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Signals = E2E;

enum class Kept { kUntouched, kCompleted };

// Loads for seconds: most of a large scenario's time goes into reading its events.
std::string LargeScenario() {
  std::string text = "[simulation]\nsteps = 100000\n" + std::string(kMoonAndGround);
  for (int i = 0; i < 150000; ++i) {
    text += "[[event]]\nt_s = " + std::to_string(i % 900) + "\nkey_down = \"W\"\n";
  }
  return text;
}

TEST_F(Signals, AtEachPhaseTheExitTheLineAndTheOutputsAreAsDocumented) {
  const fs::path d = work_dir;
  const std::string large = Write("large.toml", LargeScenario()),
                    long_run = Write("long.toml", "[simulation]\nsteps = 100000000\n" +
                                                      std::string(kMoonAndGround));
  // "started": after the handlers are in (see e2e_harness.cpp), and half a second of steps;
  // "drawing": once gnuplot runs.
  const struct {
    std::string phase, signals;
    int status;
    std::string says;  // on stderr
    Kept outputs, plots;
  } rows[] = {
      {"loading", "INT", 130, "SIGINT while loading; nothing was written", Kept::kUntouched,
       Kept::kUntouched},
      {"loading", "TERM", 143, "SIGTERM while loading", Kept::kUntouched, Kept::kUntouched},
      {"loading", "HUP", 129, "SIGHUP while loading", Kept::kUntouched, Kept::kUntouched},
      {"stepping", "INT", 130, "", Kept::kCompleted, Kept::kCompleted},
      {"stepping", "HUP", 129, "", Kept::kCompleted, Kept::kCompleted},
      {"stepping", "TERM HUP", 129, "", Kept::kUntouched, Kept::kUntouched},
      {"plotting", "INT", 130, "SIGINT while drawing the plots: they were discarded",
       Kept::kCompleted, Kept::kUntouched},
      {"plotting", "TERM", 143, "", Kept::kCompleted, Kept::kCompleted},
      {"plotting", "HUP", 129, "", Kept::kCompleted, Kept::kCompleted},
      {"plotting", "TERM TERM", 143, "", Kept::kCompleted, Kept::kUntouched},
      {"plotting", "HUP INT", 130, "", Kept::kCompleted, Kept::kUntouched},
  };
  for (const auto &row : rows) {
    const std::string what = row.phase + " " + row.signals;
    const bool plotting = row.phase == "plotting";
    FakeGnuplot(d, plotting ? 4 : 0);
    fs::remove(d / "gp.pid");
    fs::create_directories(d / "plots");
    std::ofstream(d / "plots" / "map.png") << kPrevious;
    std::ofstream(d / "events.jsonl") << kPrevious;
    std::ofstream(d / "trace.csv") << kPrevious;
    const std::string scenario = row.phase == "loading" ? large : plotting ? "" : long_run;
    const std::string wait =
        plotting ? "while kill -0 $p 2>/dev/null && [ ! -s gp.pid ]; do sleep 0.02; done"
                 : "while kill -0 $p 2>/dev/null && ! grep -qE '^SigCgt:.*[2367abef]$' "
                   "/proc/$p/status; do sleep 0.02; done" +
                       std::string(row.phase == "stepping" ? "; sleep 0.5" : "; sleep 0.1");
    const std::string command =
        "cd '" + d.string() + "' || exit 99; GNUPLOT='" + (d / "gp").string() + "' '" +
        TD_SIM_PROGRAM + "' " + scenario +
        " --events events.jsonl --trace trace.csv --plot plots --trace-every 1000 "
        "--events-every 1000 --events-kinds Vessel,State "
        "> out.txt 2> err.txt & p=$!; " +
        wait + "; for s in " + row.signals + "; do kill -$s $p; " +
        (plotting ? "sleep 0.3; " : "") + "done; wait $p";
    const int raw = std::system(command.c_str());
    const std::string err = Slurp(d / "err.txt");
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, row.status) << what << ": " << err;
    EXPECT_NE(err.find(row.says), std::string::npos) << what << ": " << err;
    const bool untouched = row.outputs == Kept::kUntouched;
    EXPECT_EQ(Slurp(d / "events.jsonl") == kPrevious, untouched) << what;
    EXPECT_EQ(Slurp(d / "trace.csv") == kPrevious, untouched) << what;
    if (!untouched) {
      EXPECT_EQ(Slurp(d / "events.jsonl").back(), '\n') << what;
    }
    EXPECT_EQ(Slurp(d / "plots" / "map.png") == kPrevious, row.plots == Kept::kUntouched) << what;
    EXPECT_EQ(Temporaries(d), std::vector<std::string>{}) << what;
    if (fs::exists(d / "gp.pid")) {
      const pid_t gnuplot = std::stoi(Slurp(d / "gp.pid"));
      const bool running = kill(gnuplot, 0) == 0;
      EXPECT_FALSE(running) << what << ": gnuplot left running";
      if (running) kill(gnuplot, SIGKILL);
    }
  }
}

}  // namespace
}  // namespace e2e
