// The VESSEL interface's state queries, frame transforms and forces. A VESSEL is only a
// handle: every call looks the vessel up in the current world, so an interface whose vessel
// is gone answers with zeros and changes nothing.
#include "math/vector.h"
#include "sim/world_impl.h"

namespace {

// Behind every call below: a call of its own would cost as much as the answer.
// `call` names the function for the record of a vessel of an ended session.
[[gnu::always_inline]] inline sim::VesselRecord *Query(OBJHANDLE handle, const char *call,
                                                       sim::World::Impl **world = nullptr) {
  sim::World::Impl *w = sim::HostQuery();
  if (world != nullptr) *world = w;
  return w != nullptr ? sim::ModuleVessel(*w, handle, call) : nullptr;
}

}  // namespace

VESSEL::VESSEL(OBJHANDLE hVessel, int fmodel)
    : hVessel_(hVessel), state_(nullptr), fmodel_(fmodel) {
  sim::HostQuery();
}

VESSEL::~VESSEL() { sim::HostQuery(); }

// The host's own signatures return `const OBJHANDLE`; the qualifier is meaningless there.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wignored-qualifiers"

const OBJHANDLE VESSEL::GetHandle() const {
  sim::HostQuery();
  return hVessel_;
}

char *VESSEL::GetClassNameA() const {
  sim::VesselRecord *v = Query(hVessel_, __func__);
  if (v == nullptr || !v->class_name) return nullptr;
  return v->class_name->data();
}

void VESSEL::GetGlobalPos(VECTOR3 &pos) const {
  sim::World::Impl *w = nullptr;
  const sim::VesselRecord *v = Query(hVessel_, __func__, &w);
  pos = v != nullptr ? sim::AnsweredPos(*w, *v) : VECTOR3{};
}

void VESSEL::GetGlobalVel(VECTOR3 &vel) const {
  sim::World::Impl *w = nullptr;
  const sim::VesselRecord *v = Query(hVessel_, __func__, &w);
  vel = v != nullptr ? sim::AnsweredVel(*w, *v) : VECTOR3{};
}

double VESSEL::GetMass() const {
  const sim::VesselRecord *v = Query(hVessel_, __func__);
  return v != nullptr ? v->mass_kg : 0.0;
}

double VESSEL::GetCOG_elev() const {
  const sim::VesselRecord *v = Query(hVessel_, __func__);
  return v != nullptr ? v->cog_elev_m : 0.0;
}

bool VESSEL::GetThrustVector(VECTOR3 &T) const {
  const sim::VesselRecord *v = Query(hVessel_, __func__);
  T = v != nullptr ? v->thrust_local_N : VECTOR3{};
  return T.x != 0.0 || T.y != 0.0 || T.z != 0.0;
}

const OBJHANDLE VESSEL::GetSurfaceRef() const {
  sim::World::Impl *w = nullptr;
  const sim::VesselRecord *v = Query(hVessel_, __func__, &w);
  if (v == nullptr) return nullptr;
  return w->frozen_surface.empty() ? w->SurfaceRef(*v) : sim::SurfaceSource(*w, *v).first;
}

#pragma GCC diagnostic pop

void VESSEL::Global2Local(const VECTOR3 &global, VECTOR3 &local) const {
  sim::World::Impl *w = nullptr;
  const sim::VesselRecord *v = Query(hVessel_, __func__, &w);
  if (v == nullptr) {
    local = VECTOR3{};
    return;
  }
  local = sim::AnsweredRot(*w, *v).MulTransposed(td::VecSub(global, sim::AnsweredPos(*w, *v)));
}

void VESSEL::Local2Global(const VECTOR3 &local, VECTOR3 &global) const {
  sim::World::Impl *w = nullptr;
  const sim::VesselRecord *v = Query(hVessel_, __func__, &w);
  if (v == nullptr) {
    global = VECTOR3{};
    return;
  }
  global = td::VecAdd(sim::AnsweredRot(*w, *v).Mul(local), sim::AnsweredPos(*w, *v));
}

void VESSEL::AddForce(const VECTOR3 &F, const VECTOR3 &r) const {
  sim::World::Impl *w = nullptr;
  sim::VesselRecord *v = Query(hVessel_, __func__, &w);
  if (v == nullptr) return;
  if (v->forces_step != w->CallStep()) {
    v->forces_step = w->CallStep();
    v->forces_sum_N = VECTOR3{};
  }
  v->forces_sum_N = td::VecAdd(v->forces_sum_N, F);
  if (w->Recording()) {
    w->Record(sim::AddForceEvent{hVessel_, F, r});
  }
  // The host carries a child with its parent: forces on it have nothing to move. Its code
  // keeps them until the update throws them away, so one added before a detaching counts.
  if (v->parent != nullptr && w->order != sim::PostStepSees::kStartOfStep) return;
  v->force_sum_local_N = td::VecAdd(v->force_sum_local_N, F);
}
