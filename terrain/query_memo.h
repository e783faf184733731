// A memory of terrain answers, by the exact bits of the position asked about. Everything at
// rest - anchored, parked on the host's sphere, waiting for a slot - is asked about at the
// very same position in every step, and on the hills a query costs three sines. An answer
// found here is the number the relief would compute again, bit for bit.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "host/orbiter_api.h"

namespace terrain {

// An answer with the exact bits of the position it was given for.
struct RememberedAnswer {
  uint64_t x_bits, y_bits, z_bits;
  double radius_m;

  static RememberedAnswer Of(const VECTOR3 &pos, double radius_m) {
    return {std::bit_cast<uint64_t>(pos.x), std::bit_cast<uint64_t>(pos.y),
            std::bit_cast<uint64_t>(pos.z), radius_m};
  }
  // Coordinate by coordinate, done at the first that differs, as most places asked about
  // differ in x already (td::BitDiff, which takes all three, measured a few per cent slower).
  bool Answers(const VECTOR3 &pos, double &answer_m) const {
    if (x_bits != std::bit_cast<uint64_t>(pos.x) || y_bits != std::bit_cast<uint64_t>(pos.y) ||
        z_bits != std::bit_cast<uint64_t>(pos.z)) {
      return false;
    }
    answer_m = radius_m;
    return true;
  }
};

// Sets of two places, chosen by the metre-sized cell around the position: a vessel keeps its
// set while it creeps, so its new positions take the place of its old ones instead of
// spreading over the whole table, and a small fleet touches a few lines of it whatever its
// size. The library's table (2^15 sets, 2 MiB) holds ten thousand resting vessels with few of
// them sharing a set with two others; a world's own, asked only when the library is not its
// to ask, is smaller, for a world is made for every run and every test. Not for concurrent use.
template <unsigned SetBits = 15>
class QueryMemo {
 public:
  QueryMemo() { Forget(); }
  // The radius remembered for exactly this position, or false.
  bool Recall(const VECTOR3 &pos_rel_body, double &radius_m) const {
    const Set &set = sets_[SetOf(pos_rel_body)];
    return set.newer.Answers(pos_rel_body, radius_m) || set.older.Answers(pos_rel_body, radius_m);
  }
  void Remember(const VECTOR3 &pos_rel_body, double radius_m) {
    Set &set = sets_[SetOf(pos_rel_body)];
    set.older = set.newer;
    set.newer = RememberedAnswer::Of(pos_rel_body, radius_m);
  }
  // Forgets everything: for when the relief changes. An empty place holds the position zero,
  // which only its own set could be asked about: that set's places hold a position of another
  // set instead.
  void Forget() {
    std::memset(static_cast<void *>(sets_), 0, sizeof sets_);
    const unsigned zero_set = SetOf(VECTOR3{});
    VECTOR3 elsewhere{};
    do {
      elsewhere.x += 1.0;
    } while (SetOf(elsewhere) == zero_set);
    const RememberedAnswer stranger = RememberedAnswer::Of(elsewhere, 0.0);
    sets_[zero_set] = {stranger, stranger};
  }

 private:
  // Both in one cache line; a new answer pushes the older one out.
  struct alignas(64) Set {
    RememberedAnswer newer, older;
  };
  // The coordinate rounded to whole metres, in the low bits: adding 1.5 * 2^52 leaves no
  // room for a fraction. Beyond 2^51 m, and for values that are not numbers, the bits are
  // still a fixed function of the coordinate, which is all a set index needs.
  static uint64_t MetreCell(double coordinate_m) {
    return std::bit_cast<uint64_t>(coordinate_m + 0x1.8p52);
  }
  static unsigned SetOf(const VECTOR3 &pos_rel_body) {
    const uint64_t h = MetreCell(pos_rel_body.x) * 0x9E3779B97F4A7C15u ^
                       MetreCell(pos_rel_body.y) * 0xC2B2AE3D27D4EB4Fu ^
                       MetreCell(pos_rel_body.z) * 0x165667B19E3779F9u;
    return static_cast<unsigned>(h >> (64 - SetBits));
  }

  Set sets_[1u << SetBits];
};

// The relief's radius under a position, through a memo of the same relief.
template <typename Memo, typename Relief>
double RememberedRadius(Memo &memo, const VECTOR3 &pos_rel_body, const Relief &relief) {
  double radius_m;
  if (memo.Recall(pos_rel_body, radius_m)) return radius_m;
  radius_m = relief(pos_rel_body);
  memo.Remember(pos_rel_body, radius_m);
  return radius_m;
}

}  // namespace terrain
