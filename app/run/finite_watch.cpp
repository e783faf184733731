#include "app/run/finite_watch.h"

#include <cmath>

#include "app/base/run_stop.h"
#include "app/base/text_format.h"

namespace app {

namespace {

// x - x is 0 for every finite x and not a number for the rest, and a sum is 0 only while
// every term is: six numbers checked without a branch, for every vessel in every step.
bool Finite(const VECTOR3 &a, const VECTOR3 &b) {
  return ((a.x - a.x) + (a.y - a.y) + (a.z - a.z) + (b.x - b.x) + (b.y - b.y) + (b.z - b.z)) == 0.0;
}

std::string Show(const VECTOR3 &v) {
  return "(" + FormatGeneral(v.x, 17) + ", " + FormatGeneral(v.y, 17) + ", " +
         FormatGeneral(v.z, 17) + ")";
}

}  // namespace

void FiniteWatch::Check(const StepContext &ctx) {
  const auto &entries = ctx.roster.Entries();
  const size_t count = entries.size();
  last_.resize(count);
  for (size_t i = 0; i < count; ++i) {
    if (!entries[i].alive) continue;
    const sim::VesselRecord *v = ctx.world.Vessel(entries[i].handle);
    if (v == nullptr) continue;
    Last &last = last_[i];
    if (Finite(v->pos_global, v->vel_global)) {
      last = {ctx.step, v->pos_global, v->vel_global};
      continue;
    }
    std::string text = "vessel " + ctx.roster.Label(i).name + ": state not finite at step " +
                       std::to_string(ctx.step);
    text += last.step < 0 ? "; never finite"
                          : "; last finite at step " + std::to_string(last.step) + ": position " +
                                Show(last.pos) + " m, velocity " + Show(last.vel) + " m/s";
    RequestStop(text, kNonFiniteExitStatus);
    return;
  }
}

}  // namespace app
