// The program's own figures over the ground: the same landing, walk and fall on a Moon at
// rest and on a Moon that turns once a sidereal month and moves at 30 km/s through the global
// frame read the same in the account, number for number. The terrain is flat, so that the
// module's own terrain, which does not turn with the Moon, is the Moon's.
#include <sstream>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

// The account's words, and its numbers apart; the first line (the file's name) and the last
// (the wall time) left out.
struct Read {
  std::vector<std::string> words;
  std::vector<double> numbers;
};

Read ReadAccount(const std::string &out) {
  Read r;
  std::istringstream lines(out);
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    if (line.rfind("total:", 0) == 0) break;
    std::istringstream tokens(line);
    for (std::string t; tokens >> t;) {
      const size_t from = t.find_first_not_of("(+"), to = t.find_last_not_of(",;)");
      const std::string core = from == std::string::npos ? "" : t.substr(from, to - from + 1);
      char *end = nullptr;
      const double value = std::strtod(core.c_str(), &end);
      if (!core.empty() && end == core.c_str() + core.size()) {
        r.numbers.push_back(value);
        r.words.push_back("#");
      } else {
        r.words.push_back(t);
      }
    }
  }
  return r;
}

using Ground = E2E;

TEST_F(Ground, OnAMoonThatTurnsAndMovesTheAccountReadsAsOnAMoonAtRest) {
  const std::string path = TestScenario("ground_walk.toml");
  std::istringstream lines(Slurp(path));
  std::string still;
  for (std::string line; std::getline(lines, line);) {
    if (!line.starts_with("rotation_period_s") && !line.starts_with("velocity_mps")) {
      still += line + "\n";
    }
  }
  const Outcome rest = Exec(Write("rest.toml", still), false, false);
  const Outcome moving = Exec(path, false, true);
  ASSERT_EQ(rest.status, 0) << rest.err;
  ASSERT_EQ(moving.status, 0) << moving.err;
  const Read at_rest = ReadAccount(rest.out), turning = ReadAccount(moving.out);
  // The same lines: the touchdown, the anchorings, the walk, the crate still falling.
  ASSERT_EQ(at_rest.words, turning.words) << rest.out << "\n" << moving.out;
  for (const char *figure :
       {"touchdown, closing speed", "moved", "m from its start", "free, speed"}) {
    EXPECT_NE(moving.out.find(figure), std::string::npos) << figure;
  }
  // Times to the step, places to the millimetre and speeds to the mm/s as printed, forces
  // to a few millionths: the ground's 30 km/s and its turn are taken out, and what remains is
  // rounding and the turn's own small forces over 16 s.
  ASSERT_EQ(at_rest.numbers.size(), turning.numbers.size());
  for (size_t i = 0; i < at_rest.numbers.size(); ++i) {
    EXPECT_NEAR(turning.numbers[i], at_rest.numbers[i], 0.005 + 1e-5 * std::abs(at_rest.numbers[i]))
        << "number " << i << "\n"
        << rest.out << "\n"
        << moving.out;
  }
  // The trace's places are in the turning frame: the carrier stays on its meridian.
  for (const TraceRow &row : moving.Rows("surface")) {
    ASSERT_NEAR(row.lon_deg, 0.0, 1e-9) << "at " << row.t;
    ASSERT_NEAR(row.lat_deg, 0.0, 1e-9) << "at " << row.t;
  }
}

}  // namespace
}  // namespace e2e
