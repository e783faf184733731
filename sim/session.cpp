// Sessions of one host: the module stays loaded while every vessel of a session is destroyed
// at its end, and the next session's objects come back under the handles of the last one's.
#include <algorithm>
#include <vector>

#include "sim/world_impl.h"

namespace sim {

namespace {

// A window the size of a small screen: the stand-in draws nothing, as the real host with no
// render window, whose window handle is then null too.
constexpr DWORD kViewWidth = 1280;
constexpr DWORD kViewHeight = 720;

void CountStale(World::Impl &w, const char *call) {
  for (StaleCallCount &c : w.stale_calls) {
    if (c.session == w.session && c.call == call) {
      ++c.count;
      return;
    }
  }
  w.stale_calls.push_back({w.session, call, 1});
}

void RecordStale(World::Impl &w, const void *handle, const char *call, const char *kind,
                 uintptr_t index, const VesselRecord *now) {
  CountStale(w, call);
  if (!w.Recording()) return;
  w.Record(StaleHandleEvent{call, kind, handle, static_cast<uint32_t>(index + 1),
                            now != nullptr ? now->handle : nullptr});
}

}  // namespace

void NoteIfStale(World::Impl &w, const void *handle, const char *call) {
  // A handle decodes to a small index in its own kind only.
  const struct {
    HandleKind kind;
    const char *name;
    size_t now, ever;
  } kinds[] = {{HandleKind::kVessel, "vessel", w.by_serial.size(), w.vessels_ever},
               {HandleKind::kAttachment, "attachment point", w.attachments.Size(), w.points_ever},
               {HandleKind::kBody, "body", w.bodies.size(), w.bodies_ever}};
  for (const auto &k : kinds) {
    const uintptr_t index = HandleIndex(handle, k.kind);
    if (index >= k.now && index < k.ever) RecordStale(w, handle, call, k.name, index, nullptr);
  }
}

VesselRecord *StaleVessel(World::Impl &w, const void *handle, const char *call) {
  const uintptr_t index = HandleIndex(handle, HandleKind::kVessel);
  if (index >= w.by_serial.size()) {
    NoteIfStale(w, handle, call);
    return nullptr;
  }
  VesselRecord *v = w.by_serial[index].first;
  // Deleted in this session: a vessel that is gone, as in any session.
  if (!v->alive) return nullptr;
  RecordStale(w, handle, call, "vessel", index, v);
  return v;
}

void World::StartSession() {
  Impl &w = *impl_;
  if (w.entry.open_render_viewport == nullptr) return;
  w.entry.open_render_viewport(nullptr, kViewWidth, kViewHeight, 0);  // not full-screen
  CollectDesktopRecords(w);
}

void World::EndSession() {
  Impl &w = *impl_;
  // Children first, as when one vessel is deleted; the focus passes to none.
  for (const size_t index : w.live) {
    VesselRecord &v = *w.by_serial[index].first;
    for (const OBJHANDLE handle : std::vector<OBJHANDLE>(v.children)) {
      if (VesselRecord *child = w.LiveVessel(handle)) FreeChild(w, *child, child->vel_global);
    }
  }
  if (w.handed_earlier.size() < w.by_serial.size()) w.handed_earlier.resize(w.by_serial.size());
  for (size_t i = 0; i < w.by_serial.size(); ++i) {
    VesselRecord &v = *w.by_serial[i].first;
    if (v.handed) w.handed_earlier[i] = true;
    v.alive = false;
    v.module_session = 0;
  }
  w.vessels_ever = std::max(w.vessels_ever, w.by_serial.size());
  w.points_ever = std::max(w.points_ever, w.attachments.Size());
  w.bodies_ever = std::max(w.bodies_ever, w.bodies.size());
  w.by_serial.clear();
  w.live.clear();
  w.parents.clear();
  w.focus = nullptr;
  w.attachments.Clear();
  w.bodies.clear();
  w.body_start.clear();
  w.bodies_move = false;
  w.terrain_body = nullptr;
  w.frozen_surface.clear();
  w.message_boxes.clear();
  // The host has destroyed its world before it tells the module the session is over.
  if (w.entry.close_render_viewport != nullptr) {
    w.entry.close_render_viewport();
    CollectDesktopRecords(w);
  }
  ++w.session;
  w.steps = 0;
}

uint32_t World::Session() const { return impl_->session; }

std::vector<StaleCallCount> World::StaleCalls(uint32_t session) const {
  std::vector<StaleCallCount> counts;
  for (const StaleCallCount &c : impl_->stale_calls) {
    if (c.session == session) counts.push_back(c);
  }
  return counts;
}

}  // namespace sim
