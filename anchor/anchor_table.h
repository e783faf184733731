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

// The vessel of class "DynamicPlanet" that stands for the ground in this step, or null. Set
// by the step driver at the start of every step.
extern VESSEL *g_carrier;

// Three parallel columns, one entry per slot.
extern OBJHANDLE g_anchorVessel[kAnchorSlotCount];
extern ATTACHMENTHANDLE g_anchorChildPoint[kAnchorSlotCount];
extern ATTACHMENTHANDLE g_anchorCarrierPoint[kAnchorSlotCount];

// Frees every slot; the attachment columns keep their values.
void ClearAnchorTable();

// The lowest slot holding the vessel, or -1 when it is not anchored.
int FindAnchorSlot(OBJHANDLE vessel);

// Attaches a resting vessel to the carrier in its current attitude, lifted or lowered along
// the line through its body's centre so its touchdown plane lies on the terrain. Does
// nothing without a carrier or terrain function, for a vessel already anchored, when the
// table is full, or when the placement would not be a finite one.
void AnchorVessel(VESSEL *vessel);
// The same, for a caller that anchors vessel after vessel with nothing else changing the table
// in between (the contact pass). It has just found `foundHandle` in `foundSlot` (-1: in no
// slot); while the host still gives that handle, the answer is taken instead of walking the
// table again. Every slot below `usedBelow` is known to be in use: the search for a free slot
// starts there and moves it up. The caller lowers it again when it frees a slot.
void AnchorVesselFoundIn(VESSEL *vessel, OBJHANDLE foundHandle, int foundSlot, int &usedBelow);

// Detaches the vessel from the carrier with the given separation speed (m/s) and frees its
// slot. Nothing happens without a carrier or when the vessel is not anchored.
void ReleaseVessel(VESSEL *vessel, double separation_mps);
void ReleaseSlot(int slot, double separation_mps);

// Frees, without detaching anything, the slots of vessels that have left the simulation.
void PruneAnchorTable();

}  // namespace td
