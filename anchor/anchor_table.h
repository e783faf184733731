// The carrier of the current step and the anchor table: which vessels hang on the carrier,
// and through which pair of "VBS" attachment points. A slot is in use exactly when its vessel
// handle is not null; a vessel stands in at most one slot; anchoring always takes the lowest
// free slot. The table holds handles only: vessels and attachment points belong to the host,
// and no attachment point is ever deleted.
#pragma once

#include "host/orbiter_api.h"

namespace td {

inline constexpr int kAnchorSlotCount = 100;
inline constexpr const char kAnchorPointId[] = "VBS";
// Releases by the user, by a strayed focus and by a change of carrier let the vessel go
// without a push.
inline constexpr double kNoSeparation_mps = 0.0;

// Makes `carrier` (the vessel of class "DynamicPlanet" that stands for the ground in this
// step, or null) the carrier of the step. When it is not the one the anchored vessels were
// attached to, every slot is freed, the vessels first detached from the former carrier if it
// still exists: the slots' points belong to it, and no other vessel may be handed them.
void UseCarrier(VESSEL *carrier);
// This step's carrier, or null.
VESSEL *StepCarrier();

// Frees every slot (the attachment columns keep their values) and forgets the step's carrier
// and the one the anchored vessels hung on, calling nothing: the module's start-up, and a
// session's end, when the host has destroyed them all.
void ResetAnchorTable();

// The lowest slot holding the vessel, or -1 when it is not anchored.
int FindAnchorSlot(OBJHANDLE vessel);
// The carrier-side attachment point of a slot in use.
ATTACHMENTHANDLE AnchorCarrierPoint(int slot);

// Attaches a resting vessel to the carrier in its current attitude, lifted or lowered along
// the line through its body's centre so its touchdown plane lies on the terrain. Does
// nothing without a carrier or terrain function, for a vessel already anchored, when the
// table is full, or when the placement would not be a finite one.
void AnchorVessel(VESSEL *vessel);
// The same, for a caller that has just found `found_handle` in `found_slot` (-1: in no slot)
// and changed nothing since: while the host still gives that handle, the answer is taken
// instead of walking the table again.
void AnchorVesselFoundIn(VESSEL *vessel, OBJHANDLE found_handle, int found_slot);

// Detaches the vessel from the carrier with the given separation speed (m/s) and frees its
// slot. Nothing happens without a carrier or when the vessel is not anchored.
void ReleaseVessel(VESSEL *vessel, double separation_mps);
void ReleaseSlot(int slot, double separation_mps);
// Releases, with no separation speed, every anchored vessel that still exists.
void ReleaseEveryAnchored();

// Frees, without detaching anything, the slots of vessels that have left the simulation.
void PruneAnchorTable();

}  // namespace td
