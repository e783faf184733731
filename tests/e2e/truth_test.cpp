// What a run says, checked against the scenario file's own comments: each scenario in
// tests/scenarios/truth/ names lines the account must hold ("# expect: ...", or "# expect N
// times: ...") and must not ("# absent: ..."), or the one line the file is refused with
// before anything runs ("# refused: LINE: what").
#include <algorithm>
#include <sstream>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

std::vector<std::string> TruthScenarios() {
  std::vector<std::string> names;
  for (const auto &entry :
       std::filesystem::directory_iterator(std::string(TD_SOURCE_DIR) + "/tests/scenarios/truth")) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Truth : public E2E, public ::testing::WithParamInterface<std::string> {};

TEST_P(Truth, TheRunSaysWhatTheFileExpects) {
  const std::string path = TestScenario("truth/" + GetParam());
  const Outcome run = Exec(path, false, false);
  const std::string text = Slurp(path);
  int checks = ExpectAccountHolds(run.out, text);
  bool refused = false;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("# refused: ", 0) != 0) continue;
    const std::string refusal = line.substr(11);
    refused = true;
    const size_t field = refusal.find(": ");
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(run.out.empty()) << "it ran: " << run.out;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << "not one line: " << run.err;
    for (char c : run.err.substr(0, run.err.size() - 1)) {
      EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7f) << run.err;
    }
    EXPECT_NE(run.err.find(path + ":" + refusal.substr(0, field) + ":"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(refusal.substr(field + 2)), std::string::npos) << run.err;
    ++checks;
  }
  if (!refused) {
    EXPECT_EQ(run.status, 0) << run.err;
  }
  EXPECT_GT(checks, 0);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Truth, ::testing::ValuesIn(TruthScenarios()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                           return info.param.substr(0, info.param.find('.'));
                         });

}  // namespace
}  // namespace e2e
