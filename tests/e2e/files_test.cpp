// The user's files are theirs: no output replaces the scenario or another output, a run that
// is interrupted completes its outputs, and a scenario that cannot be read says why. (A run
// that fails keeping the previous outputs is the output files' unit test.)
#include <unistd.h>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Files = E2E;

std::string LongRun() { return std::string("[simulation]\nsteps = 20000000\n") + kMoonAndGround; }

TEST_F(Files, AnOutputThatIsTheScenarioOrAnotherOutputIsRefusedNamingBoth) {
  const std::string scenario =
      Write("v.toml", std::string("[simulation]\nsteps = 10\n") + kMoonAndGround);
  const std::string d = work_dir.string();
  fs::create_symlink(scenario, work_dir / "link.toml");
  const struct {
    std::string args, first, second;
  } clashes[] = {
      {"--trace " + scenario, "--trace", "the scenario"},
      {"--events " + d + "/link.toml", "--events", "the scenario"},  // same inode
      {"--events " + d + "/same.out --trace " + d + "/./same.out", "--trace", "--events"},
      {"--events " + d + "/r.html --replay " +
           fs::relative(work_dir / "r.html", fs::current_path()).string(),
       "--replay", "--events"},
      {"--plot " + d + "/plots --trace " + d + "/plots/map.png", "--trace", "--plot"},
      {"--save-scn " + d + "/link.toml", "--save-scn", "the scenario"},
      {"--trace " + d + "/end.scn --save-scn " + d + "/./end.scn", "--save-scn", "--trace"},
  };
  for (const auto &c : clashes) {
    const Outcome run = Exec(scenario, false, false, c.args);
    EXPECT_EQ(run.status, 2) << c.args;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(c.second), std::string::npos) << run.err;
    EXPECT_LT(run.err.find(c.first), run.err.find(c.second)) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
  }
  EXPECT_EQ(Slurp(scenario).rfind("[simulation]", 0), 0u) << "the scenario was overwritten";
  // A device is no file of the user's: any outputs may go there, and it stays a device.
  EXPECT_EQ(Exec(scenario, false, false, "--events /dev/null --trace /dev/null").status, 0);
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(Files, AnInterruptedRunCompletesItsOutputsAndSaysWhere) {
  const fs::path saved_path = work_dir / "end.scn";
  const Outcome run = Exec(Write("v.toml", LongRun()), true, true,
                           "--trace-every 100 --save-scn " + saved_path.string(), "INT");
  EXPECT_EQ(run.status, 130) << run.err;
  EXPECT_NE(run.out.find(": SIGINT; the outputs hold the steps run"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("total: "), std::string::npos);
  ASSERT_FALSE(run.events.empty());  // every line parsed as JSON
  EXPECT_FALSE(run.trace.empty());   // every row whole
  EXPECT_EQ(run.events_text.back(), '\n');
  const std::string saved = Slurp(saved_path);
  EXPECT_NE(saved.find("surface:DynamicPlanet\n  STATUS Landed Moon\n"), std::string::npos);
  EXPECT_TRUE(saved.ends_with("END\nEND_SHIPS\n")) << saved;
  EXPECT_TRUE(Temporaries(work_dir).empty());
}

TEST_F(Files, AScenarioThatCannotBeReadSaysWhyOnOneLine) {
  const std::string unreadable = Write("locked.toml", kMoonAndGround);
  fs::permissions(unreadable, fs::perms::none);
  const struct {
    std::string path, reason;
  } cases[] = {
      {work_dir.string(), "is a folder, not a scenario file"},
      {(work_dir / "missing.toml").string(), "No such file or directory"},
      {unreadable, geteuid() == 0 ? "" : "Permission denied"},  // root reads anything
  };
  for (const auto &c : cases) {
    if (c.reason.empty()) continue;
    const Outcome run = Exec(c.path, false, false);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "touchdown-sim: error: " + c.path + ": " + c.reason + "\n");
  }
}

}  // namespace
}  // namespace e2e
