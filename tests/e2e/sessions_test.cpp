// Several scenario files run as sessions of one host: one account block and one set of
// outputs per session, the second session's calls through the first one's handles reported
// as errors, and every file checked before anything runs.
#include <fstream>
#include <sstream>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Sessions = E2E;

std::vector<Json> ReadLog(const fs::path &path) {
  std::vector<Json> records;
  std::istringstream in(Slurp(path));
  for (std::string line; std::getline(in, line);) records.push_back(Json::parse(line));
  return records;
}

std::vector<std::string> Kind(const std::vector<Json> &log, const std::string &kind,
                              const std::string &field) {
  std::vector<std::string> out;
  for (const Json &r : log) {
    if (r["kind"] == kind) out.push_back(r[field].is_string() ? r[field].get<std::string>() : "");
  }
  return out;
}

TEST_F(Sessions, TwoFilesRunAsTwoSessionsWithOutputsAndAnAccountEach) {
  const std::string a = Shipped("host/two_sessions_a.toml");
  const std::string b = Shipped("host/two_sessions_b.toml");
  const Ran ran = RunIn(work_dir, {a, b, "--events", "ev.jsonl", "--trace", "out/tr.csv"});
  ASSERT_EQ(ran.status, 0) << ran.err;
  EXPECT_FALSE(fs::exists(work_dir / "ev.jsonl"));
  EXPECT_TRUE(fs::exists(work_dir / "out" / "tr-1.csv"));
  EXPECT_TRUE(fs::exists(work_dir / "out" / "tr-2.csv"));

  // Each log is its own session's: its vessels, its steps from the start.
  const std::vector<Json> log1 = ReadLog(work_dir / "ev-1.jsonl");
  const std::vector<Json> log2 = ReadLog(work_dir / "ev-2.jsonl");
  EXPECT_EQ(Kind(log1, "Vessel", "vessel"),
            (std::vector<std::string>{"surface", "rest_a", "high_a", "rest_b"}));
  EXPECT_EQ(Kind(log2, "Vessel", "vessel"),
            (std::vector<std::string>{"surface", "faller", "newcomer"}));
  ASSERT_FALSE(log2.empty());
  EXPECT_EQ(log2.front()["step"], 0);
  EXPECT_EQ(log2.back()["step"], 300);

  // The module forgets the first session at its end: the second, whose vessels and points
  // carry the first one's handles, runs as it runs alone, down to the last record.
  EXPECT_TRUE(Kind(log1, "StaleHandle", "call").empty());
  EXPECT_TRUE(Kind(log2, "StaleHandle", "call").empty());
  const Ran alone = RunIn(work_dir, {b, "--events", "alone.jsonl"});
  ASSERT_EQ(alone.status, 0) << alone.err;
  EXPECT_EQ(log2, ReadLog(work_dir / "alone.jsonl"));

  // One block per session, headed by its file, and no error in either.
  const size_t first = ran.out.find("=== session 1: " + a + " ===");
  const size_t second = ran.out.find("=== session 2: " + b + " ===");
  ASSERT_NE(first, std::string::npos) << ran.out;
  ASSERT_NE(second, std::string::npos) << ran.out;
  EXPECT_LT(first, second);
  EXPECT_EQ(Count(ran.out, "error:"), 0u) << ran.out;
  EXPECT_EQ(Count(ran.out, "\ntotal: "), 2u);
}

TEST_F(Sessions, EveryFileIsCheckedAndEveryDerivedNameTriedBeforeAnythingRuns) {
  const std::string a = Shipped("host/two_sessions_a.toml");
  const std::string b = Shipped("host/two_sessions_b.toml");
  const std::string bad = Write("bad.toml", std::string("[simulation]\nstep_s = -1\n"));
  const std::string missing =
      Write("missing.toml", std::string("[terrain]\nlibrary = \"missing\"\n") + kMoonAndGround);
  fs::copy_file(b, work_dir / "run-2.toml");
  const struct {
    std::string what;
    std::vector<std::string> args;
    int status;
    std::string says;
  } rows[] = {
      {"a check of both", {a, b, "--check"}, 0, "two_sessions_b.toml: 1 body, 3 vessels"},
      {"a bad last file", {a, bad, "--events", "ev.jsonl"}, 2, "bad.toml"},
      {"libraries that differ", {a, missing, "--events", "ev.jsonl"}, 2, "[terrain] library"},
      {"a derived name that is a scenario",
       {a, "run-2.toml", "--events", "run.toml"},
       2,
       "--events run-2.toml and the scenario run-2.toml are the same file"},
      {"a derived plot folder that is an output",
       {a, b, "--plot", "plots", "--events", "plots"},
       2,
       "--events plots-1 is the folder --plot plots-1 draws into"},
      {"live with two", {a, b, "--live"}, 2, "--live runs one scenario, not 2 sessions"},
  };
  for (const auto &row : rows) {
    SCOPED_TRACE(row.what);
    const Ran ran = RunIn(work_dir, row.args);
    EXPECT_EQ(ran.status, row.status) << ran.err;
    EXPECT_NE((ran.out + ran.err).find(row.says), std::string::npos) << ran.out << ran.err;
    EXPECT_FALSE(fs::exists(work_dir / "ev-1.jsonl"));
    EXPECT_FALSE(fs::exists(work_dir / "run-1.toml"));
  }
  // One file keeps its outputs' names.
  const Ran one = RunIn(work_dir, {a, "--events", "ev.jsonl"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_TRUE(fs::exists(work_dir / "ev.jsonl"));
  EXPECT_EQ(Count(one.out, "=== session"), 0u);
}

}  // namespace
}  // namespace e2e
