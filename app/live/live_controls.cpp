#include "app/live/live_controls.h"

#include <algorithm>
#include <cmath>

#include "app/world/vessel_measure.h"
#include "math/units.h"
#include "math/vector.h"

namespace app {

namespace {

using td::kGravitationalConstant;

// The vessel's weight at its place, N; 0 without a body.
double WeightOf(const sim::World &world, const sim::VesselRecord &v) {
  const sim::BodySpec *body = SurfaceBody(world, v);
  if (body == nullptr) return 0.0;
  const double r = td::VecLength(td::VecSub(v.pos_global, body->pos_global));
  return r > 0.0 ? kGravitationalConstant * body->mass_kg * v.mass_kg / (r * r) : 0.0;
}

}  // namespace

std::optional<std::string> NextFocus(const sim::World &world, const Roster &roster) {
  const auto &entries = roster.Entries();
  const long focus = roster.IndexOf(world.Focus());
  const size_t n = entries.size();
  for (size_t k = 1; k <= n; ++k) {
    const size_t i = (static_cast<size_t>(focus + 1) + k - 1) % n;
    if (entries[i].alive && !entries[i].fixed_to_body) return roster.Label(i).name;
  }
  return std::nullopt;
}

double ThrottleOf(const sim::World &world) {
  const sim::VesselRecord *v = world.Vessel(world.Focus());
  const double weight = v != nullptr ? WeightOf(world, *v) : 0.0;
  return weight > 0.0 ? v->thrust_local_N.y / weight : 0.0;
}

std::optional<ThrustAction> Throttled(const sim::World &world, const Roster &roster, int step) {
  const sim::VesselRecord *v = world.Vessel(world.Focus());
  const double weight = v != nullptr ? WeightOf(world, *v) : 0.0;
  if (weight <= 0.0) return std::nullopt;
  // Whole steps, so that a scenario's odd thrust is brought onto the scale by the first press.
  const double level = step == 0 ? 0.0
                                 : std::clamp(std::round(ThrottleOf(world) / kThrottleStep) + step,
                                              0.0, kThrottleMax / kThrottleStep) *
                                       kThrottleStep;
  return ThrustAction{roster.NameOf(world.Focus()), {0.0, level * weight, 0.0}};
}

}  // namespace app
