// A memory of terrain answers, by the exact bits of the position asked about. Everything at
// rest - anchored, parked on the host's sphere, waiting for a slot - is asked about at the
// very same position in every step, and on the hills a query costs three sines. An answer
// found here is the number the relief would compute again, bit for bit.
#pragma once

#include <cstdint>

#include "host/orbiter_api.h"

namespace terrain {

// Direct-mapped: one place per hash of the position, the newest answer wins. Its size (640 KiB)
// holds a fleet of a few thousand resting vessels with few collisions, also when the host's
// program asks about each place before the module does; beyond that, queries miss more often
// and cost what they would without it, a hash and a compare more. Not for concurrent use.
class QueryMemo {
 public:
  // The radius remembered for exactly this position, or false.
  bool Recall(const VECTOR3 &pos_rel_body, double &radius_m) const;
  void Remember(const VECTOR3 &pos_rel_body, double radius_m);
  // Forgets everything: for when the relief changes.
  void Forget();

 private:
  struct Entry {
    uint64_t x_bits, y_bits, z_bits;
    double radius_m;
    bool used;
  };
  static constexpr unsigned kEntryCount = 16384;  // a power of two
  static unsigned IndexOf(uint64_t x_bits, uint64_t y_bits, uint64_t z_bits);

  Entry entries_[kEntryCount]{};
};

// The relief's radius under a position, through a memo of the same relief.
template <typename Relief>
double RememberedRadius(QueryMemo &memo, const VECTOR3 &pos_rel_body, const Relief &relief) {
  double radius_m;
  if (memo.Recall(pos_rel_body, radius_m)) return radius_m;
  radius_m = relief(pos_rel_body);
  memo.Remember(pos_rel_body, radius_m);
  return radius_m;
}

}  // namespace terrain
