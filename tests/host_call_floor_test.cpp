// The benchmarks' yardstick: each fleet stands in the situation it claims, and the host-call
// floor makes as many host calls as the contact pass makes over that fleet. A floor that made
// fewer would flatter the module; one that made more, the other way round.
#include "bench/host_call_floor.h"

#include <gtest/gtest.h>

#include "anchor/anchor_table.h"
#include "bench/fleet.h"
#include "contact/contact_pass.h"

namespace {

using tdbench::Fleet;
using tdbench::Situation;

class HostCallFloor : public ::testing::TestWithParam<Situation> {};

TEST_P(HostCallFloor, EachVesselGetsTheWorkItsSituationSays) {
  for (int n : {1, 130}) {
    SCOPED_TRACE(n);
    Fleet fleet(GetParam(), n);
    fleet.World().SetRecording(true);
    fleet.Step();
    for (int i = 0; i < n; ++i) {
      const OBJHANDLE v = fleet.Vessels()[i];
      const tdbench::VesselWork work = fleet.Work(i);
      int forces = 0;
      for (const sim::HostEvent &e : fleet.World().Events()) {
        forces += e.kind == sim::EventKind::kAddForce && e.vessel == v ? 1 : 0;
      }
      ASSERT_EQ(forces, (work.stopping ? 1 : 0) + (work.contact ? 3 : 0)) << "vessel " << i;
      ASSERT_EQ(td::FindAnchorSlot(v) >= 0, work.anchored) << "vessel " << i;
    }
    for (const sim::HostEvent &e : fleet.World().Events()) {
      EXPECT_EQ(e.kind, sim::EventKind::kAddForce);  // settled: nothing anchored or released
    }
  }
}

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
