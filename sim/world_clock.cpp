// The world's clock and its calls into the module: start-up, one host frame (pre-step,
// update, post-step, commit), the record of what the module did.
#include "sim/world_impl.h"

namespace sim {

namespace {
constexpr double kSecondsPerDay = 86400.0;

void RunInitModule(World::Impl &w, void (*init_module)(HINSTANCE), HINSTANCE instance) {
  w.in_init_module = true;
  if (init_module != nullptr) init_module(instance);
  CollectDesktopRecords(w);
  w.in_init_module = false;
}

}  // namespace

void World::SetModule(const ModuleEntryPoints &entry, HINSTANCE instance) {
  impl_->entry = entry;
  impl_->instance = instance;
}

void World::InitModule() { RunInitModule(*impl_, impl_->entry.init_module, impl_->instance); }

void InitModuleByName(World::Impl *w, HINSTANCE instance) {
  const auto init_module =
      ProcAs<void (*)(HINSTANCE)>(GetProcAddress(static_cast<HMODULE>(instance), "InitModule"));
  if (init_module == nullptr) return;
  if (w != nullptr) {
    RunInitModule(*w, init_module, instance);
  } else {
    init_module(instance);
  }
}

namespace {

// The update's start in the start-of-step order: from here to the commit every vessel has two
// states, and the surface parameters are worked out afresh.
void BeginUpdate(World::Impl &w) {
  if (w.order != PostStepSees::kStartOfStep) return;
  ++w.frame;
  w.in_frame = true;
  w.frozen_surface.clear();
}

// The update has run: the step is taken, and the post-step sees it counted.
void EndUpdate(World::Impl &w) {
  ++w.steps;
  w.answer_start = w.in_frame;
}

void CallPostStepHook(World::Impl &w, double simt, double simdt, double mjd) {
  if (w.entry.post_step != nullptr) w.entry.post_step(simt, simdt, mjd);
  // The commit: what the update and the post-step wrote is the state now.
  w.answer_start = false;
  w.in_frame = false;
  CollectDesktopRecords(w);
}

// Before the update, on the committed state: its calls count with the steps taken so far.
void CallPreStepHook(World::Impl &w, double simt, double simdt, double mjd) {
  TerrainStepBegins(w);
  if (w.entry.pre_step == nullptr) return;
  w.entry.pre_step(simt, simdt, mjd);
  CollectDesktopRecords(w);
}

}  // namespace

void World::Step(double dt) {
  PreStep(dt);
  Update(dt);
  PostStep(dt);
}

void World::PreStep(double dt) { CallPreStepHook(*impl_, impl_->simt, dt, impl_->mjd); }

void World::Update(double dt) {
  Impl &w = *impl_;
  BeginUpdate(w);
  // Forces the module added count for the one step that follows them, taken or not: the
  // physics clears them as it goes.
  if (w.physics) {
    IntegrateFreeVessels(w, dt);
  } else {
    for (VesselRecord &v : w.vessels) v.force_sum_local_N = VECTOR3{};
    if (w.in_frame) CarryAllChildren(w);
  }
  w.simt += dt;
  w.mjd += dt / kSecondsPerDay;
  EndUpdate(w);
}

void World::PostStep(double dt) { CallPostStepHook(*impl_, impl_->simt, dt, impl_->mjd); }

void World::CallPreStep(double simt, double simdt, double mjd) {
  CallPreStepHook(*impl_, simt, simdt, mjd);
  // An update that only places attached children, as the host's always does; the forces
  // stay for a test to read.
  BeginUpdate(*impl_);
  if (impl_->in_frame) CarryAllChildren(*impl_);
  EndUpdate(*impl_);
  CallPostStepHook(*impl_, simt, simdt, mjd);
}

void World::CallPostStep(double simt, double simdt, double mjd) {
  TerrainStepBegins(*impl_);
  BeginUpdate(*impl_);
  EndUpdate(*impl_);
  CallPostStepHook(*impl_, simt, simdt, mjd);
}

void World::SetPostStepSees(PostStepSees order) { impl_->order = order; }
PostStepSees World::PostStepOrder() const { return impl_->order; }

void World::EnablePhysics(bool on) { impl_->physics = on; }
double World::SimTime() const { return impl_->simt; }
double World::Mjd() const { return impl_->mjd; }

void World::SetClock(double simt, double mjd) {
  impl_->simt = simt;
  impl_->mjd = mjd;
}

int64_t World::StepCount() const { return impl_->steps; }

void World::SetRecording(bool on) { impl_->recording = on; }
const std::vector<HostEvent> &World::Events() const { return impl_->events; }
void World::ClearEvents() { impl_->events.clear(); }
uint64_t World::HostQueryCount() const { return impl_->queries; }
const std::vector<HINSTANCE> &World::InitLibInstances() const { return impl_->init_lib_instances; }

}  // namespace sim
