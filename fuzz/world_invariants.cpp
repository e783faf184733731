#include "fuzz/world_invariants.h"

#include <cstdio>
#include <cstdlib>

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

void CheckHostCalls(Scene &s) {
  for (const sim::HostEvent &e : s.world.Events()) {
    switch (e.kind) {
      case sim::EventKind::kAddForce:
        if (!td::IsFinite(e.v[0]) || !td::IsFinite(e.v[1])) Finding(s, "a force is not finite");
        break;
      case sim::EventKind::kCreateAttachment:
      case sim::EventKind::kSetAttachmentParams:
        for (const VECTOR3 &v : e.v) {
          if (!td::IsFinite(v)) Finding(s, "an attachment parameter is not finite");
        }
        break;
      case sim::EventKind::kAttachChild:
        if (!e.flag[0]) Finding(s, "the host refused an AttachChild");
        break;
      case sim::EventKind::kDetachChild: {
        const sim::AttachmentRecord *point = s.world.Attachment(e.att[0]);
        if (point == nullptr || point->owner != e.vessel) {
          Finding(s, "DetachChild with an attachment point of another vessel");
        }
        if (!e.flag[0]) Finding(s, "DetachChild found no child to detach");
        break;
      }
      default:
        break;
    }
  }
  s.world.ClearEvents();
}

}  // namespace

void CheckAfterStep(Scene &scene) {
  CheckSlots(scene);
  CheckHostCalls(scene);
}

}  // namespace tdfuzz
