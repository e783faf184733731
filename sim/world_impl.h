// Inside the stand-in world: its tables, how handles are made, and the operations that the
// host functions, the attachment mechanics and the physics share. Not for the module.
#pragma once

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "host/terrain_api.h"
#include "sim/attachment_store.h"
#include "sim/world.h"
#include "terrain/query_memo.h"

namespace sim {

struct Desktop;  // what the platform's desktop keeps for one world

struct KeyboardHook {
  HHOOK handle;
  HOOKPROC proc;
  HINSTANCE module;
  DWORD thread_id;
};

struct World::Impl {
  std::vector<BodySpec> bodies;  // index = serial - 1
  // Bodies that turn or move: their start of step, kept by every update (body_motion.cpp).
  struct BodyStart {
    VECTOR3 pos;
    double turn_rad;
  };
  std::vector<BodyStart> body_start;  // the same index; filled only once bodies_move
  bool bodies_move = false;
  std::deque<VesselRecord> vessels;  // index = serial - 1, deleted ones kept
  std::deque<VESSEL> interfaces;     // the same index; stable for the world's lifetime
  AttachmentStore attachments;       // index = serial - 1
  OBJHANDLE focus = nullptr;

  // Index = serial - 1: a vessel and its interface, found without walking a deque's blocks,
  // as every host call must.
  VesselTable by_serial;
  std::vector<size_t> live;  // indexes of the live vessels, in the host's order
  // The vessels that carry children now: the physics carries from these alone rather than
  // look at every vessel for children.
  std::vector<VesselRecord *> parents;

  std::string executable_path;
  TerrainMode terrain_mode = TerrainMode::kPresent;
  DorvakConfig terrain_config;
  // The program asks about resting vessels in every step too (the run's account): through
  // the very library the module loads, when it is there, so that a place the program has
  // just asked about is one the library remembers when the module asks in the same step;
  // else computed here, with a memory of its own. The library is told when a step begins.
  TerrainRadiusFn terrain_function = nullptr;
  void (*terrain_step_begins)() = nullptr;
  mutable terrain::QueryMemo<10> terrain_memo;  // 64 KiB
  OBJHANDLE terrain_body = nullptr;
  std::vector<void *> terrain_libraries;  // held so the configuration stays loaded

  Desktop *desktop = nullptr;       // none where the world stands in for a desktop
  std::vector<KeyboardHook> hooks;  // the newest last
  uint64_t hook_serial = 0;
  std::vector<MessageBoxRecord> message_boxes;
  // Libraries the module has loaded and not yet freed (the stand-in desktop only).
  int libraries_held = 0;
  std::vector<HINSTANCE> init_lib_instances;

  ModuleEntryPoints entry;
  HINSTANCE instance = nullptr;
  bool physics = false;
  bool recording = true;
  double simt = 0.0;
  double mjd = 0.0;
  int64_t steps = 0;
  bool in_init_module = false;  // what the module does in InitModule counts as step 0
  std::vector<HostEvent> events;
  // Calls marked with each HostWarning (by its value), counted whether or not recorded.
  uint64_t warnings[4] = {};
  uint64_t queries = 0;
  uint64_t parent_states = 0;  // numbers given to parents' poses so far (VesselRecord::carried)

  // The host's frame (docs/host.md). In the start-of-step order a frame runs from its update
  // to its commit with two states of every vessel: `in_frame` then, and writes keep the start
  // (KeepStart); `answer_start` in its post-step, when state queries answer the start.
  PostStepSees order = PostStepSees::kEndOfStep;
  bool in_frame = false;
  bool answer_start = false;
  int64_t frame = 0;
  // Surface parameters as the last update worked them out, for vessels whose attachments the
  // module has changed since (the host works them out in its update only): the rest answer
  // from the state itself. Dropped by the next update.
  struct FrozenSurface {
    OBJHANDLE vessel;
    OBJHANDLE body;
    VECTOR3 pos_global;
  };
  std::vector<FrozenSurface> frozen_surface;

  // Sessions (session.cpp). Per kind, the most serials an ended session gave out: a handle
  // beyond this session's table and within these named an ended session's object.
  uint32_t session = 1;
  size_t vessels_ever = 0, points_ever = 0, bodies_ever = 0;
  std::vector<bool> handed_earlier;  // by vessel serial - 1: handed to the module before
  std::vector<StaleCallCount> stale_calls;

  VesselRecord *LiveVessel(OBJHANDLE handle);
  const BodySpec *Body(OBJHANDLE handle) const;
  // The body a vessel is measured against: a child's is its parent's, up the chain.
  OBJHANDLE SurfaceRef(const VesselRecord &v);
  VESSEL *Interface(OBJHANDLE vessel);  // null unless live
  AttachmentRecord *Attachment(ATTACHMENTHANDLE handle);
  void Record(HostCall call, HostWarning warning = HostWarning::kNone);
  // Whether the calls are recorded: a call builds its record only then, since the module's
  // busiest calls (AddForce above all) would otherwise pay for a copy nobody reads.
  bool Recording() const { return recording; }
  // The number HostEvent::step gives to a call the module makes now.
  int64_t CallStep() const { return in_init_module ? 0 : steps; }
};

inline VesselRecord *World::Impl::LiveVessel(OBJHANDLE handle) {
  return LiveVesselIn(by_serial, handle);
}

inline const BodySpec *World::Impl::Body(OBJHANDLE handle) const { return BodyIn(bodies, handle); }

inline VESSEL *World::Impl::Interface(OBJHANDLE vessel) {
  const uintptr_t index = HandleIndex(vessel, HandleKind::kVessel);
  if (index >= by_serial.size()) return nullptr;
  const auto [v, iface] = by_serial[index];
  return v->alive ? iface : nullptr;
}

inline AttachmentRecord *World::Impl::Attachment(ATTACHMENTHANDLE handle) {
  const uintptr_t index = HandleIndex(handle, HandleKind::kAttachment);
  return index < attachments.Size() ? &attachments[index] : nullptr;
}

// --- what the module names (session.cpp) ---
// The object a call of the module names that the table does not answer at once: null for
// what is not there, or the live vessel a kept handle of an ended session names now (the
// call acts on it, as on a reused address); the call is recorded as an error when the handle
// named an object of an ended session.
[[gnu::cold]] VesselRecord *StaleVessel(World::Impl &w, const void *handle, const char *call);
[[gnu::cold]] void NoteIfStale(World::Impl &w, const void *handle, const char *call);

// The live vessel a handle the module gives names, or null; `call` names the host function.
// Beside the table's bound, one compare: it fails for a dead vessel and for one whose serial
// the module was handed in an earlier session and not yet in this one.
inline VesselRecord *ModuleVessel(World::Impl &w, OBJHANDLE handle, const char *call) {
  const uintptr_t index = HandleIndex(handle, HandleKind::kVessel);
  if (index < w.by_serial.size()) {
    VesselRecord *v = w.by_serial[index].first;
    if (v->module_session == w.session) [[likely]]
      return v;
  }
  return StaleVessel(w, handle, call);
}

// The attachment point a handle the module gives names, or null. Every point of a session is
// one the module made in it: only a handle beyond the table can be an ended session's.
inline AttachmentRecord *ModulePoint(World::Impl &w, ATTACHMENTHANDLE handle, const char *call) {
  const uintptr_t index = HandleIndex(handle, HandleKind::kAttachment);
  if (index < w.attachments.Size()) [[likely]]
    return &w.attachments[index];
  NoteIfStale(w, handle, call);
  return nullptr;
}

// The host hands the module a vessel (by index, as the focus, by its interface): from now on
// in this session the module may name it.
inline void HandOut(World::Impl &w, VesselRecord &v) {
  if (v.handed) [[likely]]
    return;
  v.handed = true;
  v.module_session = w.session;
}

// The current world's tables (world.cpp keeps it with the current world).
extern World::Impl *g_current_impl;

// The world that configured the terrain library last. The library's settings are process-wide:
// only this world's questions may go to it, another's settings may differ.
extern const World::Impl *g_terrain_library_owner;

// What the world finds in the terrain library beside the module's function.
inline constexpr char kHostRadiusName[] = "dorvakHostRadius";
inline constexpr char kStepBeginsName[] = "dorvakStepBegins";

// Tells the library a step begins, when its settings are this world's.
inline void TerrainStepBegins(const World::Impl &w) {
  if (w.terrain_step_begins != nullptr && g_terrain_library_owner == &w) w.terrain_step_begins();
}

// The current world's tables, or null when no world is current.
inline World::Impl *CurrentImpl() { return g_current_impl; }

// Counts one call of a host or desktop function and returns the current world's tables.
inline World::Impl *HostQuery() {
  World::Impl *w = g_current_impl;
  if (w != nullptr) ++w->queries;
  return w;
}

// --- the two states of a frame (frame_state.cpp) ---
// Keeps the vessel's start-of-step state before it is written, once per frame, when the
// frame has two states.
inline void KeepStart(World::Impl &w, VesselRecord &v) {
  if (!w.in_frame || v.start.frame == w.frame) return;
  v.start.frame = w.frame;
  v.start.pos = v.pos_global;
  v.start.vel = v.vel_global;
  v.start.rot = v.rot;
}
// Whether the vessel's start of step differs from its state now: kept in this frame.
inline bool StartKept(const World::Impl &w, const VesselRecord &v) {
  return w.in_frame && v.start.frame == w.frame;
}
inline const VECTOR3 &StartPos(const World::Impl &w, const VesselRecord &v) {
  return StartKept(w, v) ? v.start.pos : v.pos_global;
}
inline const VECTOR3 &StartVel(const World::Impl &w, const VesselRecord &v) {
  return StartKept(w, v) ? v.start.vel : v.vel_global;
}
inline const Mat3 &StartRot(const World::Impl &w, const VesselRecord &v) {
  return StartKept(w, v) ? v.start.rot : v.rot;
}
// What the position, velocity and frame queries answer: the start of the step inside a
// post-step that sees it, else the state. The flag first: in the other order and outside the
// post-step the kept state's lines are never touched.
inline const VECTOR3 &AnsweredPos(const World::Impl &w, const VesselRecord &v) {
  return w.answer_start && v.start.frame == w.frame ? v.start.pos : v.pos_global;
}
inline const VECTOR3 &AnsweredVel(const World::Impl &w, const VesselRecord &v) {
  return w.answer_start && v.start.frame == w.frame ? v.start.vel : v.vel_global;
}
inline const Mat3 &AnsweredRot(const World::Impl &w, const VesselRecord &v) {
  return w.answer_start && v.start.frame == w.frame ? v.start.rot : v.rot;
}
// A body's centre as the queries answer it: at the start of the step inside a post-step that
// sees it, else now. A body at rest has one state.
inline const VECTOR3 &AnsweredBodyPos(const World::Impl &w, const BodySpec &body) {
  if (!w.answer_start || !w.bodies_move) return body.pos_global;
  return w.body_start[static_cast<size_t>(&body - w.bodies.data())].pos;
}
// The body's centre at the start of the update under way (the update's gravity pulls towards
// it); outside an update, now.
inline const VECTOR3 &BodyStartPos(const World::Impl &w, const BodySpec &body) {
  if (!w.bodies_move) return body.pos_global;
  return w.body_start[static_cast<size_t>(&body - w.bodies.data())].pos;
}
// The vessel whose place the surface parameters of this one are worked out from: in the
// start-of-step order its root parent, else itself.
const VesselRecord &SurfaceOwner(World::Impl &w, const VesselRecord &v);
// The reference body and the global position its surface parameters come from.
std::pair<OBJHANDLE, VECTOR3> SurfaceSource(World::Impl &w, const VesselRecord &v);
// Before the module changes the vessel's attachments outside the update (start-of-step order):
// its surface parameters, and those of everything hanging on it, stay those of the update.
void FreezeSurface(World::Impl &w, const VesselRecord &v);

// --- attachments (attachments.cpp) ---
// Puts a child where its own point meets its parent's point, and its children after it:
// when it has been attached, or one of its two points has changed.
void PlaceChildAfresh(World::Impl &w, VesselRecord &child);
// Re-places every child hanging on the vessel, and theirs in turn.
void CarryChildren(World::Impl &w, VesselRecord &parent);
// Frees a child from its parent, and its parent of it; its velocity becomes the given one.
void FreeChild(World::Impl &w, VesselRecord &child, const VECTOR3 &vel_global);

// --- the module's start (world_clock.cpp) ---
// What the host library's InitLib does with the instance a module's entry stub hands it:
// finds the module's InitModule by name and calls it, so that the module starts while its
// library is being loaded. Without a world the call still happens, as in the host.
void InitModuleByName(World::Impl *w, HINSTANCE instance);

// --- bodies that turn and move (body_motion.cpp) ---
// The first part of the update: every body moves and turns over dt; its start is kept.
void MoveBodies(World::Impl &w, double dt);
// Puts a vessel fixed to a body where its body-frame place is now, with the ground's velocity.
void PinToBody(World::Impl &w, VesselRecord &v, const BodySpec &body);
// Notes where a vessel fixed to a moving or turning body stands in its frame.
void FixToBody(VesselRecord &v, const BodySpec &body);
// A body's frame turned by this angle from the global frame (BodyRotation of its turn).
Mat3 TurnRotation(double turn_rad);

// --- the host's own ground and landed state (host_ground.cpp; start-of-step order only) ---
// Gives the vessel its touchdown points and notes how far they reach.
void SetTouchdownPoints(VesselRecord &v, const std::vector<TouchdownPoint> &points);
// One update of a free vessel without a parent: pinned when landed (freed by a force or
// thrust), else its landing test, then gravity, thrust, the module's forces and, near the
// ground, the springs, dampers and friction of its touchdown points.
void UpdateOnHostGround(World::Impl &w, VesselRecord &v, double dt);
// Children take their root parent's flight state, as the host copies it down every update.
void CopyFlightStateToChildren(World::Impl &w);

// --- physics (physics.cpp) ---
// The pull of a body of this mass centred there on a vessel at pos.
VECTOR3 Gravity(const VECTOR3 &centre, double body_mass_kg, const VECTOR3 &pos);
// A free vessel's acceleration over the coming step: gravity towards its body's centre at the
// start of the step, thrust and the module's forces.
VECTOR3 FreeAcceleration(const World::Impl &w, const VesselRecord &v);
// Moves the free vessels, clears every vessel's forces for the next step, carries children.
void IntegrateFreeVessels(World::Impl &w, double dt);
// Places every attached child from its parent's state now (the last part of the update).
void CarryAllChildren(World::Impl &w);

// --- the desktop (desktop.cpp stands in for one; desktop_win.cpp watches Windows' own) ---
// When a world is made: the executable's path, and whatever the desktop needs for this world.
void OpenDesktop(World::Impl &w);
// When it goes: the terrain libraries it holds, and the rest of what OpenDesktop set up.
void CloseDesktop(World::Impl &w);
// After each call into the module: what the desktop saw during it that the world has not
// recorded yet (message boxes dismissed on another thread) goes into the record.
void CollectDesktopRecords(World::Impl &w);

// --- terrain library files (terrain_link.cpp) ---
// The file LoadLibraryA opens for the module in the world's terrain mode, given the name the
// module asked for; empty when the library is missing.
std::string TerrainLibraryFile(const World::Impl &w, const char *requested_name);

}  // namespace sim
