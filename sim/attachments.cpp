// Attachment points and the alignment rule: a child hangs with its own point on its
// parent's point, its point's direction against the parent's, the two rotation vectors
// alike; the host keeps it there until it is detached.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "math/bit_diff.h"
#include "math/vector.h"
#include "module/td_assert.h"
#include "sim/world_impl.h"

namespace sim {

namespace {

VECTOR3 Normalised(const VECTOR3 &v) { return td::VecScale(v, 1.0 / td::VecLength(v)); }

// An orthonormal basis from a direction and a rotation vector, the rotation vector made
// perpendicular to the direction. Both sides of an attachment are built this way, so that
// mapping one basis onto the other turns direction onto direction and rotation onto rotation.
Mat3 PointBasis(const VECTOR3 &dir, const VECTOR3 &rot) {
  constexpr double kTiny = 1e-12;
  const VECTOR3 d = td::VecLength(dir) > kTiny ? Normalised(dir) : td::Vec3(0.0, 1.0, 0.0);
  VECTOR3 r = td::VecSub(rot, td::VecScale(d, td::VecDot(rot, d)));
  if (!(td::VecLength(r) > kTiny)) {
    // A rotation vector along the direction fixes nothing: any perpendicular will do.
    const VECTOR3 axis = std::fabs(d.x) < 0.9 ? td::Vec3(1.0, 0.0, 0.0) : td::Vec3(0.0, 0.0, 1.0);
    r = td::VecSub(axis, td::VecScale(d, td::VecDot(axis, d)));
  }
  r = Normalised(r);
  return Mat3::FromColumns(d, r, td::VecCross(d, r));
}

bool IsAncestor(World::Impl &w, OBJHANDLE candidate, const VesselRecord &v) {
  for (const VesselRecord *p = w.LiveVessel(v.parent); p != nullptr; p = w.LiveVessel(p->parent)) {
    if (p->handle == candidate) return true;
  }
  return false;
}

// What the real host does not check about attaching `child` by point `cp` to `parent`'s point
// `pp`; refused are the calls whose outcome this world cannot hold (its tables would name the
// dead, or the carrying would go round in a circle).
HostWarning AttachWarning(World::Impl &w, OBJHANDLE parent_handle, const VesselRecord *parent,
                          OBJHANDLE child, const VesselRecord *c, const AttachmentRecord *pp,
                          const AttachmentRecord &cp) {
  if (parent == nullptr || c == nullptr || c == parent || pp == nullptr ||
      IsAncestor(w, child, *parent)) {
    return HostWarning::kRefused;
  }
  if (pp->owner != parent_handle || pp->toparent || cp.owner != child || !cp.toparent) {
    return HostWarning::kForeignPoint;
  }
  if (pp->attached != nullptr && pp->attached != child) return HostWarning::kOccupiedPoint;
  return HostWarning::kNone;
}

// The host code's detaching: the child keeps its own start-of-step position, written into the
// new state, and its own start-of-step velocity plus the push along its parent's point. (The
// parent's spin carried to the point is nothing here: vessels do not turn.)
void ReleaseAsHost(World::Impl &w, VesselRecord &child, double vel) {
  VECTOR3 push{};
  const VesselRecord *parent = w.LiveVessel(child.parent);
  const AttachmentRecord *pp = w.Attachment(child.parent_point);
  if (parent != nullptr && pp != nullptr && td::VecLength(pp->dir) > 0.0) {
    push = td::VecScale(StartRot(w, *parent).Mul(Normalised(pp->dir)), vel);
  }
  FreezeSurface(w, child);
  KeepStart(w, child);
  const VECTOR3 pos = StartPos(w, child);
  const VECTOR3 vel_global = td::VecAdd(StartVel(w, child), push);
  FreeChild(w, child, vel_global);
  child.pos_global = pos;
}

ATTACHMENTHANDLE PointHandle(const AttachmentRecord &point) {
  return static_cast<ATTACHMENTHANDLE>(
      MakeHandle(HandleKind::kAttachment, static_cast<uint64_t>(point.serial)));
}

// The child hangs on the parent by the two points from now on. The host's code only records
// the place and leaves the placing to the parent's next update; the manual's host places the
// child at once.
void Attach(World::Impl &w, VesselRecord &parent, VesselRecord &child,
            AttachmentRecord &parent_point, AttachmentRecord &child_point, bool host_code) {
  if (host_code) FreezeSurface(w, child);
  if (child.parent != nullptr) {
    if (host_code) {
      ReleaseAsHost(w, child, 0.0);
    } else {
      FreeChild(w, child, child.vel_global);
    }
  }
  parent_point.attached = child.handle;
  child_point.attached = parent.handle;
  child.parent = parent.handle;
  TD_ASSERT(std::find(parent.children.begin(), parent.children.end(), child.handle) ==
            parent.children.end());
  if (parent.children.empty()) w.parents.push_back(&parent);
  parent.children.push_back(child.handle);
  child.parent_point = PointHandle(parent_point);
  child.own_point = PointHandle(child_point);
  child.attached_step = w.CallStep();
  if (host_code) {
    // Placed, and its forces thrown away, by its parent's next update.
    child.placed.parent_state = 0;
  } else {
    child.force_sum_local_N = VECTOR3{};
    PlaceChildAfresh(w, child);
  }
}

using td::BitDiff;

// Every part compared, without a branch between them: they are nearly always all equal.
uint64_t BitDiff(const Pose &pose, const Mat3 &rot, const VECTOR3 &pos, const VECTOR3 &vel) {
  uint64_t diff = BitDiff(pose.pos, pos) | BitDiff(pose.vel, vel);
  for (int row = 0; row < 3; ++row) {
    for (int col = 0; col < 3; ++col) diff |= BitDiff(pose.rot.m[row][col], rot.m[row][col]);
  }
  return diff;
}

// The number of the parent's pose as it is now. Placed again from the very same numbers, a
// child would land on the very same bits, so a child placed from this number need not be
// placed again; most children hang on a carrier that never moves. The pose is compared
// here, once for all of a parent's children, rather than trusted to have been kept.
uint64_t ParentState(World::Impl &w, VesselRecord &parent) {
  if (parent.carried_state == 0 ||
      BitDiff(parent.carried, parent.rot, parent.pos_global, parent.vel_global) != 0) {
    parent.carried = {parent.rot, parent.pos_global, parent.vel_global};
    parent.carried_state = ++w.parent_states;
  }
  return parent.carried_state;
}

// The two points a child hangs by change only through SetAttachmentParams and AttachChild,
// which place the child afresh; so a child stays where it is as long as its parent's pose is
// the one it was placed from and nothing else has moved the child itself. Points are never
// taken off the record, so the two a child was placed by are there still.
void PlaceOn(World::Impl &w, const VesselRecord &parent, uint64_t parent_state,
             VesselRecord &child) {
  TD_ASSERT(child.parent == parent.handle);
  if (child.placed.parent_state != parent_state ||
      BitDiff(child.placed.pose, child.rot, child.pos_global, child.vel_global) != 0) {
    if (child.placed.parent_state == 0) {
      const AttachmentRecord *pp = w.Attachment(child.parent_point);
      const AttachmentRecord *cp = w.Attachment(child.own_point);
      if (pp == nullptr || cp == nullptr) return;
      const Mat3 target = PointBasis(td::VecScale(pp->dir, -1.0), pp->rot);
      child.placed.rel_rot = target.Mul(PointBasis(cp->dir, cp->rot).Transposed());
      child.placed.rel_pos = td::VecSub(pp->pos, child.placed.rel_rot.Mul(cp->pos));
    }
    KeepStart(w, child);
    child.rot = parent.rot.Mul(child.placed.rel_rot);
    child.pos_global = td::VecAdd(parent.pos_global, parent.rot.Mul(child.placed.rel_pos));
    child.vel_global = parent.vel_global;
    child.placed.parent_state = parent_state;
    child.placed.pose = {child.rot, child.pos_global, child.vel_global};
  }
  TD_ASSERT(w.Attachment(child.parent_point) != nullptr &&
            w.Attachment(child.own_point) != nullptr);
  if (!child.children.empty()) CarryChildren(w, child);
}

}  // namespace

void PlaceChildAfresh(World::Impl &w, VesselRecord &child) {
  VesselRecord *parent = w.LiveVessel(child.parent);
  if (parent == nullptr) return;
  child.placed.parent_state = 0;
  PlaceOn(w, *parent, ParentState(w, *parent), child);
}

void CarryChildren(World::Impl &w, VesselRecord &parent) {
  const uint64_t state = ParentState(w, parent);
  for (const OBJHANDLE handle : parent.children) {
    if (VesselRecord *child = w.LiveVessel(handle)) PlaceOn(w, parent, state, *child);
  }
}

void FreeChild(World::Impl &w, VesselRecord &child, const VECTOR3 &vel_global) {
  // Let go while landed, it stays landed where it hung as the last update placed it.
  if (child.landed) {
    if (const BodySpec *body = w.Body(w.SurfaceRef(child))) FixToBody(child, *body);
  }
  if (VesselRecord *parent = w.LiveVessel(child.parent)) {
    std::vector<OBJHANDLE> &siblings = parent->children;
    const auto it = std::find(siblings.begin(), siblings.end(), child.handle);
    TD_ASSERT(it != siblings.end());  // a live parent always lists the children it carries
    if (it != siblings.end()) siblings.erase(it);
    if (siblings.empty()) std::erase(w.parents, parent);
  }
  // A point the host let another child take since names that one; the host checks no
  // occupancy, so only the start-of-step order gets here with another name on a point.
  if (AttachmentRecord *pp = w.Attachment(child.parent_point)) {
    TD_ASSERT(pp->attached == child.handle || w.order == PostStepSees::kStartOfStep);
    if (pp->attached == child.handle) pp->attached = nullptr;
  }
  if (AttachmentRecord *cp = w.Attachment(child.own_point)) {
    TD_ASSERT(cp->attached == child.parent || w.order == PostStepSees::kStartOfStep);
    if (cp->attached == child.parent) cp->attached = nullptr;
  }
  KeepStart(w, child);
  child.parent = nullptr;
  child.parent_point = nullptr;
  child.own_point = nullptr;
  child.vel_global = vel_global;
}

uint64_t World::HostWarnings(HostWarning warning) const {
  return impl_->warnings[static_cast<size_t>(warning)];
}

}  // namespace sim

using sim::World;

ATTACHMENTHANDLE VESSEL::CreateAttachment(bool toparent, const VECTOR3 &pos, const VECTOR3 &dir,
                                          const VECTOR3 &rot, const char *id, bool loose) const {
  World::Impl *w = sim::HostQuery();
  if (w == nullptr || sim::ModuleVessel(*w, hVessel_, __func__) == nullptr) return nullptr;
  sim::AttachmentRecord a;
  a.owner = hVessel_;
  a.toparent = toparent;
  a.pos = pos;
  a.dir = dir;
  a.rot = rot;
  a.id = id != nullptr ? id : "";
  a.loose = loose;
  a.serial = static_cast<int>(w->attachments.Size()) + 1;
  w->attachments.PushBack(a);
  ATTACHMENTHANDLE handle = sim::MakeHandle(sim::HandleKind::kAttachment, a.serial);
  if (!w->Recording()) return handle;

  w->Record(sim::CreateAttachmentEvent{hVessel_, toparent, pos, dir, rot, a.id, loose, handle});
  return handle;
}

bool VESSEL::AttachChild(OBJHANDLE child, ATTACHMENTHANDLE attachment,
                         ATTACHMENTHANDLE child_attachment) const {
  World::Impl *w = sim::HostQuery();
  if (w == nullptr) return false;
  sim::VesselRecord *parent = sim::ModuleVessel(*w, hVessel_, __func__);
  sim::VesselRecord *c = sim::ModuleVessel(*w, child, __func__);
  sim::AttachmentRecord *pp = sim::ModulePoint(*w, attachment, __func__);
  sim::AttachmentRecord *cp = sim::ModulePoint(*w, child_attachment, __func__);
  // The host's code only records the place; the manual's host moves the child at once and
  // refuses what does not fit.
  const bool host_code = w->order == sim::PostStepSees::kStartOfStep;
  const sim::HostWarning warning =
      cp == nullptr ? sim::HostWarning::kNone
                    : sim::AttachWarning(*w, hVessel_, parent, child, c, pp, *cp);
  const bool ok = cp != nullptr && (warning == sim::HostWarning::kNone ||
                                    (host_code && warning != sim::HostWarning::kRefused));
  if (ok) sim::Attach(*w, *parent, *c, *pp, *cp, host_code);
  ++w->warnings[static_cast<size_t>(warning)];
  if (!w->Recording()) return ok;
  w->Record(sim::AttachChildEvent{hVessel_, child, attachment, child_attachment, ok}, warning);
  return ok;
}

bool VESSEL::DetachChild(ATTACHMENTHANDLE attachment, double vel) const {
  World::Impl *w = sim::HostQuery();
  if (w == nullptr) return false;
  const sim::VesselRecord *parent = sim::ModuleVessel(*w, hVessel_, __func__);
  const sim::AttachmentRecord *pp = sim::ModulePoint(*w, attachment, __func__);
  sim::VesselRecord *child = pp != nullptr ? w->LiveVessel(pp->attached) : nullptr;
  // The child that hangs on this vessel by that point: whatever point the host let it take.
  const bool ok = parent != nullptr && child != nullptr && child->parent == hVessel_ &&
                  child->parent_point == attachment;
  if (ok) {
    if (child->attached_step == w->CallStep()) child->undone_step = w->CallStep();
    if (w->order == sim::PostStepSees::kStartOfStep) {
      sim::ReleaseAsHost(*w, *child, vel);
    } else {
      const VECTOR3 along = td::VecLength(pp->dir) > 0.0 ? sim::Normalised(pp->dir) : VECTOR3{};
      const VECTOR3 push = td::VecScale(parent->rot.Mul(along), vel);
      sim::FreeChild(*w, *child, td::VecAdd(parent->vel_global, push));
    }
  }
  if (!w->Recording()) return ok;
  w->Record(sim::DetachChildEvent{hVessel_, attachment, vel, ok});
  return ok;
}

void VESSEL::GetAttachmentParams(ATTACHMENTHANDLE attachment, VECTOR3 &pos, VECTOR3 &dir,
                                 VECTOR3 &rot) const {
  World::Impl *w = sim::HostQuery();
  const sim::AttachmentRecord *a =
      w != nullptr ? sim::ModulePoint(*w, attachment, __func__) : nullptr;
  if (a == nullptr || a->owner != hVessel_) {
    pos = dir = rot = VECTOR3{};
    return;
  }
  pos = a->pos;
  dir = a->dir;
  rot = a->rot;
}

void VESSEL::SetAttachmentParams(ATTACHMENTHANDLE attachment, const VECTOR3 &pos,
                                 const VECTOR3 &dir, const VECTOR3 &rot) const {
  World::Impl *w = sim::HostQuery();
  if (w == nullptr) return;
  sim::AttachmentRecord *a = sim::ModulePoint(*w, attachment, __func__);
  if (a != nullptr && a->owner == hVessel_ &&
      sim::ModuleVessel(*w, hVessel_, __func__) != nullptr) {
    a->pos = pos;
    a->dir = dir;
    a->rot = rot;
    // The child on the other side follows at once, whichever side's point moved.
    sim::VesselRecord *child = a->toparent ? w->LiveVessel(hVessel_) : w->LiveVessel(a->attached);
    if (a->attached != nullptr && child != nullptr) sim::PlaceChildAfresh(*w, *child);
  }
  if (!w->Recording()) return;
  w->Record(sim::SetAttachmentParamsEvent{hVessel_, attachment, pos, dir, rot});
}
