// The host's own ground under a free vessel and the host's landed state, in the order of the
// host's code: springs, dampers and friction at the vessel's touchdown points hold it on the
// body's mean sphere; a vessel that rests there long enough is pinned to the turning ground
// until a force moves it. The forces are the host's; the integration is ours (docs/host.md).
#include <algorithm>
#include <cmath>

#include "math/vector.h"
#include "sim/world_impl.h"

namespace sim {

namespace {

// The host's landing test: squared displacement over the time since the vessel last moved.
constexpr double kRestingRate_m2PerS = 1e-4;
constexpr double kRestingFor_s = 5.0;
constexpr double kFirstLook_s = 0.1;

// The host's limits on a touchdown point: deeper than this its spring pushes no harder, and
// its friction grows no more; below this sliding speed friction fades with the speed's root.
constexpr double kDeepest_m = 1.0;
constexpr double kFrictionDepth_m = 0.1;
constexpr double kFullFrictionSpeed_mps = 10.0;

// Ours: near the ground a step is cut into sub-steps short against the springs' period and
// against the host's own bound on entry (0.1 m into the ground per sub-step), so that a 1 s
// step with time acceleration is as settled as a 0.01 s one.
constexpr double kSubStepTravel_m = 0.1;
constexpr double kSubStepPhase_rad = 0.5;
constexpr int kMostSubSteps = 400;

bool NonZero(const VECTOR3 &v) { return v.x != 0.0 || v.y != 0.0 || v.z != 0.0; }

size_t BodyIndex(const World::Impl &w, const BodySpec &body) {
  return static_cast<size_t>(&body - w.bodies.data());
}

// The body's turn at the start of the update under way.
double StartTurn(const World::Impl &w, const BodySpec &body) {
  return w.bodies_move ? w.body_start[BodyIndex(w, body)].turn_rad : body.turn_rad;
}

bool AnyPointBelow(const VesselRecord &v, const VECTOR3 &rel, double radius_m) {
  for (const TouchdownPoint &p : v.touchdown) {
    if (td::VecLength(td::VecAdd(rel, v.rot.Mul(p.pos))) < radius_m) return true;
  }
  return false;
}

// A landed vessel goes with the ground. The host frees it in the update that finds a force on
// it (added or thrust) but still holds it there: that force moves nothing.
void HoldLanded(World::Impl &w, VesselRecord &v, const BodySpec &body) {
  PinToBody(w, v, body);
  if (NonZero(v.thrust_local_N) || NonZero(v.force_sum_local_N)) {
    v.landed = false;
    v.landing.testing = false;
  }
}

// The host's test, at the start of the step (its state and time), whether the vessel has
// rested long enough to land; pins it where it stands when it has.
bool TestLanding(World::Impl &w, VesselRecord &v, const BodySpec &body, bool near_ground) {
  const VECTOR3 rel = td::VecSub(v.pos_global, BodyStartPos(w, body));
  const bool contact = near_ground && AnyPointBelow(v, rel, body.radius_m);
  RestWatch &test = v.landing;
  if (!contact || NonZero(v.thrust_local_N)) {
    test.testing = false;
    return false;
  }
  const Mat3 turn = TurnRotation(StartTurn(w, body));
  const VECTOR3 place = turn.MulTransposed(rel);
  const double now = w.simt;
  if (!test.testing) {
    test = {true, now, place};
    return false;
  }
  const double looked_s = now - test.since_s;
  if (looked_s < kFirstLook_s) return false;
  const double moved_m2 = td::VecLengthSquared(td::VecSub(place, test.place));
  test.place = place;
  if (moved_m2 / looked_s > kRestingRate_m2PerS) {
    test.since_s = now;
    return false;
  }
  if (!(now - test.since_s > kRestingFor_s)) return false;
  v.body_place = place;
  v.body_rot = turn.Transposed().Mul(v.rot);
  v.landed = true;
  test.testing = false;
  return true;
}

// The horizontal direction along the vessel's length (from between its second and third
// touchdown points to its first), which the host's longitudinal friction acts along.
VECTOR3 AlongHorizon(const VECTOR3 &along, const VECTOR3 &up) {
  const VECTOR3 flat = td::VecSub(along, td::VecScale(up, td::VecDot(along, up)));
  const double len = td::VecLength(flat);
  if (len > 1e-9) return td::VecScale(flat, 1.0 / len);
  // Standing on its nose: any horizontal will do.
  const VECTOR3 axis = td::Abs(up.x) < 0.9 ? td::Vec3(1, 0, 0) : td::Vec3(0, 0, 1);
  return td::VecUnit(td::VecCross(up, axis));
}

// Friction of one direction, summed over the points: against the sliding, and no more than
// stops it within the sub-step (the host's cap against reversing the motion).
double Friction(double press_sum_N, double speed_mps, double mass_kg, double h) {
  const double slow =
      std::abs(speed_mps) < kFullFrictionSpeed_mps ? std::sqrt(std::abs(0.1 * speed_mps)) : 1.0;
  const double f = std::min(press_sum_N * slow, std::abs(speed_mps) * mass_kg / h);
  return speed_mps > 0.0 ? -f : f;
}

struct Contact {
  double spring_N = 0.0;     // sum of the compressed springs' push
  double stiffness = 0.0;    // how that push grows with depth (the springs not yet at their end)
  double damping = 0.0;      // of the points in contact
  double press_lng_N = 0.0;  // friction's pressure times each point's coefficient
  double press_lat_N = 0.0;
  bool any = false;
};

Contact Touching(const VesselRecord &v, const VECTOR3 &rel, double radius_m) {
  Contact c;
  for (size_t i = 0; i < v.touchdown.size(); ++i) {
    const TouchdownPoint &p = v.touchdown[i];
    double depth = radius_m - td::VecLength(td::VecAdd(rel, v.rot.Mul(p.pos)));
    if (!(depth > 0.0)) continue;
    c.any = true;
    if (depth < kDeepest_m) {
      c.stiffness += p.stiffness_per_m_N;
    } else {
      depth = kDeepest_m;
    }
    c.spring_N += p.stiffness_per_m_N * depth;
    c.damping += p.damping_per_mps_N;
    const double press = std::min(depth, kFrictionDepth_m) * p.stiffness_per_m_N;
    c.press_lng_N += (i < 3 ? p.mu_lng : p.mu) * press;
    c.press_lat_N += p.mu * press;
  }
  return c;
}

int SubSteps(const VesselRecord &v, const VECTOR3 &vel_rel, const VECTOR3 &accel, double dt) {
  double stiffness = 0.0;
  for (const TouchdownPoint &p : v.touchdown) stiffness += p.stiffness_per_m_N;
  const double rate = std::sqrt(std::max(stiffness, 0.0) / v.mass_kg);
  const double travel = (td::VecLength(vel_rel) + td::VecLength(accel) * dt) * dt;
  const double n = std::max(rate * dt / kSubStepPhase_rad, travel / kSubStepTravel_m);
  if (!(n < kMostSubSteps)) return kMostSubSteps;
  return std::max(1, static_cast<int>(std::ceil(n)));
}

// The direction along the vessel's length: from between its second and third touchdown
// points to its first, or its z axis when it has fewer points.
VECTOR3 LengthAxis(const VesselRecord &v) {
  if (v.touchdown.size() < 3) return v.rot.Column(2);
  return v.rot.Mul(td::VecSub(
      v.touchdown[0].pos, td::VecScale(td::VecAdd(v.touchdown[1].pos, v.touchdown[2].pos), 0.5)));
}

void FreeSubStep(VesselRecord &v, const VECTOR3 &a, double h) {
  v.vel_global = td::VecAdd(v.vel_global, td::VecScale(a, h));
  v.pos_global = td::VecAdd(v.pos_global, td::VecScale(v.vel_global, h));
}

// A sub-step with points in contact, a the acceleration without the ground's forces. The
// friction is explicit; the springs and dampers along the vertical are implicit in the
// relative vertical velocity, so that no stiffness or step length can make them gain energy.
void ContactSubStep(VesselRecord &v, const Contact &c, const BodySpec &body, const VECTOR3 &rel,
                    double r, const VECTOR3 &along, VECTOR3 a, double h) {
  const double m = v.mass_kg;
  const VECTOR3 up = td::VecScale(rel, 1.0 / r);
  const VECTOR3 ground = GroundVelocity(body, td::VecAdd(rel, body.pos_global));
  const VECTOR3 vel_rel = td::VecSub(v.vel_global, ground);
  const VECTOR3 lng = AlongHorizon(along, up);
  const VECTOR3 lat = td::VecCross(up, lng);
  const double f_lng = Friction(c.press_lng_N, td::VecDot(vel_rel, lng), m, h);
  const double f_lat = Friction(c.press_lat_N, td::VecDot(vel_rel, lat), m, h);
  a = td::VecAdd(
      a, td::VecScale(td::VecAdd(td::VecScale(lng, f_lng), td::VecScale(lat, f_lat)), 1.0 / m));
  const double vn = td::VecDot(vel_rel, up);
  const double vn_free = vn + h * td::VecDot(a, up);
  // Over the sub-step the springs shorten by h * vn_new and the dampers push with vn_new.
  const double vn_new =
      (vn_free + h * c.spring_N / m) / (1.0 + h * c.damping / m + h * h * c.stiffness / m);
  v.vel_global =
      td::VecAdd(td::VecAdd(v.vel_global, td::VecScale(a, h)), td::VecScale(up, vn_new - vn_free));
  v.pos_global = td::VecAdd(v.pos_global, td::VecScale(v.vel_global, h));
}

// One step near the ground in sub-steps, from the start state. Each sub-step: gravity and
// the vessel's own forces, and the ground's where a point touches it. The body's centre
// moves on through the sub-steps.
void StepNearGround(VesselRecord &v, const BodySpec &body, const VECTOR3 &centre0, double dt) {
  const VECTOR3 own_accel =
      td::VecScale(v.rot.Mul(td::VecAdd(v.thrust_local_N, v.force_sum_local_N)), 1.0 / v.mass_kg);
  const VECTOR3 along = LengthAxis(v);
  const VECTOR3 ground0 =
      GroundVelocity(body, td::VecAdd(td::VecSub(v.pos_global, centre0), body.pos_global));
  const int n = SubSteps(v, td::VecSub(v.vel_global, ground0),
                         td::VecAdd(own_accel, Gravity(centre0, body.mass_kg, v.pos_global)), dt);
  const double h = dt / n;
  for (int j = 0; j < n; ++j) {
    const VECTOR3 centre = td::VecAdd(centre0, td::VecScale(body.vel_global, h * j));
    const VECTOR3 rel = td::VecSub(v.pos_global, centre);
    const double r = td::VecLength(rel);
    const VECTOR3 a = td::VecAdd(Gravity(centre, body.mass_kg, v.pos_global), own_accel);
    const Contact c = r > 0.0 ? Touching(v, rel, body.radius_m) : Contact{};
    if (c.any) {
      ContactSubStep(v, c, body, rel, r, along, a, h);
    } else {
      FreeSubStep(v, a, h);
    }
  }
}

void CopyDown(World::Impl &w, const VesselRecord &parent) {
  for (const OBJHANDLE handle : parent.children) {
    VesselRecord *child = w.LiveVessel(handle);
    if (child == nullptr) continue;
    child->landed = parent.landed;
    child->landing.testing = false;
    // Where the host would hold it, should it be let go while landed, is worked out when it is
    // let go (FreeChild): from this state, which nothing changes before then.
    if (!child->children.empty()) CopyDown(w, *child);
  }
}

}  // namespace

std::vector<TouchdownPoint> DefaultTouchdownPoints(double mass_kg, double cog_elev_m) {
  // The host's springs for points given without them: 20 N/m per kg, a round 1e6 for its
  // default mass of 1000 kg; dampers a tenth of that.
  const double stiffness = mass_kg == 1000.0 ? 1e6 : 20.0 * mass_kg;
  // A triangle as wide as the centre is high (at least a metre): legs that wide hold a
  // lander upright, and a nose point ahead gives the host's friction its long axis.
  const double spread = std::max(cog_elev_m, 1.0);
  const double y = -cog_elev_m;
  const double half_base = spread * std::sqrt(3.0) / 2.0;
  std::vector<TouchdownPoint> points{{td::Vec3(0.0, y, spread)},
                                     {td::Vec3(-half_base, y, -spread / 2.0)},
                                     {td::Vec3(half_base, y, -spread / 2.0)}};
  for (TouchdownPoint &p : points) {
    p.stiffness_per_m_N = stiffness;
    p.damping_per_mps_N = 0.1 * stiffness;
  }
  return points;
}

void SetTouchdownPoints(VesselRecord &v, const std::vector<TouchdownPoint> &points) {
  v.touchdown = points;
  double reach = 0.0;
  for (const TouchdownPoint &p : points) reach = std::max(reach, td::VecLength(p.pos));
  // Rounded up into the float, and a margin for the compression.
  v.touchdown_reach_m = static_cast<float>(reach * 1.001 + 0.01);
}

void UpdateOnHostGround(World::Impl &w, VesselRecord &v, double dt) {
  const BodySpec *body = w.Body(v.body);
  if (body != nullptr && v.landed) {
    HoldLanded(w, v, *body);
    return;
  }
  KeepStart(w, v);
  if (body == nullptr) {
    v.vel_global = td::VecAdd(v.vel_global, td::VecScale(FreeAcceleration(w, v), dt));
    v.pos_global = td::VecAdd(v.pos_global, td::VecScale(v.vel_global, dt));
    return;
  }
  const VECTOR3 &centre0 = BodyStartPos(w, *body);
  const double near_m = body->radius_m + static_cast<double>(v.touchdown_reach_m);
  const double near_m2 = near_m * near_m;
  const bool near0 = td::VecLengthSquared(td::VecSub(v.pos_global, centre0)) < near_m2;
  if ((near0 || v.landing.testing) && TestLanding(w, v, *body, near0)) {
    HoldLanded(w, v, *body);
    return;
  }
  const VECTOR3 pos0 = v.pos_global, vel0 = v.vel_global;
  v.vel_global = td::VecAdd(vel0, td::VecScale(FreeAcceleration(w, v), dt));
  v.pos_global = td::VecAdd(pos0, td::VecScale(v.vel_global, dt));
  // Far above the ground (all but the vessels near it): that was the step.
  if (!near0 && td::VecLengthSquared(td::VecSub(v.pos_global, body->pos_global)) >= near_m2) {
    return;
  }
  if (!(v.mass_kg > 0.0) || v.touchdown.empty()) return;  // nothing for a spring to hold
  v.pos_global = pos0;
  v.vel_global = vel0;
  StepNearGround(v, *body, centre0, dt);
}

void CopyFlightStateToChildren(World::Impl &w) {
  for (VesselRecord *parent : w.parents) {
    if (parent->parent != nullptr) continue;
    // A vessel fixed to its body stands for the host's carrier, which is landed on it: what
    // hangs on it is landed too, and stays landed when let go, until a force frees it.
    if (parent->fixed_to_body) parent->landed = true;
    CopyDown(w, *parent);
  }
}

bool World::Landed(OBJHANDLE vessel) const {
  const VesselRecord *v = Vessel(vessel);
  return v != nullptr &&
         (v->landed || (v->fixed_to_body && impl_->order == PostStepSees::kStartOfStep));
}

}  // namespace sim
