// The host's own motion of free vessels: gravity of the reference body, thrust and the
// module's forces, integrated with semi-implicit Euler, then the ground: in the manual's order
// the body's smooth sphere that nothing sinks through, in the order of the host's code its
// springs, dampers and friction (host_ground.cpp). Bodies move first; a vessel fixed to one
// goes with its ground.
// Attitudes change only through attachments and the turn of a body.
#include "math/units.h"
#include "math/vector.h"
#include "module/td_assert.h"
#include "sim/world_impl.h"

namespace sim {

namespace {

using td::kGravitationalConstant;

bool MovesFreely(const VesselRecord &v) {
  return v.alive && v.parent == nullptr && !v.fixed_to_body;
}

}  // namespace

VECTOR3 Gravity(const VECTOR3 &centre, double body_mass_kg, const VECTOR3 &pos) {
  const VECTOR3 to_centre = td::VecSub(centre, pos);
  const double r = td::VecLength(to_centre);
  if (!(r > 0.0)) return VECTOR3{};
  return td::VecScale(to_centre, kGravitationalConstant * body_mass_kg / (r * r * r));
}

VECTOR3 FreeAcceleration(const World::Impl &w, const VesselRecord &v) {
  VECTOR3 a{};
  if (const BodySpec *body = w.Body(v.body)) {
    // Towards the centre at the start of the step, where the vessel's own state is.
    a = Gravity(BodyStartPos(w, *body), body->mass_kg, v.pos_global);
  }
  if (v.mass_kg > 0.0) {
    const VECTOR3 force_local = td::VecAdd(v.thrust_local_N, v.force_sum_local_N);
    a = td::VecAdd(a, td::VecScale(v.rot.Mul(force_local), 1.0 / v.mass_kg));
  }
  return a;
}

namespace {

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
  // The host's own ground and landed state are what its code does: the manual's order keeps
  // the smooth sphere.
  const bool host_ground = w.order == PostStepSees::kStartOfStep;
  for (const auto &entry : w.by_serial) {
    VesselRecord &v = *entry.first;
    if (host_ground && MovesFreely(v)) {
      UpdateOnHostGround(w, v, dt);
    } else if (MovesFreely(v)) {
      KeepStart(w, v);
      v.vel_global = td::VecAdd(v.vel_global, td::VecScale(FreeAcceleration(w, v), dt));
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
  if (host_ground) CopyFlightStateToChildren(w);
}

void CarryAllChildren(World::Impl &w) {
  // Children go where their parents went; a child's own children follow it in turn.
  for (VesselRecord *parent : w.parents) {
    TD_ASSERT(parent->alive && !parent->children.empty());
    if (parent->parent == nullptr) CarryChildren(w, *parent);
  }
}

}  // namespace sim
