#include "anchor/anchor_index.h"

#include "module/module_state.h"
#include "module/td_assert.h"

namespace td {

namespace {

constexpr uint32_t kBucketMask = kAnchorIndexSize - 1;
static_assert((kAnchorIndexSize & kBucketMask) == 0 && kAnchorIndexSize > 2 * kAnchorSlotCount);
static_assert(kAnchorSlotCount < 256, "a bucket holds a slot number plus one in a byte");

// Handles are pointers on the real host (aligned, so their low bits say little) and small
// serial numbers on others: Fibonacci hashing spreads both over the buckets through the
// product's top bits.
uint32_t HomeBucket(OBJHANDLE vessel) {
  const uint64_t bits = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(vessel));
  return static_cast<uint32_t>((bits * 0x9E3779B97F4A7C15ull) >> 56) & kBucketMask;
}

uint32_t Next(uint32_t bucket) { return (bucket + 1) & kBucketMask; }

}  // namespace

int IndexedSlot(const AnchorTableState &table, OBJHANDLE vessel) {
  TD_ASSERT(vessel != nullptr);
  // At most kAnchorSlotCount buckets are full, so an empty one ends every run.
  for (uint32_t bucket = HomeBucket(vessel);; bucket = Next(bucket)) {
    const int entry = table.index[bucket];
    if (entry == 0) return -1;
    if (table.vessel[entry - 1] == vessel) return entry - 1;
  }
}

void IndexSlot(AnchorTableState &table, int slot) {
  TD_ASSERT(table.vessel[slot] != nullptr && IndexedSlot(table, table.vessel[slot]) < 0);
  uint32_t bucket = HomeBucket(table.vessel[slot]);
  while (table.index[bucket] != 0) bucket = Next(bucket);
  table.index[bucket] = static_cast<uint8_t>(slot + 1);
}

void UnindexSlot(AnchorTableState &table, int slot) {
  uint32_t hole = HomeBucket(table.vessel[slot]);
  while (table.index[hole] != slot + 1) {
    TD_ASSERT(table.index[hole] != 0);
    hole = Next(hole);
  }
  // Each later entry of the run that may stand in the hole (its home bucket is not between
  // the hole and where it stands) moves back into it, leaving a new hole behind.
  for (uint32_t bucket = Next(hole); table.index[bucket] != 0; bucket = Next(bucket)) {
    const uint32_t home = HomeBucket(table.vessel[table.index[bucket] - 1]);
    if (((bucket - home) & kBucketMask) >= ((bucket - hole) & kBucketMask)) {
      table.index[hole] = table.index[bucket];
      hole = bucket;
    }
  }
  table.index[hole] = 0;
}

void ClearIndex(AnchorTableState &table) {
  for (uint8_t &bucket : table.index) bucket = 0;
}

}  // namespace td
