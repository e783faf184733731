// The benchmarks' yardstick: the host-call floor makes as many host calls as the contact pass
// makes over each fleet. A floor that made fewer would flatter the module; one that made more,
// the other way round. (What the module does for each vessel is the module's tests'.)
#include "bench/host_call_floor.h"

#include <gtest/gtest.h>

#include "bench/fleet.h"
#include "contact/contact_pass.h"

namespace {

using tdbench::Fleet;
using tdbench::Situation;

class HostCallFloor : public ::testing::TestWithParam<Situation> {};

TEST_P(HostCallFloor, MakesAsManyHostCallsAsTheContactPass) {
  for (int n : {1, 130}) {
    SCOPED_TRACE(n);
    Fleet fleet(GetParam(), n);
    const tdbench::HostCallFloor floor(fleet);
    const uint64_t before = fleet.World().HostQueryCount();
    td::RunContactPass(0.0, Fleet::kStep_s, 0.0);
    const uint64_t pass = fleet.World().HostQueryCount() - before;
    floor.Pass();
    EXPECT_EQ(fleet.World().HostQueryCount() - before - pass, pass);
  }
}

INSTANTIATE_TEST_SUITE_P(Situations, HostCallFloor, ::testing::ValuesIn(tdbench::kSituations),
                         [](const auto &info) { return tdbench::SituationName(info.param); });

}  // namespace
