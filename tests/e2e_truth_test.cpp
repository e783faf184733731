// The account tells what happened and only that: each scenario in tests/scenarios/truth/
// names, in its comments, lines the account must hold ("# expect: ...") and must not
// ("# absent: ...").
#include <algorithm>
#include <fstream>

#include "e2e_harness.h"

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

TEST_P(Truth, TheAccountHoldsTheExpectedLinesAndNoneOfTheAbsentOnes) {
  const std::string path = TestScenario("truth/" + GetParam());
  const Outcome run = Exec(path, false, false);
  ASSERT_EQ(run.status, 0) << run.err;
  std::ifstream in(path);
  int checks = 0;
  for (std::string line; std::getline(in, line);) {
    for (const char *tag : {"# expect: ", "# absent: "}) {
      if (line.rfind(tag, 0) != 0) continue;
      const std::string text = line.substr(std::string(tag).size());
      const bool expected = tag[2] == 'e';
      EXPECT_EQ(run.out.find(text) != std::string::npos, expected)
          << (expected ? "missing: " : "present: ") << text << "\n"
          << run.out;
      ++checks;
    }
  }
  EXPECT_GT(checks, 0);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, Truth, ::testing::ValuesIn(TruthScenarios()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                           return info.param.substr(0, info.param.find('.'));
                         });

}  // namespace
}  // namespace e2e
