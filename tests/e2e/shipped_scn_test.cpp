// The scenarios shipped for the simulator (orbiter/Scenarios/touchdown/) run headless as the
// simulator would run them, with the classes of the shipped folder: each account holds the
// lines tests/scenarios/orbiter/<name>.expect names, and the end state saved for the
// simulator, run again, ends in the same world.
#include <algorithm>
#include <sstream>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const fs::path kShipped = fs::path(TD_SOURCE_DIR) / "orbiter";

std::vector<std::string> ShippedScenarios() {
  std::vector<std::string> names;
  for (const auto &entry : fs::directory_iterator(kShipped / "Scenarios" / "touchdown")) {
    if (entry.path().extension() == ".scn") names.push_back(entry.path().stem().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Each vessel's end state as the account gives it, without the distance from where it began
// (a saved scenario begins where the first run ended).
std::vector<std::string> EndStates(const std::string &account) {
  std::vector<std::string> ends;
  std::istringstream in(account);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("  end: ", 0) != 0) continue;
    const size_t from = line.rfind("; ");
    const bool distance = from != std::string::npos && line.ends_with(" m from its start");
    ends.push_back(line.substr(7, distance ? from - 7 : std::string::npos));
  }
  return ends;
}

class ShippedScn : public E2E, public ::testing::WithParamInterface<std::string> {
 protected:
  Outcome Run(const std::string &scenario, const std::string &save_to) const {
    return Exec(scenario, false, false,
                "--quiet --orbiter-root '" + kShipped.string() + "' --save-scn '" + save_to + "'");
  }
};

TEST_P(ShippedScn, RunsWithItsExpectedLinesAndRoundTrips) {
  const std::string scn = (kShipped / "Scenarios" / "touchdown" / (GetParam() + ".scn")).string();
  const std::string expect = TestScenario("orbiter/" + GetParam() + ".expect");
  ASSERT_TRUE(fs::exists(expect)) << "every shipped scenario names what it must show";
  const std::string saved = (work_dir / "saved.scn").string();
  const Outcome first = Run(scn, saved);
  ASSERT_EQ(first.status, 0) << first.err;
  EXPECT_GT(ExpectAccountHolds(first.out, Slurp(expect)), 0);

  const Outcome again = Run(saved, (work_dir / "again.scn").string());
  ASSERT_EQ(again.status, 0) << again.err;
  const std::vector<std::string> ends = EndStates(first.out);
  EXPECT_FALSE(ends.empty());
  EXPECT_EQ(EndStates(again.out), ends) << first.out << again.out;
}

INSTANTIATE_TEST_SUITE_P(Orbiter, ShippedScn, ::testing::ValuesIn(ShippedScenarios()),
                         [](const ::testing::TestParamInfo<std::string> &info) {
                           std::string name = info.param;
                           std::replace_if(
                               name.begin(), name.end(), [](char c) { return !std::isalnum(c); },
                               '_');
                           return name;
                         });

}  // namespace
}  // namespace e2e
