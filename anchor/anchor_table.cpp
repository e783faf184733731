#include "anchor/anchor_table.h"

#include "anchor/anchor_index.h"
#include "anchor/ground_probe.h"
#include "host/frames.h"
#include "host/terrain.h"
#include "math/finite.h"
#include "math/vector.h"
#include "module/module_state.h"
#include "module/td_assert.h"

namespace td {

namespace {

AnchorTableState &Table() { return g_module_state.anchors; }

// The carrier's own axes, which every carrier-side point is built from.
const VECTOR3 kUp_carrier = {{0.0, 1.0, 0.0}};
const VECTOR3 kX_carrier = {{1.0, 0.0, 0.0}};
const VECTOR3 kOrigin_local = {{0.0, 0.0, 0.0}};

bool IsSlot(int slot) { return slot >= 0 && slot < kAnchorSlotCount; }

// The lowest slot from `first` on whose vessel handle is exactly `entry` (null: a free slot),
// or -1. Unrolled, the compares of ten slots do not each wait on a loop branch.
int FirstSlotHolding(OBJHANDLE entry, int first = 0) {
  // The array itself, not a pointer to it: the sanitizer builds check every index against
  // its bound.
  const OBJHANDLE(&vessel)[kAnchorSlotCount] = Table().vessel;
#pragma GCC unroll 10
  for (int slot = first; slot < kAnchorSlotCount; ++slot) {
    if (vessel[slot] == entry) return slot;
  }
  return -1;
}

// Debug builds only: walks the whole table.
bool HeldOnce(OBJHANDLE handle) {
  int count = 0;
  for (const OBJHANDLE vessel : Table().vessel) count += vessel == handle ? 1 : 0;
  return count == 1;
}

bool MarkHolds() {
  for (int slot = 0; slot < Table().used_below; ++slot) {
    if (Table().vessel[slot] == nullptr) return false;
  }
  return true;
}

// Frees a slot, keeping the mark below which every slot is in use true.
void FreeSlot(int slot) {
  TD_ASSERT(IsSlot(slot));
  AnchorTableState &table = Table();
  UnindexSlot(table, slot);
  table.vessel[slot] = nullptr;
  if (slot < table.used_below) table.used_below = slot;
}

// The lowest free slot, or -1 when the table is full.
int TakeFreeSlot() {
  TD_ASSERT(MarkHolds());
  const int free_slot = FirstSlotHolding(nullptr, Table().used_below);
  Table().used_below = free_slot < 0 ? kAnchorSlotCount : free_slot;
  return free_slot;
}

// Puts the vessel's touchdown plane on the terrain below it, in the attitude it has, by a pair
// of points on the vessel and on the carrier, and records them in `slot`.
void AttachInSlot(int slot, VESSEL &vessel, OBJHANDLE handle, VESSEL &carrier) {
  VECTOR3 pos_global, carrier_global;
  vessel.GetGlobalPos(pos_global);
  carrier.GetGlobalPos(carrier_global);

  // The carrier's +y and +x axes, first as global directions, then in the vessel's axes: the
  // child-side point built from them makes the host attach the vessel in the attitude it has.
  const VECTOR3 carrier_up_global = DirLocalToGlobal(carrier, carrier_global, kUp_carrier);
  const VECTOR3 carrier_x_global = DirLocalToGlobal(carrier, carrier_global, kX_carrier);
  const VECTOR3 carrier_up_local = DirGlobalToLocal(vessel, pos_global, carrier_up_global);
  const VECTOR3 carrier_x_local = DirGlobalToLocal(vessel, pos_global, carrier_x_global);

  VECTOR3 drop_global;
  double terrain_alt_m;
  ProbeGround(vessel, drop_global, terrain_alt_m);
  const VECTOR3 rest_global = VecAdd(pos_global, drop_global);
  VECTOR3 rest_carrier;
  carrier.Global2Local(rest_global, rest_carrier);

  // Over terrain that is not a number, or with a host state that is not finite, there is no
  // place to put the vessel; attachment points must never hold such values.
  if (!IsFinite(drop_global) || !IsFinite(rest_carrier) || !IsFinite(carrier_up_local) ||
      !IsFinite(carrier_x_local)) {
    return;
  }

  AnchorTableState &table = Table();
  table.vessel[slot] = handle;
  IndexSlot(table, slot);
  const VECTOR3 down_local = Vec3(-carrier_up_local.x, -carrier_up_local.y, -carrier_up_local.z);
  table.child_point[slot] = vessel.CreateAttachment(true, kOrigin_local, down_local,
                                                    carrier_x_local, kAnchorPointId, false);
  table.carrier_point[slot] =
      carrier.CreateAttachment(false, rest_carrier, kUp_carrier, kX_carrier, kAnchorPointId, false);
  carrier.AttachChild(handle, table.carrier_point[slot], table.child_point[slot]);
  TD_ASSERT(HeldOnce(handle));
}

}  // namespace

void UseCarrier(VESSEL *carrier) {
  AnchorTableState &table = Table();
  table.carrier = carrier;
  const OBJHANDLE current = carrier != nullptr ? carrier->GetHandle() : nullptr;
  if (current == table.slots_carrier) return;
  // The former carrier has left the simulation (the host let go of its children then), or is
  // no longer the first of its class. Either way its points are no use to the new one.
  if (table.slots_carrier != nullptr) {
    VESSEL *former =
        oapiIsVessel(table.slots_carrier) ? oapiGetVesselInterface(table.slots_carrier) : nullptr;
    for (int slot = 0; slot < kAnchorSlotCount; ++slot) {
      const OBJHANDLE vessel = table.vessel[slot];
      if (vessel == nullptr) continue;
      if (former != nullptr && oapiIsVessel(vessel)) {
        former->DetachChild(table.carrier_point[slot], kNoSeparation_mps);
      }
      FreeSlot(slot);
    }
  }
  table.slots_carrier = current;
}

VESSEL *StepCarrier() { return Table().carrier; }

void ResetAnchorTable() {
  for (OBJHANDLE &vessel : Table().vessel) vessel = nullptr;
  ClearIndex(Table());
  Table().used_below = 0;
  Table().carrier = nullptr;
  Table().slots_carrier = nullptr;
}

int FindAnchorSlot(OBJHANDLE vessel) {
  // A null handle would match every free slot; no live vessel has one.
  if (vessel == nullptr) return -1;
  const int slot = IndexedSlot(Table(), vessel);
  // A vessel stands in one slot at most, so the index's slot is the lowest holding it.
  TD_ASSERT(slot == FirstSlotHolding(vessel));
  return slot;
}

ATTACHMENTHANDLE AnchorCarrierPoint(int slot) {
  TD_ASSERT(IsSlot(slot) && Table().vessel[slot] != nullptr);
  return Table().carrier_point[slot];
}

void AnchorVessel(VESSEL *vessel) { AnchorVesselFoundIn(vessel, nullptr, -1); }

void AnchorVesselFoundIn(VESSEL *vessel, OBJHANDLE found_handle, int found_slot) {
  TD_ASSERT(found_slot == -1 || IsSlot(found_slot));
  VESSEL *const carrier = Table().carrier;
  if (carrier == nullptr) return;
  const OBJHANDLE handle = vessel->GetHandle();
  if (handle == nullptr) return;

  // Called for every resting vessel in every step: the common case, a vessel already
  // anchored, costs the host's handle and at most one look in the index.
  const bool anchored = handle == found_handle ? found_slot >= 0 : FindAnchorSlot(handle) >= 0;
  if (anchored) return;
  const int free_slot = TakeFreeSlot();
  if (free_slot < 0 || !TerrainBound()) return;
  AttachInSlot(free_slot, *vessel, handle, *carrier);
}

void ReleaseSlot(int slot, double separation_mps) {
  TD_ASSERT(IsSlot(slot) && Table().vessel[slot] != nullptr);
  VESSEL *const carrier = Table().carrier;
  if (carrier == nullptr) return;
  carrier->DetachChild(Table().carrier_point[slot], separation_mps);
  FreeSlot(slot);
}

void ReleaseVessel(VESSEL *vessel, double separation_mps) {
  const int slot = FindAnchorSlot(vessel->GetHandle());
  if (slot < 0) return;
  ReleaseSlot(slot, separation_mps);
}

void ReleaseEveryAnchored() {
  for (int slot = 0; slot < kAnchorSlotCount; ++slot) {
    const OBJHANDLE vessel = Table().vessel[slot];
    // Vessels that have gone are left to the pruning: there is nothing to detach.
    if (vessel != nullptr && oapiIsVessel(vessel)) ReleaseSlot(slot, kNoSeparation_mps);
  }
}

void PruneAnchorTable() {
  for (int slot = 0; slot < kAnchorSlotCount; ++slot) {
    const OBJHANDLE vessel = Table().vessel[slot];
    if (vessel != nullptr && !oapiIsVessel(vessel)) FreeSlot(slot);
  }
}

}  // namespace td
