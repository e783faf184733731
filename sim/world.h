// The stand-in host's world: bodies, vessels, attachment points, the clock, and the desktop
// (library loading, message boxes, the keyboard hook). The host interface functions of
// host/orbiter_api.h and the desktop calls of platform/desktop.h act on the current world.
// Tests build a World in-process; touchdown-sim builds one from a scenario file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host/orbiter_api.h"
#include "platform/desktop.h"
#include "sim/handles.h"
#include "sim/host_events.h"
#include "sim/mat3.h"
#include "terrain/dorvak_config.h"

namespace sim {

// A body turns about its own +y axis, its north pole (latitude asin(y/r), longitude
// atan2(z, x) in its own frame), eastward: a place on it moves towards greater longitude in the
// global frame. Its frame is the global frame at the world's start.
struct BodySpec {
  std::string name;
  double radius_m = 1000.0;
  double mass_kg = 0.0;
  VECTOR3 pos_global{};            // the centre: as added, then moved by every update
  double rotation_period_s = 0.0;  // sidereal; 0: does not turn; negative: westward
  VECTOR3 vel_global{};            // constant
  double turn_rad = 0.0;           // its frame's turn from the global frame now, in [0, 2 pi)
  // Its frame as last worked out, and for which turn: every update turns it once, while the
  // module and the program ask for it for every vessel in every step.
  Mat3 frame = Mat3::Identity();
  double frame_turn_rad = 0.0;
};

// A point on which a vessel stands on the host's own ground (the host's TOUCHDOWNVTX): where it
// is in the vessel's frame, the spring and damper that hold it up, and its friction.
struct TouchdownPoint {
  VECTOR3 pos{};
  double stiffness_per_m_N = 0.0;
  double damping_per_mps_N = 0.0;
  double mu = 0.5;      // across; along too for every point after the third
  double mu_lng = 0.1;  // along the vessel's length, for the first three points
};

// Three points as the host makes them for a vessel that gives positions only, under a vessel
// of this mass and centre height: its springs from the mass.
std::vector<TouchdownPoint> DefaultTouchdownPoints(double mass_kg, double cog_elev_m);

// The host's state of being landed: a free vessel's test of whether it has come to rest.
struct RestWatch {
  bool testing = false;
  double since_s = 0.0;  // when the vessel was last seen moving (or the test began)
  VECTOR3 place{};       // in the body's turning frame, as last looked at
};

struct VesselSpec {
  std::string name;
  std::optional<std::string> class_name;  // none: GetClassNameA returns null
  OBJHANDLE body = nullptr;               // reference body (GetSurfaceRef)
  VECTOR3 pos_global{};
  VECTOR3 vel_global{};
  Mat3 rot = Mat3::Identity();  // columns: the vessel's axes in the global frame
  double mass_kg = 1000.0;
  double cog_elev_m = 0.0;
  VECTOR3 thrust_local_N{};    // sum of engine thrust, vessel frame
  bool fixed_to_body = false;  // never moved by physics (a carrier standing for the ground)
  bool landed = false;         // in the host's landed state where it stands, as a scenario loads it
  // Three or more; none: DefaultTouchdownPoints(mass_kg, cog_elev_m).
  std::vector<TouchdownPoint> touchdown_points;
};

// The terrain library as the desktop's LoadLibraryA finds it.
enum class TerrainMode {
  kPresent,     // modules/dorvak.so next to the executable
  kMissing,     // no library: LoadLibraryA fails
  kNoFunction,  // a library that does not export dorgetaltbyvec
};

struct MessageBoxRecord {
  HWND owner;
  std::string text;
  std::string caption;
  unsigned type;
};

struct AttachmentRecord {
  OBJHANDLE owner = nullptr;
  bool toparent = false;
  VECTOR3 pos{}, dir{}, rot{};  // owner's frame
  std::string id;
  bool loose = false;
  OBJHANDLE attached = nullptr;  // the vessel on the other side, or none
  int serial = 0;                // 1, 2, ... in order of creation
};

// A vessel's rotation, position and velocity: what its children are placed from, and what a
// placement gives a child.
struct Pose {
  Mat3 rot;
  VECTOR3 pos, vel;
};

// A child's placement as the host last made it: from which state of its parent (the number
// its parent gave that state; 0 for none, to be placed afresh) and what it gave. Its place in
// its parent's frame is worked out from the two points when it is placed afresh, as the host
// records it when a child is attached: every later placement is one turn and one shift.
struct ChildPlacement {
  uint64_t parent_state = 0;
  Pose pose{};
  Mat3 rel_rot;     // the child's axes in its parent's frame
  VECTOR3 rel_pos;  // its origin in its parent's frame
};

// A vessel's state at the start of the step being taken (the host's S0), kept once something
// writes its new state (S1) during a frame whose post-step sees S0. Until then the two are one
// and this is stale.
struct StartState {
  int64_t frame = -1;  // the frame it was kept in
  VECTOR3 pos{}, vel{};
  Mat3 rot;
};

// Laid out by use, on cache lines: what the host's calls, the physics and the program's
// account read of every vessel in every step comes first, in five lines; the lines each pass
// needs are noted. The placement a child keeps to compare with comes last.
struct alignas(64) VesselRecord {
  // Line 0: every pass.
  OBJHANDLE handle = nullptr;
  bool alive = true;
  bool fixed_to_body = false;
  bool landed = false;  // the host's landed state: pinned to its body's ground like fixed_to_body
  bool handed = false;  // the host has handed the module this vessel in this session
  // How far its touchdown points reach from its origin: nearer the ground than that, the host's
  // ground is looked at (in the padding: no line moves).
  float touchdown_reach_m = 0.0f;
  // The session number while the module may name it without blame: alive, and handed to the
  // module in this session or in no earlier one; 0 once deleted. One compare tells a module's
  // call that names it from one that names a dead or an ended session's object.
  uint32_t module_session = 1;
  OBJHANDLE parent = nullptr;  // when attached as a child
  OBJHANDLE body = nullptr;
  VECTOR3 pos_global{}, vel_global{};
  // Line 1: with line 0, all the account reads before the module's step.
  double mass_kg = 0.0;
  double cog_elev_m = 0.0;
  Mat3 rot = Mat3::Identity();
  // Lines 2 and 3: the physics and the host's calls; line 3 also the account after the step.
  VECTOR3 thrust_local_N{};
  VECTOR3 force_sum_local_N{};  // AddForce total for the coming step
  // What the module did to it, kept whether or not host calls are recorded, so that a run's
  // account needs no record of every call. Steps are numbered as HostEvent::step.
  int64_t forces_step = -1;  // the step of the latest AddForce calls
  VECTOR3 forces_sum_N{};    // their sum, in the order made, in the frame given
  int64_t undone_step = -1;  // the latest step in which an attachment was undone again
  // Line 4: the host's calls; the module asks every vessel's class in every step.
  std::optional<std::string> class_name;
  int64_t attached_step = -1;               // the step in which it was last attached as a child
  ATTACHMENTHANDLE parent_point = nullptr;  // the parent's point it hangs on
  ATTACHMENTHANDLE own_point = nullptr;     // its own toparent point in use
  // The vessels hanging on it now, in the order they were attached: what the host carries
  // with it every step, however many points it has made over the run.
  std::vector<OBJHANDLE> children;
  std::string name;
  ChildPlacement placed{};
  // As a parent: its pose when its children were last placed, and the number given to it, a
  // new one whenever a bit of it has changed since (0: never looked at).
  Pose carried{};
  uint64_t carried_state = 0;
  // Last, on lines of its own: written only when the update or a callback moves the vessel in
  // a frame whose post-step sees the start of the step, read only in that post-step.
  alignas(64) StartState start{};
  // A vessel fixed to a body that moves or turns: its place and axes in the body's frame.
  VECTOR3 body_place{};
  Mat3 body_rot = Mat3::Identity();
  // The host's ground (start-of-step order only): what it stands on, and its test for landing.
  std::vector<TouchdownPoint> touchdown;
  RestWatch landing{};
};

// Every vessel a world has made, by serial number less one, with its interface (null once
// withheld). Records never move and deleted ones stay, marked not alive.
using VesselTable = std::vector<std::pair<VesselRecord *, VESSEL *>>;

// The live vessel a handle names, or null. Inline: the host's every call and the program's
// account of every vessel in every step start here.
inline VesselRecord *LiveVesselIn(const VesselTable &table, OBJHANDLE handle) {
  const uintptr_t index = HandleIndex(handle, HandleKind::kVessel);
  if (index >= table.size()) return nullptr;
  VesselRecord *v = table[index].first;
  return v->alive ? v : nullptr;
}

// The body a handle names, or null.
inline const BodySpec *BodyIn(const std::vector<BodySpec> &bodies, OBJHANDLE handle) {
  const uintptr_t index = HandleIndex(handle, HandleKind::kBody);
  return index < bodies.size() ? &bodies[index] : nullptr;
}

// The module's entry points as the host calls them: linked in directly (tests) or found by
// name in the loaded plug-in (touchdown-sim), whose InitModule has then already run, called by
// InitLib while the plug-in loaded (init_module stays null).
struct ModuleEntryPoints {
  void (*init_module)(HINSTANCE) = nullptr;
  void (*exit_module)(HINSTANCE) = nullptr;
  int (*get_module_version)() = nullptr;
  void (*post_step)(double simt, double simdt, double mjd) = nullptr;
  void (*pre_step)(double simt, double simdt, double mjd) = nullptr;  // optional in a module
  // Optional too: at the start and at the end of every session.
  void (*open_render_viewport)(HWND window, DWORD width, DWORD height, BOOL fullscreen) = nullptr;
  void (*close_render_viewport)() = nullptr;
};

// How many calls of one host function named an object of an ended session.
struct StaleCallCount {
  uint32_t session;
  std::string call;
  int64_t count;
};

// Which state the module's position, velocity and frame queries answer in opcPostStep. The
// host's developer manual draws a frame as "update, commit, post-step": the post-step sees the
// end of the step. The host's code calls the post-step before it commits: positions,
// velocities and frames then answer the start of the step, the equatorial position the end,
// and what the module writes lands in the state not yet committed. docs/host.md.
enum class PostStepSees {
  kEndOfStep,    // the manual's order; attachments as the manual draws them
  kStartOfStep,  // the host's code; attachments as its code does them
};

class World {
 public:
  World();
  ~World();
  World(const World &) = delete;
  World &operator=(const World &) = delete;

  // The world that the host and desktop functions act on. The constructor makes a new world
  // current; the destructor clears it when it is current.
  static World *Current();
  void MakeCurrent();

  // --- bodies and vessels ---
  OBJHANDLE AddBody(const BodySpec &desc);
  OBJHANDLE AddVessel(const VesselSpec &desc);
  // Removes a vessel, as the host does at the end of a frame: its handle is never valid
  // again (not even for a vessel created later); its children are detached, and it is
  // detached from its parent. The last vessel of the host's list takes its index. The focus,
  // if it was this vessel, passes to the nearest other vessel (by global position; of
  // equals, the lower index), as the host's focus is never none while a vessel is left.
  void DeleteVessel(OBJHANDLE vessel);
  // Any handle, even null or a dead one: a host that answers no focus is one the module must
  // survive, though the real host never does so while it has a vessel.
  void SetFocus(OBJHANDLE vessel);
  // From now on the host answers a null interface for this vessel, as a host may for one it
  // is tearing down; the vessel stays in the list and keeps its index.
  void WithholdInterface(OBJHANDLE vessel);
  OBJHANDLE Focus() const;
  // Whether the vessel is in the host's landed state (false when not a live vessel).
  bool Landed(OBJHANDLE vessel) const;

  // Null when not a live vessel.
  VesselRecord *Vessel(OBJHANDLE vessel) { return LiveVesselIn(*vessel_table_, vessel); }
  const VesselRecord *Vessel(OBJHANDLE vessel) const {
    return LiveVesselIn(*vessel_table_, vessel);
  }
  const BodySpec *Body(OBJHANDLE body) const { return BodyIn(*body_table_, body); }
  OBJHANDLE FindVessel(const std::string &name) const;  // live vessel of that name, or null
  OBJHANDLE FindBody(const std::string &name) const;
  std::vector<OBJHANDLE> LiveVessels() const;  // in the host's index order
  const AttachmentRecord *Attachment(ATTACHMENTHANDLE att) const;
  std::vector<ATTACHMENTHANDLE> AttachmentsOf(OBJHANDLE vessel) const;  // in creation order

  // --- terrain and desktop ---
  // Where the executable claims to be (GetModuleFileNameA with a null module); the terrain
  // library is looked for in modules/ beside it. Defaults to this process's executable.
  void SetExecutablePath(const std::string &path);
  const std::string &ExecutablePath() const;
  void SetTerrainMode(TerrainMode mode);
  // Loads the terrain library beside the executable (unless missing) and configures it, so
  // the module finds it configured when it loads it. Keeps a reference until destruction.
  void ConfigureTerrain(const DorvakConfig &config);
  const DorvakConfig &TerrainConfig() const;
  // Terrain radius at an offset from the terrain body's centre, in the global frame's axes, as
  // the library computes it: asked in the body's own turning frame.
  double TerrainRadius(const VECTOR3 &offset) const;
  // The one body the library's relief belongs to (null: none set).
  void SetTerrainBody(OBJHANDLE body);
  OBJHANDLE TerrainBody() const;

  // Keystrokes through the installed hook, with Win32 flag words: first key-down (bits 30
  // and 31 clear), auto-repeat (bit 30), key-up (both). Nothing happens without a hook.
  // On Windows they are real input to the world's own window and the platform makes the flag
  // word (SendKeystroke can ask only for a release); HookInstalled exists only where the
  // world stands in for the desktop.
  void KeyDown(int vk);
  void KeyRepeat(int vk);
  void KeyUp(int vk);
  void SendKeystroke(WPARAM vk, LPARAM flags);
  bool HookInstalled() const;
  // Libraries the module has loaded and not freed again (where the world stands in for the
  // desktop, as HookInstalled).
  int LibrariesHeld() const;

  const std::vector<MessageBoxRecord> &MessageBoxes() const;
  // The instance handles InitLib has been called with, in order (a plug-in's entry stub
  // calls it when the plug-in is loaded; InitLib then calls the plug-in's InitModule).
  const std::vector<HINSTANCE> &InitLibInstances() const;

  // --- the module ---
  void SetModule(const ModuleEntryPoints &entry, HINSTANCE instance);
  void InitModule();  // calls the module's InitModule (step 0)
  // One host frame of dt seconds: opcPreStep, the update (physics when enabled), the clock,
  // then opcPostStep, and the new state committed. Either callback only if the module has it.
  void Step(double dt);
  // The same frame in its three parts, for a caller that acts between them; always all three,
  // in this order. PreStep: the module's opcPreStep of a step of dt on the committed state.
  // Update: the step taken and counted, the clock moved on. PostStep: the module's opcPostStep,
  // then the state committed.
  void PreStep(double dt);
  void Update(double dt);
  void PostStep(double dt);
  // A frame whose update moves nothing and leaves the clock: opcPreStep, then opcPostStep,
  // both with exactly these arguments (for odd simdt).
  void CallPreStep(double simt, double simdt, double mjd);
  void CallPostStep(double simt, double simdt, double mjd);
  void EnablePhysics(bool on);  // off by default: vessels stay where they are put
  // Set before the run; end of step by default. With the start of step, each step's update
  // also places attached children when physics is off, as the host's update always does.
  void SetPostStepSees(PostStepSees order);
  PostStepSees PostStepOrder() const;
  double SimTime() const;
  double Mjd() const;
  void SetClock(double simt, double mjd);
  int64_t StepCount() const;  // steps taken; the post-step counts its own

  // --- sessions (session.cpp) ---
  // One host runs any number of sessions with the module loaded once. A session's world is
  // built (bodies, terrain, vessels, focus, clock), then StartSession calls the module's
  // opcOpenRenderViewport; EndSession destroys every vessel (children detached first; the
  // focus passes to none), forgets the attachment points and bodies, calls
  // opcCloseRenderViewport, and the next session begins at step 0. Serial numbers restart at 1,
  // so the next session's objects have the handles of the last one's, as reused addresses do;
  // the VESSEL interface objects stay where they are and speak for the vessel of the same
  // serial. A call of the module that names an ended session's object is an error, recorded as
  // a kStaleHandle event and counted (StaleCalls).
  void StartSession();
  void EndSession();
  uint32_t Session() const;  // 1 for the first
  // That session's counts by call, in the order first seen (calls made in its
  // opcCloseRenderViewport among them).
  std::vector<StaleCallCount> StaleCalls(uint32_t session) const;

  // --- what the module did ---
  void SetRecording(bool on);  // on by default
  const std::vector<HostEvent> &Events() const;
  void ClearEvents();
  uint64_t HostQueryCount() const;  // calls of any host interface function so far
  // Calls so far that the real host would let through unchecked, or that were refused, with
  // this mark (HostEvent::warning), whether or not calls are recorded.
  uint64_t HostWarnings(HostWarning warning) const;

  // The host's record of attachment points keeps every point ever made. Room for this many
  // can be made ahead, so that a count of allocations sees none while it grows.
  void ReserveAttachmentPoints(size_t count);
  size_t AttachmentPointCount() const;

  struct Impl;  // the host's tables, private to sim/

 private:
  std::unique_ptr<Impl> impl_;
  // impl_'s, for the inline lookups
  const VesselTable *vessel_table_;
  const std::vector<BodySpec> *body_table_;
};

// A rotation from yaw (about global up, from north towards east), pitch and roll, for a
// vessel standing upright at a place of latitude/longitude on a body: y along the local
// vertical, z towards north and x towards east before yaw. Applied in that order about the
// vessel's own axes: pitch lifts the nose (+z towards +y), roll tips the top (+y towards
// +x). Used by scenarios and tests.
Mat3 UprightAttitude(double lat_rad, double lon_rad, double yaw_rad = 0.0, double pitch_rad = 0.0,
                     double roll_rad = 0.0);
// Position on a body at latitude/longitude (in its turning frame, as it stands now) and a
// distance from its centre.
VECTOR3 SurfacePoint(const BodySpec &body, double lat_rad, double lon_rad, double radius_m);

// The body's frame now: its axes in the global frame, as columns.
Mat3 BodyRotation(const BodySpec &body);
// Its turn rate, rad/s (0 when it does not turn).
double BodyAngularRate(const BodySpec &body);
// Whether it turns or moves at all: a body at rest costs the world nothing.
bool BodyMoves(const BodySpec &body);
// The velocity in the global frame of the body's ground (a point fixed to it) at a global
// position: the body's velocity plus the turn's, omega x r.
VECTOR3 GroundVelocity(const BodySpec &body, const VECTOR3 &pos_global);

}  // namespace sim
