// What the world records of the module: every call by which it changes the host, and each
// keystroke fed to its hook, in the order they happen. One struct per kind of call, each
// holding what that call was given and what it answered; HostEvent adds when it happened and
// what the host made of it.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "host/orbiter_api.h"

namespace sim {

// VESSEL::AddForce.
struct AddForceEvent {
  OBJHANDLE vessel = nullptr;
  VECTOR3 force_N{};  // vessel frame
  VECTOR3 point_m{};  // where it acts, vessel frame
};

// VESSEL::CreateAttachment.
struct CreateAttachmentEvent {
  OBJHANDLE vessel = nullptr;
  bool toparent = false;
  VECTOR3 pos{}, dir{}, rot{};  // vessel frame
  std::string id;
  bool loose = false;
  ATTACHMENTHANDLE point = nullptr;  // the point made
};

// VESSEL::AttachChild.
struct AttachChildEvent {
  OBJHANDLE parent = nullptr;
  OBJHANDLE child = nullptr;
  ATTACHMENTHANDLE parent_point = nullptr;
  ATTACHMENTHANDLE child_point = nullptr;
  bool result = false;
};

// VESSEL::DetachChild.
struct DetachChildEvent {
  OBJHANDLE parent = nullptr;
  ATTACHMENTHANDLE point = nullptr;
  double vel = 0.0;  // the separation speed asked for, m/s
  bool result = false;
};

// VESSEL::SetAttachmentParams.
struct SetAttachmentParamsEvent {
  OBJHANDLE vessel = nullptr;
  ATTACHMENTHANDLE point = nullptr;
  VECTOR3 pos{}, dir{}, rot{};  // vessel frame
};

// MessageBoxA, as the desktop shows it.
struct MessageBoxEvent {
  std::string text;
  std::string caption;
  HWND owner = nullptr;
  unsigned type = 0;
};

// A keystroke as the keyboard hook is handed it.
struct KeystrokeEvent {
  int vk = 0;        // virtual-key code
  LPARAM flags = 0;  // the hook's flag word: repeat count, transition bits
};

// An error: a call that names an object of an ended session.
struct StaleHandleEvent {
  std::string call;    // the host function called
  std::string object;  // "vessel", "attachment point" or "body"
  const void *handle = nullptr;
  uint32_t serial = 0;        // the serial number the handle carries
  OBJHANDLE names = nullptr;  // the live vessel of this session it names now, or none
};

// The kinds in the order of HostCall's alternatives.
enum class EventKind {
  kAddForce,
  kCreateAttachment,
  kAttachChild,
  kDetachChild,
  kSetAttachmentParams,
  kMessageBox,
  kKeystroke,
  kStaleHandle,
};

using HostCall =
    std::variant<AddForceEvent, CreateAttachmentEvent, AttachChildEvent, DetachChildEvent,
                 SetAttachmentParamsEvent, MessageBoxEvent, KeystrokeEvent, StaleHandleEvent>;

// What the real host lets through unchecked, marked on the call that did it: the stand-in
// carries such a call out as the host would, or refuses it where the host's outcome is not a
// state this world can hold, and says so here rather than silently.
enum class HostWarning {
  kNone,
  kForeignPoint,   // a point of another vessel, or of the wrong side (parent's / child's)
  kOccupiedPoint,  // the parent's point already holds another child
  kRefused,        // refused: a vessel that is not there, itself, or its own ancestor as child,
                   // or a parent point that is no point
};

struct HostEvent {
  // Steps taken when it happened: 0 in InitModule and in the first opcPreStep, k in the
  // post-step of the k-th step and in the pre-step of the step after it, whose state and
  // clock are the same.
  int64_t step = 0;
  double simt = 0.0;
  HostWarning warning = HostWarning::kNone;
  HostCall call;

  EventKind Kind() const { return static_cast<EventKind>(call.index()); }
  // The call as its own kind, or null for another kind.
  template <class T>
  const T *As() const {
    return std::get_if<T>(&call);
  }
};

}  // namespace sim
