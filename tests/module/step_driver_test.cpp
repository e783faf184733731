// The step driver: which vessel is the carrier, release by focus distance and by key, and
// the order of effects within one step. A key held down is the end-to-end tests'.
#include "module/step_driver.h"

#include "anchor/anchor_table.h"
#include "module/key_table.h"
#include "support/world_fixture.h"

namespace {

using sim::EventKind;
using tdtest::ModuleWorld;

class StepDriver : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    Start();
  }

  size_t Detaches() const { return Events(EventKind::kDetachChild).size(); }
};

TEST_F(StepDriver, OnlyTheExactClassNameMakesACarrier) {
  AddCarrier(0, 0, "dynamicplanet");
  AddCarrier(0, 0, "DynamicPlanet2");
  AddCarrier(0, 0, "DynamicPlane");
  const OBJHANDLE v = Resting("v");
  const OBJHANDLE s = AddVessel(At("sinking", 0.0, 0.0, -1.0));
  Step();
  EXPECT_FALSE(Anchored(v));
  EXPECT_TRUE(ForcesOn(s).empty());
  EXPECT_TRUE(world.Events().empty());
}

// Away from the equator and the prime meridian, where a sum of the two places' angles
// would not pass for their difference.
TEST_F(StepDriver, FocusBeyondAHundredthOfARadianReleasesEveryStepWithinItNone) {
  constexpr double kLat = 0.6, kLon = -0.4;
  AddCarrier(kLat, kLon);
  const OBJHANDLE v = Resting("v", kLat, kLon);
  const OBJHANDLE w = Resting("w", kLat, kLon);
  const OBJHANDLE near = FocusAt(kLat + 0.0099, kLon + 0.0099);
  Step();
  Step();
  EXPECT_TRUE(Anchored(v));
  EXPECT_EQ(Detaches(), 0u);
  world.DeleteVessel(near);
  // The longitude's side is the mends test's, across the antimeridian.
  FocusAt(kLat + 0.0101, kLon);
  world.ClearEvents();
  Step();
  EXPECT_EQ(Detaches(), 2u);
  EXPECT_FALSE(Anchored(v));
  EXPECT_FALSE(Anchored(w));
  EXPECT_EQ(td::FindAnchorSlot(v), -1);
  Sink(v, 0.01);
  Sink(w, 0.01);
  world.ClearEvents();
  Step();
  // Anchored by the contact pass and released again in the same step.
  EXPECT_EQ(Events(EventKind::kAttachChild).size(), 2u);
  EXPECT_EQ(Detaches(), 2u);
}

TEST_F(StepDriver, AReleaseKeyPressedWithoutACarrierActsOnceOneAppears) {
  const OBJHANDLE v = Resting("v");
  world.KeyDown(td::kKeyU);
  Step();
  EXPECT_EQ(td::KeyEntry(td::kKeyU), 1);  // kept for a step with a carrier
  AddCarrier();
  world.ClearEvents();
  Step();
  // Anchored by the contact pass, then released by the key, in the same step.
  EXPECT_EQ(Events(EventKind::kAttachChild).size(), 1u);
  EXPECT_EQ(Detaches(), 1u);
  EXPECT_FALSE(Anchored(v));
  EXPECT_EQ(td::KeyEntry(td::kKeyU), 0);
}

TEST_F(StepDriver, ADeletedAnchoredVesselIsSkippedBySweepsAndPruned) {
  AddCarrier();
  const OBJHANDLE gone = Resting("gone");
  const OBJHANDLE stays = Resting("stays");
  Step();
  world.DeleteVessel(gone);
  world.KeyDown(td::kKeyC);
  world.ClearEvents();
  Step();
  // Only the live vessel is detached; the gone one's slot is freed by the pruning.
  ASSERT_EQ(Detaches(), 1u);
  EXPECT_EQ(td::FindAnchorSlot(gone), -1);
  EXPECT_EQ(td::FindAnchorSlot(stays), -1);
  for (int s = 0; s < td::kAnchorSlotCount; ++s) EXPECT_EQ(td::test_access::SlotVessel(s), nullptr);
}

}  // namespace
