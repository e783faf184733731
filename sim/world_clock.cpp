// The world's clock and its calls into the module: start-up, one host step, the record of
// what the module did.
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

void World::Step(double dt) {
  // Forces the module added count for the one step that follows them, taken or not: the
  // physics clears them as it goes.
  if (impl_->physics) {
    IntegrateFreeVessels(*impl_, dt);
  } else {
    for (VesselRecord &v : impl_->vessels) v.force_sum_local_N = VECTOR3{};
  }
  impl_->simt += dt;
  impl_->mjd += dt / kSecondsPerDay;
  ++impl_->steps;
  TerrainStepBegins(*impl_);
  if (impl_->entry.post_step != nullptr) impl_->entry.post_step(impl_->simt, dt, impl_->mjd);
  CollectDesktopRecords(*impl_);
}

void World::CallPostStep(double simt, double simdt, double mjd) {
  ++impl_->steps;
  TerrainStepBegins(*impl_);
  if (impl_->entry.post_step != nullptr) impl_->entry.post_step(simt, simdt, mjd);
  CollectDesktopRecords(*impl_);
}

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
