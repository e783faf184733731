// The surface parameters of the host's frame: worked out from the new state in the update,
// for an attached vessel from its root parent's place, and not again until the next update.
#include <algorithm>

#include "sim/world_impl.h"

namespace sim {

const VesselRecord &SurfaceOwner(World::Impl &w, const VesselRecord &v) {
  if (w.order != PostStepSees::kStartOfStep) return v;
  const VesselRecord *root = &v;
  while (const VesselRecord *parent = w.LiveVessel(root->parent)) root = parent;
  return *root;
}

std::pair<OBJHANDLE, VECTOR3> SurfaceSource(World::Impl &w, const VesselRecord &v) {
  if (!w.frozen_surface.empty()) {
    const auto it = std::find_if(w.frozen_surface.begin(), w.frozen_surface.end(),
                                 [&v](const auto &f) { return f.vessel == v.handle; });
    if (it != w.frozen_surface.end()) return {it->body, it->pos_global};
  }
  return {w.SurfaceRef(v), SurfaceOwner(w, v).pos_global};
}

void FreezeSurface(World::Impl &w, const VesselRecord &v) {
  if (w.order != PostStepSees::kStartOfStep) return;
  const auto [body, pos] = SurfaceSource(w, v);
  const bool frozen = std::any_of(w.frozen_surface.begin(), w.frozen_surface.end(),
                                  [&v](const auto &f) { return f.vessel == v.handle; });
  if (!frozen) w.frozen_surface.push_back({v.handle, body, pos});
  for (const OBJHANDLE handle : v.children) {
    if (const VesselRecord *child = w.LiveVessel(handle)) FreezeSurface(w, *child);
  }
}

}  // namespace sim
