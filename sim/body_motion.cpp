// Bodies that turn about their poles and move at constant velocity through the global frame,
// and the vessels fixed to their ground. A body at rest is never looked at: the world keeps no
// second state for it and its frame is the global frame moved to its centre.
#include <cmath>

#include "math/angles.h"
#include "math/vector.h"
#include "sim/world_impl.h"

namespace sim {

Mat3 BodyRotation(const BodySpec &body) {
  return body.turn_rad == body.frame_turn_rad ? body.frame : TurnRotation(body.turn_rad);
}

Mat3 TurnRotation(double turn_rad) {
  if (turn_rad == 0.0) return Mat3::Identity();
  const double c = std::cos(turn_rad), s = std::sin(turn_rad);
  // Eastward: the body's +x axis turns towards the global +z, where longitudes grow.
  return Mat3::FromColumns(td::Vec3(c, 0.0, s), td::Vec3(0.0, 1.0, 0.0), td::Vec3(-s, 0.0, c));
}

double BodyAngularRate(const BodySpec &body) {
  return body.rotation_period_s != 0.0 ? td::kFullTurn_rad / body.rotation_period_s : 0.0;
}

bool BodyMoves(const BodySpec &body) {
  return body.rotation_period_s != 0.0 || body.vel_global.x != 0.0 || body.vel_global.y != 0.0 ||
         body.vel_global.z != 0.0;
}

VECTOR3 GroundVelocity(const BodySpec &body, const VECTOR3 &pos_global) {
  const double rate = BodyAngularRate(body);
  const VECTOR3 rel = td::VecSub(pos_global, body.pos_global);
  // d/dt of a place turned eastward about +y: (-z, 0, x) times the rate.
  return td::VecAdd(body.vel_global, td::Vec3(-rate * rel.z, 0.0, rate * rel.x));
}

void MoveBodies(World::Impl &w, double dt) {
  for (size_t i = 0; i < w.bodies.size(); ++i) {
    BodySpec &body = w.bodies[i];
    w.body_start[i] = {body.pos_global, body.turn_rad};
    if (!BodyMoves(body)) continue;
    body.pos_global = td::VecAdd(body.pos_global, td::VecScale(body.vel_global, dt));
    // Kept within a turn: a long run's angle keeps its precision.
    body.turn_rad = std::fmod(body.turn_rad + BodyAngularRate(body) * dt, td::kFullTurn_rad);
    if (body.turn_rad < 0.0) body.turn_rad += td::kFullTurn_rad;  // a body turning westward
    body.frame = TurnRotation(body.turn_rad);
    body.frame_turn_rad = body.turn_rad;
  }
}

void FixToBody(VesselRecord &v, const BodySpec &body) {
  const Mat3 r = BodyRotation(body);
  v.body_place = r.MulTransposed(td::VecSub(v.pos_global, body.pos_global));
  v.body_rot = r.Transposed().Mul(v.rot);
}

void PinToBody(World::Impl &w, VesselRecord &v, const BodySpec &body) {
  KeepStart(w, v);
  const Mat3 r = BodyRotation(body);
  v.pos_global = td::VecAdd(body.pos_global, r.Mul(v.body_place));
  v.rot = r.Mul(v.body_rot);
  v.vel_global = GroundVelocity(body, v.pos_global);
}

}  // namespace sim
