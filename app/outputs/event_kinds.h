// The kinds of record in the event log (docs/outputs.md), for the log and for the command
// line that picks some of them.
#pragma once

namespace app {

// The kinds of record, and the names the log gives them, in the same order.
enum class LogKind {
  kVessel,
  kState,
  kAddForce,
  kCreateAttachment,
  kAttachChild,
  kDetachChild,
  kSetAttachmentParams,
  kMessageBox,
  kKeystroke,
  kStaleHandle,
  kFocus,
  kDelete,
  kThrust,
  kHostWarning,
  kTimeAcceleration,
};
inline constexpr const char *kEventKinds[] = {"Vessel",
                                              "State",
                                              "AddForce",
                                              "CreateAttachment",
                                              "AttachChild",
                                              "DetachChild",
                                              "SetAttachmentParams",
                                              "MessageBox",
                                              "Keystroke",
                                              "StaleHandle",
                                              "Focus",
                                              "Delete",
                                              "Thrust",
                                              "HostWarning",
                                              "TimeAcceleration"};

}  // namespace app
