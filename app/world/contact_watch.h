// Touchdowns, told apart once for every output that reports them. A free vessel touches down
// when its touchdown plane goes below the surface under it after it was at least kAirborne_m
// clear of it: a vessel settling on the terrain dips in and out by less than that in every
// step, and that is one touchdown, not many. It is looked at as the module's step is about to
// see it, over the ground of its own body.
#pragma once

#include <cstddef>
#include <vector>

#include "app/scenario/scenario.h"
#include "app/world/roster.h"
#include "app/world/vessel_measure.h"
#include "sim/world.h"

namespace app {

struct Touchdown {
  size_t vessel;  // roster index
  // How fast it closed on the surface, over the ground. Where the host's sphere held it up, the
  // speed it came down with: the sphere takes out the velocity into it within the step.
  double closing_mps;
};

class ContactWatch {
 public:
  static constexpr double kAirborne_m = 0.05;

  explicit ContactWatch(const Scenario &scenario);

  // Every vessel of the roster as it stands now. The touchdowns and sphere landings are this
  // look's only.
  void Look(const sim::World &world, const Roster &roster);
  const std::vector<Touchdown> &Touchdowns() const { return touchdowns_; }
  // Vessels the host's sphere has begun to hold up at its mean radius.
  const std::vector<size_t> &SphereLandings() const { return sphere_landings_; }

  // A free vessel below the surface at the last look.
  bool InContact(size_t vessel) const { return tracks_[vessel].in_contact; }
  // Where it was at the last look, over the ground of its own body (BodyFrame's coordinates).
  const VECTOR3 &PlaceBefore(size_t vessel) const { return tracks_[vessel].pos_before; }
  // Where it was first seen, over the ground of the body it is measured against.
  const VECTOR3 &StartPlace(size_t vessel) const { return tracks_[vessel].start_pos; }
  // New vessels of the roster get their first look.
  void Ensure(const sim::World &world, const Roster &roster);
  BodyFrames &Frames() const { return frames_; }

 private:
  // What every step reads and writes first, in one cache line.
  struct alignas(64) Track {
    bool airborne = false;    // at least kAirborne_m clear of the surface since the last contact
    bool in_contact = false;  // touchdown plane below the surface at the last look
    bool on_sphere = false;   // held at the mean radius by the host
    bool measured = false;    // the three above were found free on its body, at pos_before
    VECTOR3 pos_before{};     // over the ground of its own body, at the last look
    VECTOR3 vel_before{};
    VECTOR3 start_pos{};
  };
  // Where the body a vessel stands on was last looked up: a fleet stands on one body.
  struct BodyAt {
    OBJHANDLE handle = nullptr;
    const sim::BodySpec *body = nullptr;
    const BodyFrame *frame = nullptr;
  };

  void LookAt(const sim::World &world, size_t index, const sim::VesselRecord &v, bool fixed,
              const BodyAt &at);
  void Measure(const sim::World &world, size_t index, const sim::VesselRecord &v, const BodyAt &at,
               const VECTOR3 &vel_before);

  mutable BodyFrames frames_;
  std::vector<Track> tracks_;    // parallel to the roster
  double terrain_top_radius_m_;  // no terrain reaches farther from its body's centre
  const sim::BodySpec *terrain_body_ = nullptr;
  std::vector<Touchdown> touchdowns_;
  std::vector<size_t> sphere_landings_;
};

}  // namespace app
