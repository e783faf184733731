// The step driver: which vessel is the carrier, release by focus distance and by key, and
// the order of effects within one step.
#include "module/step_driver.h"

#include "anchor/anchor_table.h"
#include "module/key_table.h"
#include "world_fixture.h"

namespace {

using sim::EventKind;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

class StepDriver : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    Start();
  }

  size_t Detaches() const { return Events(EventKind::kDetachChild).size(); }
};

TEST_F(StepDriver, TheFirstDynamicPlanetInHostOrderIsTheCarrier) {
  const OBJHANDLE first = AddCarrier();
  AddCarrier();
  const OBJHANDLE v = Resting("v");
  Step();
  ASSERT_TRUE(Anchored(v));
  EXPECT_EQ(world.Vessel(v)->parent, first);
}

TEST_F(StepDriver, OnlyTheExactClassNameMakesACarrier) {
  AddCarrier(0, 0, "dynamicplanet");
  AddCarrier(0, 0, "DynamicPlanet2");
  AddCarrier(0, 0, "DynamicPlane");
  const OBJHANDLE v = Resting("v");
  VesselPlacement sinking;
  sinking.clearance_m = -1.0;
  const OBJHANDLE s = AddVessel(sinking);
  Step();
  EXPECT_FALSE(Anchored(v));
  EXPECT_TRUE(ForcesOn(s).empty());
  EXPECT_TRUE(world.Events().empty());
}

TEST_F(StepDriver, FocusWithinAHundredthOfARadianKeepsVesselsAnchored) {
  AddCarrier();
  const OBJHANDLE v = Resting("v");
  FocusAt(0.0099, 0.0099);
  Step();
  Step();
  EXPECT_TRUE(Anchored(v));
  EXPECT_EQ(Detaches(), 0u);
}

TEST_F(StepDriver, FocusBeyondAHundredthOfARadianReleasesEveryStep) {
  for (const auto &[dLat, dLon] : {std::pair{0.0101, 0.0}, std::pair{0.0, -0.0101}}) {
    SCOPED_TRACE(testing::Message() << dLat << " " << dLon);
    Start();
    const OBJHANDLE carrier = AddCarrier();
    const OBJHANDLE v = Resting("v");
    const OBJHANDLE w = Resting("w");
    const OBJHANDLE f = FocusAt(dLat, dLon);
    world.ClearEvents();
    Step();
    // Anchored by the contact pass and released again in the same step.
    EXPECT_EQ(Events(EventKind::kAttachChild).size(), 2u);
    EXPECT_EQ(Detaches(), 2u);
    EXPECT_FALSE(Anchored(v));
    EXPECT_FALSE(Anchored(w));
    EXPECT_EQ(td::FindAnchorSlot(v), -1);
    Sink(v, 0.01);
    Sink(w, 0.01);
    Step();
    EXPECT_EQ(Detaches(), 4u);
    world.DeleteVessel(v);
    world.DeleteVessel(w);
    world.DeleteVessel(f);
    world.DeleteVessel(carrier);
    ExitModule(kInstance);
  }
}

TEST_F(StepDriver, FocusOnTheCarrierOrNoFocusReleasesNothing) {
  const OBJHANDLE carrier = AddCarrier(0.3, 2.0);
  const OBJHANDLE v = Resting("v", 0.3, 2.0);
  world.SetFocus(carrier);
  Step();
  world.SetFocus(nullptr);
  Step();
  EXPECT_TRUE(Anchored(v));
  EXPECT_EQ(Detaches(), 0u);
}

TEST_F(StepDriver, AReleaseKeyReleasesOncePerPress) {
  AddCarrier();
  const OBJHANDLE v = Resting("v");
  Step();
  ASSERT_TRUE(Anchored(v));
  world.KeyDown(td::kKeyG);
  Step();
  EXPECT_EQ(Detaches(), 1u);
  Sink(v, 0.01);
  // The vessel still rests and is anchored again in the next step; G held with auto-repeat
  // does not release it again.
  for (int i = 0; i < 5; ++i) {
    world.KeyRepeat(td::kKeyG);
    Step();
  }
  EXPECT_TRUE(Anchored(v));
  EXPECT_EQ(Detaches(), 1u);
  EXPECT_EQ(td::KeyEntry(td::kKeyG), 0);
  // U and C act alike.
  world.KeyUp(td::kKeyG);
  world.KeyDown(td::kKeyU);
  world.KeyDown(td::kKeyC);
  Step();
  EXPECT_EQ(Detaches(), 2u);
  EXPECT_EQ(td::KeyEntry(td::kKeyU), 0);
  EXPECT_EQ(td::KeyEntry(td::kKeyC), 0);
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
  for (OBJHANDLE h : td::g_anchorVessel) EXPECT_EQ(h, nullptr);
}

}  // namespace
