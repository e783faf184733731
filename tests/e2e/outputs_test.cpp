// Outputs aimed at places they cannot go, or must not: each is found before the run, so that
// no step runs and the previous outputs stay as they were, byte for byte.
#include <sys/mount.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Outputs = E2E;

// The program, the plug-in and the terrain library laid out as an installation: an output
// aimed at one of them must not break the build the other tests use.
std::string Install(const fs::path &dir) {
  const fs::path from = fs::path(TD_SIM_PROGRAM).parent_path();
  fs::create_directories(dir / "modules" / "plugin");
  fs::copy_file(TD_SIM_PROGRAM, dir / "touchdown-sim");
  fs::copy_file(from / "modules" / "plugin" / "touchdown.so",
                dir / "modules" / "plugin" / "touchdown.so");
  fs::copy_file(from / "modules" / "dorvak.so", dir / "modules" / "dorvak.so");
  return (dir / "touchdown-sim").string();
}

bool Mount(const fs::path &at, const std::string &options) {
  fs::create_directories(at);
  return mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

TEST_F(Outputs, APlaceAnOutputCannotGoIsFoundBeforeTheRunAndTheOldOutputsStay) {
  const fs::path d = work_dir;
  const std::string program = Install(d / "bin");
  FakeGnuplot(d);
  const std::string scenario =
      Write("v.toml", std::string("[simulation]\nsteps = 20000\n") + kMoonAndGround);
  std::ofstream(d / "a-file") << "not a folder\n";
  // Root writes into read-only folders: a read-only file system stands in for one then.
  fs::create_directories(d / "ro");
  const bool read_only =
      geteuid() == 0
          ? Mount(d / "ro", "size=64k") &&
                mount("tmpfs", (d / "ro").c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") == 0
          : (fs::permissions(d / "ro", fs::perms::owner_read | fs::perms::owner_exec), true);
  const std::string ro_reason = geteuid() == 0 ? "Read-only file system" : "Permission denied";
  const bool full = geteuid() == 0 && Mount(d / "full", "size=16k");
  fs::copy_file(d / "bin/modules/plugin/touchdown.so", d / "mine.so");
  if (full) std::ofstream(d / "full" / "filler") << std::string(64 * 1024, 'x');
  const struct {
    std::string what, args;
    int status;
    std::string says;
    bool needs;
  } rows[] = {
      {"plot folder that is a file", "--plot a-file", 1, "a-file is a file, not a folder", true},
      {"folder under a file", "--trace a-file/r.html", 1, "a-file is a file, not a folder", true},
      {"an output that is a folder", "--trace bin", 1, "it is a folder", true},
      {"read-only folder", "--plot ro/plots", 1, ro_reason, read_only},
      {"read-only folder, a file", "--trace ro/r.html", 1, ro_reason, read_only},
      {"the plug-in", "--trace bin/modules/plugin/touchdown.so", 2, "is the plug-in", true},
      {"the plug-in --module names", "--module mine.so --trace ./mine.so", 2, "is the plug-in",
       true},
      {"the program", "--trace bin/touchdown-sim", 2, "is the program", true},
      {"the terrain library", "--trace bin/modules/dorvak.so", 2, "is the terrain library", true},
      {"the plot list", "--plot plots --trace plots/.touchdown-sim-files", 2, "--plot plots writes",
       true},
      {"a full disk", "--trace full/r.html", 1, "No space left on device", full},
  };
  const std::vector<fs::path> kept = {d / "bin/touchdown-sim", d / "bin/modules/dorvak.so",
                                      d / "bin/modules/plugin/touchdown.so", d / "mine.so"};
  std::vector<std::string> before;
  for (const fs::path &p : kept) before.push_back(Slurp(p));
  for (const auto &row : rows) {
    if (!row.needs) {
      std::printf("skipped (needs root or a mount): %s\n", row.what.c_str());
      continue;
    }
    std::ofstream(d / "events.jsonl") << kPrevious;
    std::vector<std::string> args{scenario, "--events", "events.jsonl"};
    std::istringstream words(row.args);
    for (std::string word; words >> word;) args.push_back(word);
    const Ran run = RunIn(d, args, program);
    EXPECT_EQ(run.status, row.status) << row.what << ": " << run.err;
    EXPECT_NE(run.err.find(row.says), std::string::npos) << row.what << ": " << run.err;
    EXPECT_EQ(Count(run.err, "\n"), 1u) << row.what << ": " << run.err;
    EXPECT_EQ(run.out, "") << row.what << ": a step ran";
    EXPECT_EQ(Slurp(d / "events.jsonl"), kPrevious) << row.what;
    for (size_t i = 0; i < kept.size(); ++i) {
      EXPECT_TRUE(Slurp(kept[i]) == before[i]) << row.what << ": " << kept[i] << " was replaced";
    }
  }
  for (const char *leftover : {"ro/plots", "plots"}) {
    EXPECT_FALSE(fs::exists(d / leftover / ".touchdown-sim-files")) << leftover;
  }
  if (geteuid() == 0) {
    umount2((d / "ro").c_str(), MNT_DETACH);
    umount2((d / "full").c_str(), MNT_DETACH);
  }
}

TEST_F(Outputs, AnEmptyNameGivenIsAMistakeNotNone) {
  for (const char *option : {"", "--events", "--trace", "--plot", "--module"}) {
    const Ran run = RunIn(
        work_dir, *option ? std::vector<std::string>{option, ""} : std::vector<std::string>{""});
    EXPECT_EQ(run.status, 2) << option;
    EXPECT_NE(run.err.find("empty file name"), std::string::npos) << option << ": " << run.err;
    EXPECT_EQ(run.out, "") << option << ": the run went on";
  }
}

TEST_F(Outputs, AFailedWriteStopsTheRunWithTheSystemsReasonAndStdoutCounts) {
  const fs::path d = work_dir;
  FakeGnuplot(d);
  // The account, the built-in scenario, a check's line.
  for (const char *option : {"", "--print-default", "--check"}) {
    const Ran run =
        RunIn(d, *option ? std::vector<std::string>{option} : std::vector<std::string>{},
              TD_SIM_PROGRAM, "/dev/full");
    EXPECT_EQ(run.status, 1) << option;
    EXPECT_EQ(run.err, "touchdown-sim: error: cannot write to stdout: No space left on device\n")
        << option;
  }
  // What a failed write does to a run's other outputs is the output files' unit test's.
}

TEST_F(Outputs, APlotFolderForgetsItsOwnOldFiguresAndKeepsEveryoneElses) {
  const fs::path d = work_dir, plots = work_dir / "plots";
  FakeGnuplot(d);
  fs::create_directories(plots / ".touchdown-sim-plots-1.tmp");
  std::ofstream(plots / ".touchdown-sim-plots-1.tmp" / "inside") << kPrevious;
  std::ofstream(plots / ".touchdown-sim-plots-2.tmp") << kPrevious;
  std::ofstream(plots / "notes.txt") << kPrevious;
  std::ofstream(plots / "vessel-9-mine.png") << kPrevious;  // a name the program might use
  const std::string two = "[simulation]\nsteps = 100\n" + std::string(kMoonAndGround) +
                          "[[vessel]]\nname = \"a\"\naltitude_m = 5.0\n"
                          "[[vessel]]\nname = \"b\"\naltitude_m = 5.0\n";
  const std::string one = "[simulation]\nsteps = 100\n" + std::string(kMoonAndGround) +
                          "[[vessel]]\nname = \"a\"\naltitude_m = 5.0\n";
  // Also the trace may take the name an earlier version used for its drawing folder.
  const std::string trace = (plots / ".touchdown-sim-plots-3.tmp").string();
  Ran run = RunIn(d, {Write("two.toml", two), "--plot", "plots", "--trace", trace});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(plots / "vessel-2-b.png"));
  run = RunIn(d, {Write("one.toml", one), "--plot", "plots"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_TRUE(fs::exists(plots / "vessel-1-a.png"));
  for (const char *gone : {"vessel-2-b.png", "vessel-2-b.svg", "vessel-2.dat"}) {
    EXPECT_FALSE(fs::exists(plots / gone)) << gone << " of the earlier run is still there";
  }
  EXPECT_EQ(Slurp(plots / ".touchdown-sim-plots-1.tmp" / "inside"), kPrevious);
  EXPECT_EQ(Slurp(plots / ".touchdown-sim-plots-2.tmp"), kPrevious);
  EXPECT_EQ(Slurp(plots / "notes.txt"), kPrevious);
  EXPECT_EQ(Slurp(plots / "vessel-9-mine.png"), kPrevious);
  EXPECT_NE(Slurp(trace).find("step,"), std::string::npos) << "the trace vanished";
  const std::string list = Slurp(plots / ".touchdown-sim-files");
  EXPECT_NE(list.find("vessel-1-a.png\n"), std::string::npos) << list;
  EXPECT_EQ(list.find("notes.txt"), std::string::npos) << list;
  for (const auto &entry : fs::directory_iterator(plots)) {  // no drawing folder left
    const std::string name = entry.path().filename().string();
    EXPECT_TRUE(name.rfind(".touchdown-sim-plots-", 0) != 0 || name.back() == 'p') << name;
  }
}

}  // namespace
}  // namespace e2e
