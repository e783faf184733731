// The world's registry: which world is current, its bodies and vessels, and their handles.
#include <algorithm>
#include <stdexcept>

#include "math/vector.h"
#include "module/td_assert.h"
#include "sim/world_impl.h"
#include "terrain/terrain_radius.h"

namespace sim {

namespace {

World *g_current = nullptr;

// The live vessel closest to v, other than v, by global position; of equals the one of lower
// index, as the host's search keeps the first it finds. None when v is alone.
OBJHANDLE NearestOther(const World::Impl &w, const VesselRecord &v) {
  OBJHANDLE nearest = nullptr;
  double nearest_m = 0.0;
  for (const size_t index : w.live) {
    const VesselRecord &other = w.vessels[index];
    if (&other == &v) continue;
    const double d_m = td::VecLength(td::VecSub(other.pos_global, v.pos_global));
    if (nearest == nullptr || d_m < nearest_m) {
      nearest = other.handle;
      nearest_m = d_m;
    }
  }
  return nearest;
}

}  // namespace

World::Impl *g_current_impl = nullptr;
const World::Impl *g_terrain_library_owner = nullptr;

void *MakeHandle(HandleKind kind, uint64_t serial) {
  // One more would carry into the kind, and a handle would name an object of another kind.
  if (serial >= (uint64_t{1} << (kHandleKindShift - kSerialShift))) {
    throw std::length_error("too many objects of one kind for this platform's handles");
  }
  return reinterpret_cast<void *>((static_cast<uintptr_t>(kind) << kHandleKindShift) |
                                  (static_cast<uintptr_t>(serial) << kSerialShift));
}

OBJHANDLE World::Impl::SurfaceRef(const VesselRecord &v) {
  const VesselRecord *root = &v;
  while (root->parent != nullptr) {
    const VesselRecord *parent = LiveVessel(root->parent);
    if (parent == nullptr) break;
    root = parent;
  }
  return root->body;
}

void World::Impl::Record(HostCall call, HostWarning warning) {
  if (!recording) return;
  events.push_back(HostEvent{CallStep(), simt, warning, std::move(call)});
}

World::World()
    : impl_(std::make_unique<Impl>()),
      vessel_table_(&impl_->by_serial),
      body_table_(&impl_->bodies) {
  OpenDesktop(*impl_);
  impl_->terrain_config = terrain::DefaultConfig();
  MakeCurrent();
}

World::~World() {
  // Cleared first: the interface objects destroyed below must not report to this world.
  if (g_current == this) {
    g_current = nullptr;
    g_current_impl = nullptr;
  }
  if (g_terrain_library_owner == impl_.get()) g_terrain_library_owner = nullptr;
  CloseDesktop(*impl_);
}

World *World::Current() { return g_current; }
void World::MakeCurrent() {
  g_current = this;
  g_current_impl = impl_.get();
}

OBJHANDLE World::AddBody(const BodySpec &desc) {
  impl_->bodies.push_back(desc);
  impl_->body_start.push_back({desc.pos_global, desc.turn_rad});
  if (BodyMoves(desc)) impl_->bodies_move = true;
  return MakeHandle(HandleKind::kBody, impl_->bodies.size());
}

namespace {

// A new record holding the state and properties the vessel is described with.
void TakeSpec(World::Impl &w, const VesselSpec &desc, VesselRecord &v) {
  v.name = desc.name;
  v.class_name = desc.class_name;
  v.body = desc.body;
  v.pos_global = desc.pos_global;
  v.vel_global = desc.vel_global;
  v.rot = desc.rot;
  v.mass_kg = desc.mass_kg;
  v.cog_elev_m = desc.cog_elev_m;
  v.thrust_local_N = desc.thrust_local_N;
  v.fixed_to_body = desc.fixed_to_body;
  v.landed = desc.landed;
  SetTouchdownPoints(v, desc.touchdown_points.size() >= 3
                            ? desc.touchdown_points
                            : DefaultTouchdownPoints(desc.mass_kg, desc.cog_elev_m));
  // Pinned to the ground of a body that moves or turns: carried with it from now on.
  // Landed, it is held where it stands on its body's ground, moving or not.
  const BodySpec *body = w.Body(desc.body);
  if (body != nullptr && ((v.fixed_to_body && BodyMoves(*body)) || v.landed)) {
    FixToBody(v, *body);
    v.vel_global = GroundVelocity(*body, v.pos_global);
  }
}

}  // namespace

OBJHANDLE World::AddVessel(const VesselSpec &desc) {
  Impl &w = *impl_;
  // Serial numbers count this session's vessels: a record and an interface of an ended
  // session at the same index are taken over, the interface as it stands (its handle is the
  // same), so that one the module kept speaks for the new vessel.
  const size_t index = w.by_serial.size();
  VesselRecord v;
  v.handle = MakeHandle(HandleKind::kVessel, index + 1);
  const bool handed_earlier = index < w.handed_earlier.size() && w.handed_earlier[index];
  v.module_session = handed_earlier ? 0 : w.session;
  TakeSpec(w, desc, v);
  w.live.push_back(index);
  // Every vessel could become a parent; room made now is room no attachment has to make.
  if (w.parents.capacity() <= index) w.parents.reserve(2 * (index + 1));
  if (index < w.vessels.size()) {
    w.vessels[index] = std::move(v);
  } else {
    w.vessels.push_back(std::move(v));
  }
  if (index == w.interfaces.size()) w.interfaces.emplace_back(w.vessels[index].handle);
  w.by_serial.emplace_back(&w.vessels[index], &w.interfaces[index]);
  TD_ASSERT(w.by_serial.size() <= w.vessels.size() && w.vessels.size() == w.interfaces.size());
  return w.vessels[index].handle;
}

void World::WithholdInterface(OBJHANDLE vessel) {
  if (impl_->LiveVessel(vessel) == nullptr) return;
  impl_->by_serial[HandleIndex(vessel, HandleKind::kVessel)].second = nullptr;
}

void World::DeleteVessel(OBJHANDLE vessel) {
  VesselRecord *v = impl_->LiveVessel(vessel);
  if (v == nullptr) return;
  // Copied: freeing a child takes it off the list.
  for (const OBJHANDLE handle : std::vector<OBJHANDLE>(v->children)) {
    if (VesselRecord *child = impl_->LiveVessel(handle)) {
      FreeChild(*impl_, *child, child->vel_global);
    }
  }
  if (v->parent != nullptr) FreeChild(*impl_, *v, v->vel_global);
  std::vector<size_t> &live = impl_->live;
  const auto at = std::find(live.begin(), live.end(), HandleIndex(vessel, HandleKind::kVessel));
  // Chosen while the list still has the host's order, from the deleted vessel's place.
  if (impl_->focus == vessel) impl_->focus = NearestOther(*impl_, *v);
  v->alive = false;
  v->module_session = 0;
  // The host swaps the last vessel into the gap: the index of every other vessel stays.
  *at = live.back();
  live.pop_back();
}

void World::SetFocus(OBJHANDLE vessel) { impl_->focus = vessel; }

OBJHANDLE World::Focus() const {
  return impl_->LiveVessel(impl_->focus) != nullptr ? impl_->focus : nullptr;
}

OBJHANDLE World::FindVessel(const std::string &name) const {
  for (const VesselRecord &v : impl_->vessels) {
    if (v.alive && v.name == name) return v.handle;
  }
  return nullptr;
}

OBJHANDLE World::FindBody(const std::string &name) const {
  for (size_t i = 0; i < impl_->bodies.size(); ++i) {
    if (impl_->bodies[i].name == name) return MakeHandle(HandleKind::kBody, i + 1);
  }
  return nullptr;
}

std::vector<OBJHANDLE> World::LiveVessels() const {
  std::vector<OBJHANDLE> live;
  live.reserve(impl_->live.size());
  for (const size_t index : impl_->live) live.push_back(impl_->vessels[index].handle);
  return live;
}

void World::ReserveAttachmentPoints(size_t count) { impl_->attachments.Reserve(count); }
size_t World::AttachmentPointCount() const { return impl_->attachments.Size(); }

const AttachmentRecord *World::Attachment(ATTACHMENTHANDLE att) const {
  return impl_->Attachment(att);
}

std::vector<ATTACHMENTHANDLE> World::AttachmentsOf(OBJHANDLE vessel) const {
  std::vector<ATTACHMENTHANDLE> points;
  for (size_t i = 0; i < impl_->attachments.Size(); ++i) {
    const AttachmentRecord &a = impl_->attachments[i];
    if (a.owner == vessel) points.push_back(MakeHandle(HandleKind::kAttachment, a.serial));
  }
  return points;
}

}  // namespace sim
