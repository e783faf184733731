// The stand-in world as a module sees it: handles, frames, attachments and motion. Its clock,
// keyboard and desktop are read through the module and end-to-end tests.
#include "sim/world.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "math/units.h"
#include "math/vector.h"

namespace {

constexpr double kMoonRadius = 1737.4e3;
constexpr double kMoonMass = 7.342e22;
constexpr double kG = td::kGravitationalConstant;

void ExpectNear(const VECTOR3 &a, const VECTOR3 &b, double tol) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

class SimWorld : public ::testing::Test {
 protected:
  sim::World world;
  // Away from the origin, so that nothing passes by accident of a body at zero.
  OBJHANDLE moon = world.AddBody({"Moon", kMoonRadius, kMoonMass, td::Vec3(3e8, -1e8, 2e8)});

  OBJHANDLE AddVessel(double lat, double lon, double alt, double yaw = 0.0, double cog = 0.0) {
    sim::VesselSpec s;
    s.name = "v" + std::to_string(world.LiveVessels().size());
    s.body = moon;
    s.pos_global = sim::SurfacePoint(*world.Body(moon), lat, lon, kMoonRadius + alt);
    s.rot = sim::UprightAttitude(lat, lon, yaw);
    s.cog_elev_m = cog;
    return world.AddVessel(s);
  }
  VESSEL &V(OBJHANDLE h) { return *oapiGetVesselInterface(h); }
  VECTOR3 Up(OBJHANDLE h) {
    return td::VecUnit(td::VecSub(world.Vessel(h)->pos_global, world.Body(moon)->pos_global));
  }
  VECTOR3 Axis(OBJHANDLE h, int c) { return world.Vessel(h)->rot.Column(c); }
};

TEST_F(SimWorld, DeletedHandlesStayInvalidForever) {
  const OBJHANDLE a = AddVessel(0, 0, 10), b = AddVessel(0, 0, 20);
  VESSEL *a_interface = oapiGetVesselInterface(a);
  world.DeleteVessel(a);
  const OBJHANDLE c = AddVessel(0, 0, 30);
  EXPECT_NE(c, a);
  EXPECT_FALSE(oapiIsVessel(a));
  EXPECT_FALSE(oapiIsVessel(moon));
  EXPECT_EQ(oapiGetVesselInterface(a), nullptr);
  EXPECT_EQ(a_interface->GetMass(), 0.0);  // the old interface object is still there
  EXPECT_EQ(oapiGetVesselCount(), 2u);
  EXPECT_EQ(oapiGetVesselByIndex(0), b);
  EXPECT_EQ(oapiGetVesselByIndex(1), c);
  EXPECT_EQ(oapiGetVesselByIndex(2), nullptr);
  EXPECT_EQ(oapiGetVesselByIndex(-1), nullptr);
}

// The host deletes as its code does: the last vessel of its list moves into the deleted one's
// index, the others keep theirs; a deleted focus passes to the nearest other vessel by global
// position, of equals to the one of lower index in the list as it stood before the deletion.
// Vessels stand on one vertical line, so that their distances are differences of altitude.
TEST_F(SimWorld, ADeletedVesselsIndexGoesToTheLastAndItsFocusToTheNearest) {
  struct Case {
    const char *what;
    std::vector<double> alt;
    int focus, deleted;
    std::vector<int> order_after;  // the vessels by index after, as their numbers before
    int focus_after;               // -1: none
  };
  const Case cases[] = {
      {"another vessel: the focus stays", {0, 10, 20, 30, 40}, 0, 1, {0, 4, 2, 3}, 0},
      {"the last vessel: nothing moves", {0, 10, 20}, 0, 2, {0, 1}, 0},
      {"the focus: the nearest takes it", {0, 12, 20, 35, 40}, 2, 2, {0, 1, 4, 3}, 1},
      // 2 and 3 are both 10 m away; 3 takes index 1 as 1 goes, but 2 came first before.
      {"the focus: of equals the first in the list", {100, 20, 10, 30}, 1, 1, {0, 3, 2}, 2},
      {"the focus, alone: none is left", {0}, 0, 0, {}, -1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    sim::World w;
    const OBJHANDLE body = w.AddBody({"Moon", kMoonRadius, kMoonMass, td::Vec3(3e8, -1e8, 2e8)});
    std::vector<OBJHANDLE> v;
    for (const double alt : c.alt) {
      sim::VesselSpec desc;
      desc.name = "v" + std::to_string(v.size());
      desc.body = body;
      // Whole metres: the distances are exact, and equal ones equal.
      desc.pos_global = td::Vec3(3e8 + kMoonRadius + alt, -1e8, 2e8);
      v.push_back(w.AddVessel(desc));
    }
    w.SetFocus(v[static_cast<size_t>(c.focus)]);
    w.DeleteVessel(v[static_cast<size_t>(c.deleted)]);
    ASSERT_EQ(oapiGetVesselCount(), c.order_after.size());
    for (size_t i = 0; i < c.order_after.size(); ++i) {
      EXPECT_EQ(oapiGetVesselByIndex(static_cast<int>(i)), v[static_cast<size_t>(c.order_after[i])])
          << i;
    }
    VESSEL *focus = oapiGetFocusInterface();
    if (c.focus_after < 0) {
      EXPECT_EQ(focus, nullptr);
    } else {
      ASSERT_NE(focus, nullptr);
      EXPECT_EQ(focus->GetHandle(), v[static_cast<size_t>(c.focus_after)]);
    }
  }
}

// Only a handle the world gave out names anything, and only as the kind it was given for:
// the same serial number under another kind, serial 0, one past the last, or an address a
// few bytes off are nobody's.
TEST_F(SimWorld, AHandleNamesOnlyWhatItWasGivenFor) {
  const OBJHANDLE v = AddVessel(0, 0, 10);  // vessel 1, as the moon is body 1
  const ATTACHMENTHANDLE att =
      V(v).CreateAttachment(false, {}, td::Vec3(0, 1, 0), td::Vec3(1, 0, 0), "A");
  const auto moved = [](const void *h, intptr_t by) {
    return reinterpret_cast<void *>(reinterpret_cast<intptr_t>(h) + by);
  };
  const intptr_t kind = intptr_t{1} << sim::kHandleKindShift;
  const intptr_t serial = intptr_t{1} << sim::kSerialShift;
  ASSERT_TRUE(oapiIsVessel(v));
  for (void *h : {moved(v, -serial), moved(v, serial), moved(v, 1), moved(v, serial / 2),
                  moved(v, kind), moved(v, -kind), moved(v, 2 * kind), static_cast<void *>(moon),
                  static_cast<void *>(att), static_cast<void *>(nullptr)}) {
    EXPECT_FALSE(oapiIsVessel(h));
    EXPECT_EQ(oapiGetVesselInterface(h), nullptr);
  }
  EXPECT_GT(oapiGetSize(moon), 0.0);
  for (void *h : {moved(moon, kind), moved(moon, serial), moved(moon, serial / 2),
                  static_cast<void *>(nullptr)}) {
    EXPECT_EQ(oapiGetSize(h), 0.0);
  }
  VECTOR3 pos, dir, rot;
  V(v).GetAttachmentParams(att, pos, dir, rot);
  EXPECT_EQ(dir.y, 1.0);
  for (void *h : {moved(att, -kind), moved(att, serial), moved(att, serial / 2)}) {
    V(v).GetAttachmentParams(h, pos, dir, rot);
    EXPECT_EQ(dir.y, 0.0);
  }
}

TEST_F(SimWorld, FramesAgreeWithPlacesOnTheBody) {
  const double lat = 0.3, lon = -1.2;
  const OBJHANDLE v = AddVessel(lat, lon, 50, std::numbers::pi / 2);
  // Local y is the local vertical; a quarter yaw turns the nose from north to east.
  const VECTOR3 pos = world.Vessel(v)->pos_global;
  VECTOR3 up_tip, nose_tip;
  V(v).Local2Global(td::Vec3(0, 1, 0), up_tip);
  V(v).Local2Global(td::Vec3(0, 0, 1), nose_tip);
  // Directions read through points far from the origin keep about eight digits.
  ExpectNear(td::VecSub(up_tip, pos), Up(v), 1e-7);
  sim::BodySpec body = *world.Body(moon);
  body.pos_global = {};  // differences of nearby points, without the body's far-off centre
  const VECTOR3 east = td::VecUnit(td::VecSub(sim::SurfacePoint(body, lat, lon + 1e-7, kMoonRadius),
                                              sim::SurfacePoint(body, lat, lon, kMoonRadius)));
  ExpectNear(td::VecSub(nose_tip, pos), east, 1e-7);
  VECTOR3 back;
  V(v).Global2Local(td::Vec3(1, 2, 3), back);
  V(v).Local2Global(back, back);
  ExpectNear(back, td::Vec3(1, 2, 3), 1e-6);

  double lon_out, lat_out, r;
  EXPECT_TRUE(oapiGetEquPos(v, &lon_out, &lat_out, &r));
  EXPECT_NEAR(lon_out, lon, 1e-12);
  EXPECT_NEAR(lat_out, lat, 1e-12);
  EXPECT_NEAR(r, kMoonRadius + 50, 1e-6);
}

// --- attachments ---

class Attachments : public SimWorld {
 protected:
  OBJHANDLE parent = AddVessel(0.1, 0.2, 0, 0.7);
  OBJHANDLE child = AddVessel(0.1, 0.2, 30, -1.9);
};

TEST_F(Attachments, PointsMeetWithDirectionsOpposedAndRotationsAlike) {
  const VECTOR3 dir_p = td::Vec3(0.2, 1, 0.3), rot_p = td::Vec3(1, 0.4, 0);
  ATTACHMENTHANDLE pp = V(parent).CreateAttachment(false, td::Vec3(1, 2, 3), dir_p, rot_p, "P");
  ATTACHMENTHANDLE cp = V(child).CreateAttachment(true, td::Vec3(0, -1, 0.5), td::Vec3(0, 0, 1),
                                                  td::Vec3(0, 1, 0), "C");
  EXPECT_NE(pp, cp);
  ASSERT_TRUE(V(parent).AttachChild(child, pp, cp));
  VECTOR3 p_point, c_point, p_dir, c_dir, p_rot, c_rot;
  V(parent).Local2Global(td::Vec3(1, 2, 3), p_point);
  V(child).Local2Global(td::Vec3(0, -1, 0.5), c_point);
  ExpectNear(c_point, p_point, 1e-6);
  const sim::Mat3 &rp = world.Vessel(parent)->rot, &rc = world.Vessel(child)->rot;
  p_dir = td::VecUnit(rp.Mul(dir_p));
  c_dir = rc.Mul(td::Vec3(0, 0, 1));
  ExpectNear(c_dir, td::VecScale(p_dir, -1), 1e-12);
  // The parent's rotation vector, freed of its part along the direction, is the child's.
  p_rot =
      td::VecUnit(td::VecSub(rp.Mul(rot_p), td::VecScale(p_dir, td::VecDot(rp.Mul(rot_p), p_dir))));
  c_rot = rc.Mul(td::Vec3(0, 1, 0));
  ExpectNear(c_rot, p_rot, 1e-12);
  EXPECT_EQ(V(child).GetSurfaceRef(), moon);
}

TEST_F(Attachments, MirroredAxesKeepTheChildsAttitude) {
  const sim::Mat3 before = world.Vessel(child)->rot;
  const VECTOR3 child_pos = world.Vessel(child)->pos_global;
  VECTOR3 up_v, x_v;  // the parent's +y and +x axes in the child's frame
  V(child).Global2Local(td::VecAdd(Axis(parent, 1), child_pos), up_v);
  V(child).Global2Local(td::VecAdd(Axis(parent, 0), child_pos), x_v);
  ATTACHMENTHANDLE pp = V(parent).CreateAttachment(false, td::Vec3(0, 5, 0), td::Vec3(0, 1, 0),
                                                   td::Vec3(1, 0, 0), "VBS");
  ATTACHMENTHANDLE cp =
      V(child).CreateAttachment(true, td::Vec3(0, 0, 0), td::VecScale(up_v, -1), x_v, "VBS");
  V(parent).AttachChild(child, pp, cp);
  for (int c = 0; c < 3; ++c) ExpectNear(Axis(child, c), before.Column(c), 1e-7);
  VECTOR3 expected;
  V(parent).Local2Global(td::Vec3(0, 5, 0), expected);
  ExpectNear(world.Vessel(child)->pos_global, expected, 1e-6);

  // The child follows its point at once, and turns with the point's rotation vector.
  V(parent).SetAttachmentParams(pp, td::Vec3(4, 5, 0), td::Vec3(0, 1, 0), td::Vec3(0, 0, -1));
  V(parent).Local2Global(td::Vec3(4, 5, 0), expected);
  ExpectNear(world.Vessel(child)->pos_global, expected, 1e-6);
  VECTOR3 rot_now;
  V(child).Local2Global(x_v, rot_now);
  ExpectNear(td::VecSub(rot_now, expected), td::VecScale(Axis(parent, 2), -1), 1e-7);
}

TEST_F(Attachments, DetachingGivesTheParentsVelocityPlusTheSeparationSpeed) {
  world.Vessel(parent)->vel_global = td::Vec3(1, 2, 3);
  ATTACHMENTHANDLE pp =
      V(parent).CreateAttachment(false, {}, td::Vec3(0, 2, 0), td::Vec3(1, 0, 0), "P");
  ATTACHMENTHANDLE cp =
      V(child).CreateAttachment(true, {}, td::Vec3(0, -1, 0), td::Vec3(1, 0, 0), "C");
  V(parent).AttachChild(child, pp, cp);
  EXPECT_TRUE(V(parent).DetachChild(pp, 3.0));
  ExpectNear(world.Vessel(child)->vel_global,
             td::VecAdd(td::Vec3(1, 2, 3), td::VecScale(Up(parent), 3.0)), 1e-9);
  EXPECT_FALSE(V(parent).DetachChild(pp, 3.0));

  // Attaching elsewhere frees the child from its first parent; deleting a parent frees it.
  const OBJHANDLE other = AddVessel(0.1, 0.2, 100);
  ATTACHMENTHANDLE op =
      V(other).CreateAttachment(false, {}, td::Vec3(0, 1, 0), td::Vec3(1, 0, 0), "O");
  V(parent).AttachChild(child, pp, cp);
  EXPECT_TRUE(V(other).AttachChild(child, op, cp));
  EXPECT_FALSE(V(parent).DetachChild(pp, 0.0));
  world.DeleteVessel(other);
  EXPECT_EQ(world.Vessel(child)->parent, nullptr);
  ASSERT_EQ(world.AttachmentsOf(child).size(), 1u);
  EXPECT_EQ(world.Attachment(cp)->attached, nullptr);
}

// --- physics ---

class Physics : public SimWorld {
 protected:
  void SetUp() override { world.EnablePhysics(true); }
  void Run(double seconds, double dt) {
    for (int i = 0; i < static_cast<int>(std::lround(seconds / dt)); ++i) world.Step(dt);
  }
};

TEST_F(Physics, FreeFallFollowsGravityUntilTheSmoothSphereStopsIt) {
  const OBJHANDLE resting = AddVessel(0.2, 0.1, 2.0, 0, 2.0);
  const OBJHANDLE falling = AddVessel(-0.4, 1.1, 12.0, 0, 2.0);
  const double g = kG * kMoonMass / ((kMoonRadius + 12.0) * (kMoonRadius + 12.0));
  Run(1.0, 0.02);
  EXPECT_NEAR(td::VecDot(world.Vessel(falling)->vel_global, Up(falling)), -g, 1e-3);
  const VECTOR3 start = world.Vessel(resting)->pos_global;
  Run(9.0, 0.02);
  ExpectNear(world.Vessel(resting)->pos_global, start, 1e-6);
  for (OBJHANDLE v : {resting, falling}) {
    const double r =
        td::VecLength(td::VecSub(world.Vessel(v)->pos_global, world.Body(moon)->pos_global));
    EXPECT_NEAR(r, kMoonRadius + 2.0, 1e-6);
    EXPECT_NEAR(td::VecLength(world.Vessel(v)->vel_global), 0.0, 1e-6);
  }
}

TEST_F(Physics, ChildrenAndFixedVesselsIgnoreForces) {
  sim::VesselSpec s;
  s.body = moon;
  s.pos_global = sim::SurfacePoint(*world.Body(moon), 0, 0, kMoonRadius + 500);
  s.fixed_to_body = true;
  const OBJHANDLE carrier = world.AddVessel(s);
  const OBJHANDLE child = AddVessel(0, 0, 600);
  ATTACHMENTHANDLE pp = V(carrier).CreateAttachment(false, td::Vec3(0, 0, 0), td::Vec3(0, 1, 0),
                                                    td::Vec3(1, 0, 0), "P");
  ATTACHMENTHANDLE cp = V(child).CreateAttachment(true, td::Vec3(0, 0, 0), td::Vec3(0, -1, 0),
                                                  td::Vec3(1, 0, 0), "C");
  V(carrier).AttachChild(child, pp, cp);
  const VECTOR3 place = world.Vessel(child)->pos_global;
  V(child).AddForce(td::Vec3(1e6, 0, 0), {});
  Run(1.0, 0.1);
  ExpectNear(world.Vessel(carrier)->pos_global, s.pos_global, 0.0);
  ExpectNear(world.Vessel(child)->pos_global, place, 0.0);
  EXPECT_EQ(world.Events().back().Kind(), sim::EventKind::kAddForce);  // recorded all the same
}

// The host keeps a child at its point: moved away by anything but its parent, it is back at
// the next step, to the bit, though its parent and the points have not changed.
TEST_F(Physics, AChildMovedAwayIsBackAtItsPointAfterTheNextStep) {
  sim::VesselSpec ground;
  ground.name = "ground";
  ground.body = moon;
  ground.pos_global = sim::SurfacePoint(*world.Body(moon), 0.1, 0.2, kMoonRadius);
  ground.rot = sim::UprightAttitude(0.1, 0.2);
  ground.fixed_to_body = true;
  const OBJHANDLE parent = world.AddVessel(ground), child = AddVessel(0.1, 0.2, 30);
  ASSERT_TRUE(V(parent).AttachChild(
      child,
      V(parent).CreateAttachment(false, td::Vec3(1, 2, 3), td::Vec3(0, 1, 0), td::Vec3(1, 0, 0),
                                 "P"),
      V(child).CreateAttachment(true, {}, td::Vec3(0, -1, 0), td::Vec3(1, 0, 0), "C")));
  Run(0.2, 0.1);
  const sim::VesselRecord hung = *world.Vessel(child);
  sim::VesselRecord &moved = *world.Vessel(child);
  moved.pos_global.x += 5.0;
  moved.vel_global.y = 1.0;
  moved.rot = sim::UprightAttitude(0.1, 0.2, 1.0);
  Run(0.1, 0.1);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(moved.pos_global.data[i], hung.pos_global.data[i]);
    EXPECT_EQ(moved.vel_global.data[i], hung.vel_global.data[i]);
    for (int j = 0; j < 3; ++j) EXPECT_EQ(moved.rot.m[i][j], hung.rot.m[i][j]);
  }
}

// The module anchors and releases with new points each time: the points stay on record, and
// only the children hanging now move with their parent, at the same place relative to it.
TEST_F(Physics, OnlyTheChildrenHangingNowAreCarriedHoweverManyPointsWereMade) {
  const OBJHANDLE parent = AddVessel(0, 0, 500), kept = AddVessel(0, 0, 600);
  const OBJHANDLE freed = AddVessel(0, 0, 700), grandchild = AddVessel(0, 0, 800);
  const auto hang = [this](OBJHANDLE p, OBJHANDLE c, double up_m) {
    const ATTACHMENTHANDLE pp = V(p).CreateAttachment(false, td::Vec3(0, up_m, 0),
                                                      td::Vec3(0, 1, 0), td::Vec3(1, 0, 0), "P");
    EXPECT_TRUE(V(p).AttachChild(
        c, pp, V(c).CreateAttachment(true, {}, td::Vec3(0, -1, 0), td::Vec3(1, 0, 0), "C")));
    return pp;
  };
  ATTACHMENTHANDLE freed_point = nullptr;
  for (int i = 0; i < 500; ++i) {
    EXPECT_TRUE(V(parent).DetachChild(hang(parent, kept, 1.0), 0.0));
    freed_point = hang(parent, freed, 2.0);  // moved from the point it hung on
  }
  hang(parent, kept, 3.0);
  hang(kept, grandchild, 4.0);
  EXPECT_TRUE(V(parent).DetachChild(freed_point, 5.0));
  EXPECT_EQ(world.AttachmentsOf(parent).size(), 1001u);

  const auto offset = [this, parent](OBJHANDLE v) {
    return td::VecSub(world.Vessel(v)->pos_global, world.Vessel(parent)->pos_global);
  };
  const VECTOR3 kept_offset = offset(kept), grandchild_offset = offset(grandchild);
  const VECTOR3 freed_offset = offset(freed);
  Run(1.0, 0.1);
  EXPECT_LT(td::VecDot(world.Vessel(parent)->vel_global, Up(parent)), -1.0);
  ExpectNear(offset(kept), kept_offset, 1e-6);
  ExpectNear(world.Vessel(kept)->vel_global, world.Vessel(parent)->vel_global, 0.0);
  ExpectNear(offset(grandchild), grandchild_offset, 1e-6);
  EXPECT_NEAR(td::VecDot(td::VecSub(offset(freed), freed_offset), Up(parent)), 5.0, 0.01);
}

}  // namespace
