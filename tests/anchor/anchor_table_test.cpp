// The anchor table: the two "VBS" points and what attaching does to the vessel, and release.
// Slot choice in a full table and pruning are the robustness tests'.
#include "anchor/anchor_table.h"

#include "module/test_access.h"
#include "support/world_fixture.h"

namespace {

using sim::EventKind;
using td::Vec3;
using tdtest::ExpectVecNear;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

class AnchorTable : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    carrier = AddCarrier();
    Start();
    td::test_access::SetStepCarrier(Iface(carrier));
  }

  void Anchor(OBJHANDLE v) { td::AnchorVessel(Iface(v)); }
  void Release(OBJHANDLE v, double s = 0.0) { td::ReleaseVessel(Iface(v), s); }

  OBJHANDLE carrier = nullptr;
};

TEST_F(AnchorTable, AnchoringCreatesTwoVbsPointsAndAttachesToTheCarrier) {
  const OBJHANDLE v = Resting("v");
  Anchor(v);
  Anchor(v);  // already anchored: nothing more
  ASSERT_EQ(td::FindAnchorSlot(v), 0);
  const auto created = Calls<sim::CreateAttachmentEvent>();
  ASSERT_EQ(created.size(), 2u);
  // The vessel's own point at its origin, hanging on a parent; the carrier's taking a child,
  // along the carrier's up and x axes.
  for (int i : {0, 1}) {
    EXPECT_EQ(created[i].vessel, i == 0 ? v : carrier);
    EXPECT_EQ(created[i].toparent, i == 0);
    EXPECT_EQ(created[i].id, "VBS");
    EXPECT_FALSE(created[i].loose);
  }
  ExpectVecNear(created[0].pos, Vec3(0, 0, 0), 0.0);
  ExpectVecNear(created[1].dir, Vec3(0, 1, 0), 0.0);
  ExpectVecNear(created[1].rot, Vec3(1, 0, 0), 0.0);
  const auto attach = Calls<sim::AttachChildEvent>();
  ASSERT_EQ(attach.size(), 1u);
  EXPECT_EQ(attach[0].parent, carrier);
  EXPECT_EQ(attach[0].child, v);
  EXPECT_EQ(attach[0].parent_point, created[1].point);
  EXPECT_EQ(attach[0].child_point, created[0].point);
  EXPECT_EQ(world.Vessel(v)->parent, carrier);
}

TEST_F(AnchorTable, AnchoringKeepsTheAttitudeAndLiftsTheVesselOntoTheTerrain) {
  VesselPlacement p = At("tilted", 0.001, -0.002, -0.3);
  p.yaw_rad = 0.7;
  p.pitch_rad = 0.2;
  p.roll_rad = -0.1;
  const OBJHANDLE v = AddVessel(p);
  const sim::VesselRecord before = *world.Vessel(v);
  Anchor(v);
  const sim::VesselRecord &after = *world.Vessel(v);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(after.rot.m[r][c], before.rot.m[r][c], 1e-12);
  }
  // 0.3 m farther from the centre, along the line through it.
  const VECTOR3 up = td::VecUnit(before.pos_global);
  ExpectVecNear(after.pos_global, td::VecAdd(before.pos_global, td::VecScale(up, 0.3)), 1e-8);
  EXPECT_NEAR(Clearance(v), 0.0, 1e-8);
}

TEST_F(AnchorTable, ReleaseDetachesOnceAndKeepsThePoints) {
  const OBJHANDLE v = Resting("v");
  Anchor(v);
  const ATTACHMENTHANDLE first_carrier_point = td::test_access::SlotCarrierPoint(0);
  world.ClearEvents();
  Release(v, 3.0);
  Release(v, 3.0);
  const auto detaches = Calls<sim::DetachChildEvent>();
  ASSERT_EQ(detaches.size(), 1u);
  EXPECT_EQ(detaches[0].vel, 3.0);
  EXPECT_EQ(detaches[0].point, first_carrier_point);
  EXPECT_EQ(world.Vessel(v)->parent, nullptr);
  EXPECT_EQ(td::test_access::SlotCarrierPoint(0), first_carrier_point);  // entries kept
  // Anchoring again makes a second pair; the first stays on the vessels.
  Anchor(v);
  EXPECT_EQ(Events(EventKind::kCreateAttachment).size(), 2u);
  EXPECT_NE(td::test_access::SlotCarrierPoint(0), first_carrier_point);
  EXPECT_EQ(world.AttachmentsOf(carrier).size(), 2u);
  EXPECT_EQ(world.AttachmentsOf(v).size(), 2u);
}

TEST_F(AnchorTable, WithoutACarrierNothingChanges) {
  const OBJHANDLE v = Resting("v");
  Anchor(v);
  td::test_access::SetStepCarrier(nullptr);
  const OBJHANDLE other = Resting("w");
  world.ClearEvents();
  Anchor(other);
  Release(v);
  EXPECT_EQ(td::FindAnchorSlot(other), -1);
  EXPECT_EQ(td::FindAnchorSlot(v), 0);
  EXPECT_TRUE(world.Events().empty());
}

}  // namespace
