#include "app/world/contact_watch.h"

#include <cmath>
#include <limits>

#include "app/world/scenario_world.h"
#include "math/bit_diff.h"
#include "math/vector.h"

namespace app {

namespace {

// The host's sphere puts a touchdown plane exactly at the mean radius; rounding apart.
constexpr double kOnSphere_m = 1e-6;

double TerrainTopRadius(const Scenario &s) {
  const DorvakConfig c = TerrainConfigOf(s);
  switch (s.terrain.relief) {
    case Relief::kFlat:
      return c.body_radius_m + c.offset_m;
    case Relief::kHills:
      return c.body_radius_m + c.offset_m + std::abs(c.amplitude_m);
    case Relief::kCrater:
      return c.body_radius_m + c.offset_m + std::max(0.0, -c.crater_depth_m);
    default:
      return std::numeric_limits<double>::infinity();  // no bound known: always measure
  }
}

}  // namespace

ContactWatch::ContactWatch(const Scenario &scenario)
    : terrain_top_radius_m_(TerrainTopRadius(scenario)) {}

void ContactWatch::Ensure(const sim::World &world, const Roster &roster) {
  const auto &entries = roster.Entries();
  while (tracks_.size() < entries.size()) {
    Track track;
    if (const sim::VesselRecord *v = world.Vessel(entries[tracks_.size()].handle)) {
      track.start_pos = track.pos_before = v->pos_global;
      track.vel_before = v->vel_global;
      if (const sim::BodySpec *own = world.Body(v->body)) {
        const BodyFrame &frame = frames_.Of(*own);
        track.pos_before = frame.Place(v->pos_global);
        track.vel_before = frame.OverGround(v->pos_global, v->vel_global);
      }
      if (const sim::BodySpec *body = SurfaceBody(world, *v)) {
        const app::Measure m = MeasureVessel(world, *v, frames_.Of(*body));
        track.start_pos = m.place;
        track.airborne = m.clearance_m >= kAirborne_m;
      }
    }
    tracks_.push_back(track);
  }
}

void ContactWatch::Look(const sim::World &world, const Roster &roster) {
  touchdowns_.clear();
  sphere_landings_.clear();
  Ensure(world, roster);
  terrain_body_ = world.Body(world.TerrainBody());
  const auto &entries = roster.Entries();
  const size_t count = entries.size();  // read once: the calls below could change it, for all
                                        // the compiler knows
  BodyAt at;
  for (size_t i = 0; i < count; ++i) {
    if (!entries[i].alive) continue;
    const sim::VesselRecord *v = world.Vessel(entries[i].handle);
    if (v == nullptr) continue;
    if (v->body != at.handle) {
      at.handle = v->body;
      at.body = world.Body(at.handle);
      at.frame = at.body != nullptr ? &frames_.Of(*at.body) : nullptr;
    }
    LookAt(world, i, *v, entries[i].fixed_to_body, at);
  }
}

// A run changes neither a vessel's body, nor its centre of gravity, nor the relief on its
// body's ground: a free vessel that has not moved over the ground by a bit since it was
// measured is found where it was, and a fleet at rest asks the terrain nothing here.
void ContactWatch::LookAt(const sim::World &world, size_t index, const sim::VesselRecord &v,
                          bool fixed, const BodyAt &at) {
  Track &track = tracks_[index];
  const VECTOR3 place = at.frame != nullptr ? at.frame->Place(v.pos_global) : v.pos_global;
  const bool unmoved = track.measured && td::BitDiff(place, track.pos_before) == 0;
  track.measured = false;
  track.pos_before = place;
  const VECTOR3 vel_before = track.vel_before;
  track.vel_before =
      at.frame != nullptr ? at.frame->OverGround(v.pos_global, v.vel_global) : v.vel_global;
  if (fixed) {
    track.in_contact = false;
    return;
  }
  if (v.parent != nullptr) {
    track.in_contact = track.airborne = track.on_sphere = false;
    return;
  }
  if (unmoved) {
    track.measured = true;
    return;
  }
  track.in_contact = false;
  if (at.body == nullptr) return;
  track.measured = true;
  Measure(world, index, v, at, vel_before);
}

void ContactWatch::Measure(const sim::World &world, size_t index, const sim::VesselRecord &v,
                           const BodyAt &at, const VECTOR3 &vel_before) {
  Track &track = tracks_[index];
  const sim::BodySpec &body = *at.body;
  const BodyFrame &frame = *at.frame;
  const VECTOR3 rel_global = td::VecSub(v.pos_global, body.pos_global);
  const VECTOR3 rel = frame.turns ? frame.axes.MulTransposed(rel_global) : rel_global;
  const double r = td::VecLength(rel);
  const double base_radius_m = r - v.cog_elev_m;
  const bool on_sphere = std::abs(base_radius_m - body.radius_m) <= kOnSphere_m;
  if (on_sphere && !track.on_sphere) sphere_landings_.push_back(index);
  track.on_sphere = on_sphere;
  // High above every hill: no terrain query needed.
  if (&body == terrain_body_ && base_radius_m > terrain_top_radius_m_ + kAirborne_m) {
    track.airborne = true;
    return;
  }
  const double clearance_m = base_radius_m - SurfaceRadius(world, body, rel_global);
  track.in_contact = clearance_m < 0.0;
  if (clearance_m >= kAirborne_m) {
    track.airborne = true;
  } else if (clearance_m < 0.0 && track.airborne) {
    track.airborne = false;
    const VECTOR3 &closing_vel = on_sphere ? vel_before : track.vel_before;
    touchdowns_.push_back({index, -td::VecDot(closing_vel, rel) / r});
  }
}

}  // namespace app
