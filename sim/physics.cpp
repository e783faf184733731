// The host's own motion of free vessels: gravity of the reference body, thrust and the
// module's forces, integrated with semi-implicit Euler, then the body's smooth sphere that
// nothing sinks through. Bodies move first; a vessel fixed to one goes with its ground.
// Attitudes change only through attachments and the turn of a body.
#include "math/vector.h"
#include "module/td_assert.h"
#include "sim/world_impl.h"

namespace sim {

namespace {

constexpr double kGravitationalConstant = 6.67259e-11;

bool MovesFreely(const VesselRecord &v) {
  return v.alive && v.parent == nullptr && !v.fixed_to_body;
}

VECTOR3 Acceleration(const World::Impl &w, const VesselRecord &v) {
  VECTOR3 a{};
  if (const BodySpec *body = w.Body(v.body)) {
    // Towards the centre at the start of the step, where the vessel's own state is.
    const VECTOR3 to_centre = td::VecSub(BodyStartPos(w, *body), v.pos_global);
    const double r = td::VecLength(to_centre);
    if (r > 0.0) a = td::VecScale(to_centre, kGravitationalConstant * body->mass_kg / (r * r * r));
  }
  if (v.mass_kg > 0.0) {
    const VECTOR3 force_local = td::VecAdd(v.thrust_local_N, v.force_sum_local_N);
    a = td::VecAdd(a, td::VecScale(v.rot.Mul(force_local), 1.0 / v.mass_kg));
  }
  return a;
}

// Keeps the vessel's touchdown plane (its origin less cog_elev along the radial line) from
// sinking below the body's mean radius, and takes out the velocity that points into it.
void RestOnSphere(const World::Impl &w, VesselRecord &v) {
  const BodySpec *body = w.Body(v.body);
  if (body == nullptr) return;
  const VECTOR3 radial = td::VecSub(v.pos_global, body->pos_global);
  const double r = td::VecLength(radial);
  if (!(r > 0.0) || r - v.cog_elev_m >= body->radius_m) return;
  const VECTOR3 up = td::VecScale(radial, 1.0 / r);
  v.pos_global = td::VecAdd(body->pos_global, td::VecScale(up, body->radius_m + v.cog_elev_m));
  // Into the ground as it moves: relative to the body's ground at that place.
  const double vel_up =
      BodyMoves(*body)
          ? td::VecDot(td::VecSub(v.vel_global, GroundVelocity(*body, v.pos_global)), up)
          : td::VecDot(v.vel_global, up);
  if (vel_up < 0.0) v.vel_global = td::VecSub(v.vel_global, td::VecScale(up, vel_up));
}

}  // namespace

void IntegrateFreeVessels(World::Impl &w, double dt) {
  if (w.bodies_move) MoveBodies(w, dt);
  // Through the table of records rather than the deque that holds them: a record is larger
  // than a deque's block, so every step along the deque is a step to another block.
  for (const auto &entry : w.by_serial) {
    VesselRecord &v = *entry.first;
    if (MovesFreely(v)) {
      KeepStart(w, v);
      v.vel_global = td::VecAdd(v.vel_global, td::VecScale(Acceleration(w, v), dt));
      v.pos_global = td::VecAdd(v.pos_global, td::VecScale(v.vel_global, dt));
      RestOnSphere(w, v);
    } else if (w.bodies_move && v.alive && v.fixed_to_body && v.parent == nullptr) {
      if (const BodySpec *body = w.Body(v.body); body != nullptr && BodyMoves(*body)) {
        PinToBody(w, v, *body);
      }
    }
    v.force_sum_local_N = VECTOR3{};  // taken or not, they were for this step only
  }
  CarryAllChildren(w);
}

void CarryAllChildren(World::Impl &w) {
  // Children go where their parents went; a child's own children follow it in turn.
  for (VesselRecord *parent : w.parents) {
    TD_ASSERT(parent->alive && !parent->children.empty());
    if (parent->parent == nullptr) CarryChildren(w, *parent);
  }
}

}  // namespace sim
