// Which slot of the anchor table holds a vessel, found in a step or two however many slots are
// in use: every vessel of every step is looked up, and most of them hold none. Buckets keyed
// by the vessel's handle hold slot numbers (plus one, so that a zeroed table is an empty
// index); collisions go to the next bucket, and a removal moves later entries back so that
// no run is ever broken.
#pragma once

#include <cstdint>

#include "host/orbiter_api.h"

namespace td {

struct AnchorTableState;

// A power of two, well over twice the slots: runs of full buckets stay short.
inline constexpr int kAnchorIndexSize = 256;

// The slot whose vessel is `vessel` (not null), or -1.
int IndexedSlot(const AnchorTableState &table, OBJHANDLE vessel);
// After the slot's vessel has been set.
void IndexSlot(AnchorTableState &table, int slot);
// Before the slot's vessel is cleared: the entry is found by that vessel's handle.
void UnindexSlot(AnchorTableState &table, int slot);
void ClearIndex(AnchorTableState &table);

}  // namespace td
