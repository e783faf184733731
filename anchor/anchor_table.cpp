#include "anchor/anchor_table.h"

#include "anchor/ground_probe.h"
#include "host/frames.h"
#include "host/terrain.h"
#include "math/finite.h"
#include "math/vector.h"

namespace td {

VESSEL *g_carrier = nullptr;
OBJHANDLE g_anchorVessel[kAnchorSlotCount];
ATTACHMENTHANDLE g_anchorChildPoint[kAnchorSlotCount];
ATTACHMENTHANDLE g_anchorCarrierPoint[kAnchorSlotCount];

void ClearAnchorTable() {
  for (OBJHANDLE &vessel : g_anchorVessel) vessel = nullptr;
}

namespace {

// The lowest slot from `first` on whose vessel handle is exactly `entry` (null: a free slot),
// or -1. Every vessel of every step comes through here, most of them not anchored, so the
// whole table is walked; unrolled, the compares of ten slots do not each wait on a loop branch.
int FirstSlotHolding(OBJHANDLE entry, int first = 0) {
#pragma GCC unroll 10
  for (int slot = first; slot < kAnchorSlotCount; ++slot) {
    if (g_anchorVessel[slot] == entry) return slot;
  }
  return -1;
}

}  // namespace

int FindAnchorSlot(OBJHANDLE vessel) {
  // A null handle would match every free slot; no live vessel has one.
  if (vessel == nullptr) return -1;
  return FirstSlotHolding(vessel);
}

void AnchorVessel(VESSEL *vessel) {
  int usedBelow = 0;
  AnchorVesselFoundIn(vessel, nullptr, -1, usedBelow);
}

void AnchorVesselFoundIn(VESSEL *vessel, OBJHANDLE foundHandle, int foundSlot, int &usedBelow) {
  VESSEL *const carrier = g_carrier;
  if (carrier == nullptr) return;
  const OBJHANDLE handle = vessel->GetHandle();
  if (handle == nullptr) return;

  // Called for every resting vessel in every step: the common case, a vessel already
  // anchored, costs the host's handle and at most one walk over the table.
  const bool anchored = handle == foundHandle ? foundSlot >= 0 : FindAnchorSlot(handle) >= 0;
  if (anchored) return;
  const int freeSlot = FirstSlotHolding(nullptr, usedBelow);
  usedBelow = freeSlot < 0 ? kAnchorSlotCount : freeSlot;
  if (freeSlot < 0 || !TerrainBound()) return;

  VECTOR3 pos_global, carrier_global;
  vessel->GetGlobalPos(pos_global);
  carrier->GetGlobalPos(carrier_global);

  // The carrier's +y and +x axes, first as global directions, then in the vessel's axes: the
  // child-side point built from them makes the host attach the vessel in the attitude it has.
  const VECTOR3 carrierUp_global = DirLocalToGlobal(*carrier, carrier_global, Vec3(0, 1, 0));
  const VECTOR3 carrierX_global = DirLocalToGlobal(*carrier, carrier_global, Vec3(1, 0, 0));
  const VECTOR3 carrierUp_local = DirGlobalToLocal(*vessel, pos_global, carrierUp_global);
  const VECTOR3 carrierX_local = DirGlobalToLocal(*vessel, pos_global, carrierX_global);

  VECTOR3 drop_global;
  double terrainAlt_m;
  ProbeGround(*vessel, drop_global, terrainAlt_m);
  const VECTOR3 rest_global = VecAdd(pos_global, drop_global);
  VECTOR3 rest_carrier;
  carrier->Global2Local(rest_global, rest_carrier);

  // Over terrain that is not a number, or with a host state that is not finite, there is no
  // place to put the vessel; attachment points must never hold such values.
  if (!IsFinite(drop_global) || !IsFinite(rest_carrier) || !IsFinite(carrierUp_local) ||
      !IsFinite(carrierX_local)) {
    return;
  }

  g_anchorVessel[freeSlot] = handle;
  const VECTOR3 down_local = Vec3(-carrierUp_local.x, -carrierUp_local.y, -carrierUp_local.z);
  g_anchorChildPoint[freeSlot] = vessel->CreateAttachment(true, Vec3(0, 0, 0), down_local,
                                                          carrierX_local, kAnchorPointId, false);
  g_anchorCarrierPoint[freeSlot] = carrier->CreateAttachment(false, rest_carrier, Vec3(0, 1, 0),
                                                             Vec3(1, 0, 0), kAnchorPointId, false);
  carrier->AttachChild(handle, g_anchorCarrierPoint[freeSlot], g_anchorChildPoint[freeSlot]);
}

void ReleaseSlot(int slot, double separation_mps) {
  if (g_carrier == nullptr) return;
  g_carrier->DetachChild(g_anchorCarrierPoint[slot], separation_mps);
  g_anchorVessel[slot] = nullptr;
}

void ReleaseVessel(VESSEL *vessel, double separation_mps) {
  if (g_carrier == nullptr) return;
  const int slot = FindAnchorSlot(vessel->GetHandle());
  if (slot < 0) return;
  ReleaseSlot(slot, separation_mps);
}

void PruneAnchorTable() {
  for (OBJHANDLE &vessel : g_anchorVessel) {
    if (vessel != nullptr && !oapiIsVessel(vessel)) vessel = nullptr;
  }
}

}  // namespace td
