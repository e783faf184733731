#include "terrain/query_memo.h"

#include <cstring>

#include "math/vector.h"

namespace terrain {

void QueryMemo::Remember(const VECTOR3 &pos_rel_body, double radius_m) {
  Set &set = sets_[SetOf(pos_rel_body)];
  set.older = set.newer;
  set.newer = RememberedAnswer::Of(pos_rel_body, radius_m);
}

// An empty place holds the position zero, which only its own set could be asked about: that
// set's places hold a position of another set instead.
void QueryMemo::Forget() {
  std::memset(sets_, 0, sizeof sets_);
  const unsigned zero_set = SetOf(td::Vec3(0.0, 0.0, 0.0));
  double elsewhere_m = 1.0;
  while (SetOf(td::Vec3(elsewhere_m, 0.0, 0.0)) == zero_set) elsewhere_m += 1.0;
  const RememberedAnswer stranger = RememberedAnswer::Of(td::Vec3(elsewhere_m, 0.0, 0.0), 0.0);
  sets_[zero_set] = {stranger, stranger};
}

}  // namespace terrain
