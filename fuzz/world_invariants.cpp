#include "fuzz/world_invariants.h"

#include <cstdio>
#include <cstdlib>
#include <variant>

#include "anchor/anchor_table.h"
#include "math/finite.h"
#include "module/test_access.h"

namespace tdfuzz {

namespace {

[[noreturn]] void Finding(const Scene &scene, const char *what) {
  std::fprintf(stderr, "invariant broken after step %d: %s\n", scene.steps, what);
  std::abort();
}

void CheckSlots(Scene &s) {
  const OBJHANDLE carrier = td::StepCarrier() != nullptr ? td::StepCarrier()->GetHandle() : nullptr;
  for (int slot = 0; slot < td::kAnchorSlotCount; ++slot) {
    const OBJHANDLE vessel = td::test_access::SlotVessel(slot);
    if (vessel == nullptr) continue;
    for (int other = slot + 1; other < td::kAnchorSlotCount; ++other) {
      if (td::test_access::SlotVessel(other) == vessel)
        Finding(s, "a vessel stands in two anchor slots");
    }
    const sim::VesselRecord *v = s.world.Vessel(vessel);
    if (v == nullptr) continue;  // gone: its slot is freed by the next step's pruning
    if (carrier == nullptr || v->parent != carrier) {
      Finding(s, "an anchored vessel does not hang on the carrier");
    }
    if (v->parent_point != td::test_access::SlotCarrierPoint(slot)) {
      Finding(s, "an anchored vessel hangs on another point than its slot's");
    }
  }
  if (s.restarted) return;
  for (OBJHANDLE handle : s.world.LiveVessels()) {
    if (s.world.Vessel(handle)->parent != nullptr && td::FindAnchorSlot(handle) < 0) {
      Finding(s, "a vessel hangs on a carrier without an anchor slot");
    }
  }
}

// What a sound module's calls look like, by kind.
struct SoundCall {
  Scene &s;
  void operator()(const sim::AddForceEvent &c) {
    if (!td::IsFinite(c.force_N) || !td::IsFinite(c.point_m)) Finding(s, "a force is not finite");
  }
  void operator()(const sim::CreateAttachmentEvent &c) { Params(c.pos, c.dir, c.rot); }
  void operator()(const sim::SetAttachmentParamsEvent &c) { Params(c.pos, c.dir, c.rot); }
  void operator()(const sim::AttachChildEvent &c) {
    if (!c.result) Finding(s, "the host refused an AttachChild");
  }
  void operator()(const sim::DetachChildEvent &c) {
    const sim::AttachmentRecord *point = s.world.Attachment(c.point);
    if (point == nullptr || point->owner != c.parent) {
      Finding(s, "DetachChild with an attachment point of another vessel");
    }
    if (!c.result) Finding(s, "DetachChild found no child to detach");
  }
  template <class Other>
  void operator()(const Other &) {}
  void Params(const VECTOR3 &pos, const VECTOR3 &dir, const VECTOR3 &rot) {
    if (!td::IsFinite(pos) || !td::IsFinite(dir) || !td::IsFinite(rot)) {
      Finding(s, "an attachment parameter is not finite");
    }
  }
};

void CheckHostCalls(Scene &s) {
  for (const sim::HostEvent &e : s.world.Events()) std::visit(SoundCall{s}, e.call);
  s.world.ClearEvents();
}

}  // namespace

void CheckAfterStep(Scene &scene) {
  CheckSlots(scene);
  CheckHostCalls(scene);
}

}  // namespace tdfuzz
