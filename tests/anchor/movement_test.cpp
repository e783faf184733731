// Walking and driving: which focus vessels move for which keys, how far, how they turn, and
// when a step floats a vessel free instead.
#include "anchor/movement.h"

#include <cmath>
#include <cstring>

#include "anchor/anchor_table.h"
#include "module/key_table.h"
#include "module/test_access.h"
#include "support/world_fixture.h"

namespace {

using sim::EventKind;
using td::Vec3;
using tdtest::ExpectVecNear;
using tdtest::FlatTerrain;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

class Movement : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    carrier = AddCarrier();
    Start();
  }

  // A vessel of the class given, anchored where it stands and made the focus.
  OBJHANDLE AnchoredFocus(const char *class_name, double pitch_rad = 0.0) {
    VesselPlacement p;
    p.name = "mover";
    p.class_name = class_name != nullptr ? std::optional<std::string>(class_name) : std::nullopt;
    p.clearance_m = -0.01;
    p.pitch_rad = pitch_rad;
    const OBJHANDLE v = AddVessel(p);
    world.SetFocus(v);
    td::test_access::SetStepCarrier(Iface(carrier));
    td::AnchorVessel(Iface(v));
    EXPECT_TRUE(Anchored(v));
    world.ClearEvents();
    return v;
  }

  std::vector<sim::SetAttachmentParamsEvent> Edits() const {
    return Calls<sim::SetAttachmentParamsEvent>();
  }

  // The carrier-side point of the vessel's slot, as the host holds it.
  const sim::AttachmentRecord &Point(OBJHANDLE v) const {
    return *world.Attachment(td::test_access::SlotCarrierPoint(td::FindAnchorSlot(v)));
  }

  void Move(OBJHANDLE v, td::MoveCode code, double simdt, double speed_mps) {
    td::test_access::SetStepCarrier(Iface(carrier));
    td::MoveAnchored(Iface(v), code, simdt, speed_mps);
  }

  OBJHANDLE carrier = nullptr;
};

TEST_F(Movement, StepsComeBeforeTurnsAndAnArrowWithItsLetterCountsOnce) {
  const OBJHANDLE v = AnchoredFocus("UMmu");
  world.KeyDown(td::kKeyLeft);
  world.KeyDown(td::kKeyUp);
  world.KeyDown(td::kKeyW);
  world.CallPreStep(0.1, 0.1, 0.0);
  const auto edits = Edits();
  ASSERT_EQ(edits.size(), 2u);
  EXPECT_NEAR(edits[0].pos.z - edits[1].pos.z, 0.0, 0.0);  // the turn keeps the position
  EXPECT_NEAR(edits[0].pos.z, Point(v).pos.z, 0.0);
  ExpectVecNear(edits[0].rot, Vec3(1, 0, 0), 0.0);  // the step keeps the rotation
  const double angle = 0.1 * -1.570796326794895;
  ExpectVecNear(edits[1].rot, Vec3(std::cos(angle), 0, -std::sin(angle)), 1e-15);
}

// Each movement key alone, on a walker anchored afresh: an arrow and its letter alike.
TEST_F(Movement, EachKeyAloneStepsOrTurnsTheFocusItsOwnWay) {
  const double turn_z = std::sin(0.1 * 1.570796326794895);
  const struct {
    int vk;
    VECTOR3 shift_carrier;
    double rot_z;
  } kCases[] = {{td::kKeyUp, Vec3(0, 0, 0.4), 0.0},      {td::kKeyW, Vec3(0, 0, 0.4), 0.0},
                {td::kKeyDown, Vec3(0, 0, -0.4), 0.0},   {td::kKeyS, Vec3(0, 0, -0.4), 0.0},
                {td::kKeyEnd, Vec3(-0.4, 0, 0), 0.0},    {td::kKeyNext, Vec3(0.4, 0, 0), 0.0},
                {td::kKeyLeft, Vec3(0, 0, 0), turn_z},   {td::kKeyA, Vec3(0, 0, 0), turn_z},
                {td::kKeyRight, Vec3(0, 0, 0), -turn_z}, {td::kKeyD, Vec3(0, 0, 0), -turn_z}};
  for (const auto &c : kCases) {
    SCOPED_TRACE(c.vk);
    ExitModule(kInstance);
    Start();
    const OBJHANDLE v = AnchoredFocus("UMmu");
    const VECTOR3 before = Point(v).pos;
    world.KeyDown(c.vk);
    world.CallPreStep(0.1, 0.1, 0.0);
    world.KeyUp(c.vk);
    ASSERT_EQ(Edits().size(), 1u);
    ExpectVecNear(td::VecSub(Point(v).pos, before), c.shift_carrier, 1e-6);
    EXPECT_NEAR(Point(v).rot.z, c.rot_z, 1e-12);
  }
}

TEST_F(Movement, OnlyWalkersAndCarsThatHaveTheFocusMove) {
  for (const char *class_name : {"UMmu1", "ummu", "UCGO\\Car", "Lander", "", "UMmuturbopack",
                                 static_cast<const char *>(nullptr)}) {
    SCOPED_TRACE(class_name);
    Start();
    AnchoredFocus(class_name);
    world.KeyDown(td::kKeyW);
    world.KeyDown(td::kKeyD);
    world.CallPreStep(0.1, 0.1, 0.0);
    EXPECT_TRUE(Edits().empty());
    ExitModule(kInstance);
  }
  // Nor does a walker without the focus.
  Start();
  AnchoredFocus("UMmu");
  world.SetFocus(nullptr);
  world.KeyDown(td::kKeyW);
  world.CallPreStep(0.2, 0.1, 0.0);
  EXPECT_TRUE(Edits().empty());
}

TEST_F(Movement, AFreeVesselIsNotMoved) {
  const OBJHANDLE v = AnchoredFocus("UMmu");
  td::ReleaseVessel(Iface(v), 0.0);
  world.ClearEvents();
  Move(v, td::MoveCode::kForward, 0.1, 4.0);
  Move(v, td::MoveCode::kTurnRight, 0.1, 4.0);
  EXPECT_TRUE(world.Events().empty());
}

TEST_F(Movement, ATiltedVesselStepsOnlyItsProjectionOntoTheCarriersPlane) {
  const OBJHANDLE v = AnchoredFocus("UMmu", std::acos(-1.0) / 3);  // nose 60 degrees up
  const VECTOR3 start = Point(v).pos;
  Move(v, td::MoveCode::kForward, 0.1, 4.0);
  const VECTOR3 d = td::VecSub(Point(v).pos, start);
  EXPECT_NEAR(std::hypot(d.x, d.z), 0.2, 1e-8);
  EXPECT_NEAR(d.y, 0.0, 1e-8);
}

TEST_F(Movement, AStepAlsoSetsTheVesselDownWhereItStood) {
  const OBJHANDLE v = AnchoredFocus("UMmu");
  ShiftAnchored(carrier, td::FindAnchorSlot(v), Vec3(0, 0.05, 0));
  const VECTOR3 start = Point(v).pos;
  Move(v, td::MoveCode::kForward, 0.1, 4.0);
  ExpectVecNear(td::VecSub(Point(v).pos, start), Vec3(0, -0.05, 0.4), 1e-8);
  EXPECT_NEAR(Clearance(v), 0.0, 1e-6);  // the moon's curvature over 0.4 m
}

TEST_F(Movement, CarsTurnAsFastAsWalkersAndTurningForNoTimeIsBitForBit) {
  const OBJHANDLE v = AnchoredFocus("UCGO\\Cars\\Jeep");
  const sim::AttachmentRecord before = Point(v);
  Move(v, td::MoveCode::kTurnRight, 0.5, 30.0);
  ExpectVecNear(Point(v).rot, Vec3(0.70710678, 0, -0.70710678), 1e-8);
  ExpectVecNear(Point(v).pos, before.pos, 0.0);
  ExpectVecNear(Point(v).dir, before.dir, 0.0);
  const VECTOR3 rot = Point(v).rot;
  world.ClearEvents();
  Move(v, td::MoveCode::kTurnLeft, 0.0, 30.0);
  ASSERT_EQ(Edits().size(), 1u);
  // NOLINTNEXTLINE(bugprone-suspicious-memory-comparison): the very bits, not an equal value
  EXPECT_EQ(std::memcmp(&Edits()[0].rot, &rot, sizeof rot), 0);
}

// A step floats the vessel free only when it stands more than 0.1 m over terrain lying below
// the mean radius; turns never release.
TEST_F(Movement, SteppingOffHighOverLowTerrainReleasesInsteadOfMoving) {
  struct Case {
    double terrain_m, over_m;
    bool released;
  };
  for (const Case c : {Case{0.0, 0.2, false}, Case{-0.5, 0.0999, false}, Case{-0.5, 0.2, true}}) {
    SCOPED_TRACE(testing::Message() << c.terrain_m << " " << c.over_m);
    Reconfigure(FlatTerrain(0.0));
    const OBJHANDLE v = AnchoredFocus("UMmu");
    Reconfigure(FlatTerrain(c.terrain_m));
    ShiftAnchored(carrier, td::FindAnchorSlot(v), Vec3(0, c.terrain_m + c.over_m, 0));
    world.ClearEvents();
    Move(v, td::MoveCode::kTurnLeft, 0.1, 4.0);
    EXPECT_TRUE(Anchored(v));
    Move(v, td::MoveCode::kBack, 0.1, 4.0);
    EXPECT_EQ(Anchored(v), !c.released);
    EXPECT_EQ(Edits().size(), c.released ? 1u : 2u);
    const auto detaches = Calls<sim::DetachChildEvent>();
    ASSERT_EQ(detaches.size(), c.released ? 1u : 0u);
    if (c.released) {
      EXPECT_EQ(detaches[0].vel, 3.0);
    }
    world.DeleteVessel(v);
  }
}

}  // namespace
