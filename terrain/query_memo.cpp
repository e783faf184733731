#include "terrain/query_memo.h"

#include <bit>
#include <cstring>

namespace terrain {

unsigned QueryMemo::IndexOf(uint64_t x_bits, uint64_t y_bits, uint64_t z_bits) {
  uint64_t h =
      x_bits * 0x9E3779B97F4A7C15u ^ y_bits * 0xC2B2AE3D27D4EB4Fu ^ z_bits * 0x165667B19E3779F9u;
  h ^= h >> 31;
  return static_cast<unsigned>(h >> 40) & (kEntryCount - 1);
}

bool QueryMemo::Recall(const VECTOR3 &pos_rel_body, double &radius_m) const {
  const uint64_t x = std::bit_cast<uint64_t>(pos_rel_body.x);
  const uint64_t y = std::bit_cast<uint64_t>(pos_rel_body.y);
  const uint64_t z = std::bit_cast<uint64_t>(pos_rel_body.z);
  const Entry &e = entries_[IndexOf(x, y, z)];
  if (!e.used || e.x_bits != x || e.y_bits != y || e.z_bits != z) return false;
  radius_m = e.radius_m;
  return true;
}

void QueryMemo::Remember(const VECTOR3 &pos_rel_body, double radius_m) {
  const uint64_t x = std::bit_cast<uint64_t>(pos_rel_body.x);
  const uint64_t y = std::bit_cast<uint64_t>(pos_rel_body.y);
  const uint64_t z = std::bit_cast<uint64_t>(pos_rel_body.z);
  entries_[IndexOf(x, y, z)] = {x, y, z, radius_m, true};
}

void QueryMemo::Forget() { std::memset(entries_, 0, sizeof entries_); }

}  // namespace terrain
