// The event log (--events): JSON Lines of every call by which the module changed the host,
// each keystroke fed to its hook, what the scenario did, and every vessel's state before each
// step of the module (opcPreStep). Format: docs/outputs.md.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "app/base/output_file.h"
#include "app/base/text_format.h"
#include "app/outputs/event_kinds.h"
#include "app/run/observer.h"

namespace app {

// What a thinned log keeps.
struct EventLogFilter {
  int64_t state_every = 1;         // State and AddForce records of every N-th step only
  std::vector<std::string> kinds;  // the kinds kept (names of kEventKinds); empty: all
};

class EventLog : public StepObserver {
 public:
  EventLog(const std::string &path, const EventLogFilter &filter = {});

  // Whether any record of the module's host calls or of keystrokes is kept: without one the
  // world need not record them for this log.
  bool KeepsHostCalls() const;

  void OnStart(const StepContext &ctx) override;
  void OnAction(const StepContext &ctx, const ScenarioAction &action) override;
  void OnTimeAcceleration(const StepContext &ctx, double factor) override;
  void BeforeModuleStep(const StepContext &ctx) override;
  void AfterModuleStep(const StepContext &ctx) override;
  void AfterStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

 private:
  // Writes the host events the world recorded since the runner last told the observers.
  void WriteHostEvents(const StepContext &ctx);
  // One record per kind of call; keep: the log keeps that kind (a call not kept may still be
  // followed, as the children on the points are).
  JsonLine CallRecord(const sim::HostEvent &e);
  void WriteCall(const StepContext &ctx, const sim::HostEvent &e, const sim::AddForceEvent &call,
                 bool keep);
  void WriteCall(const StepContext &ctx, const sim::HostEvent &e,
                 const sim::CreateAttachmentEvent &call, bool keep);
  void WriteCall(const StepContext &ctx, const sim::HostEvent &e, const sim::AttachChildEvent &call,
                 bool keep);
  void WriteCall(const StepContext &ctx, const sim::HostEvent &e, const sim::DetachChildEvent &call,
                 bool keep);
  void WriteCall(const StepContext &ctx, const sim::HostEvent &e,
                 const sim::SetAttachmentParamsEvent &call, bool keep);
  void WriteCall(const StepContext &ctx, const sim::HostEvent &e, const sim::MessageBoxEvent &call,
                 bool keep);
  void WriteCall(const StepContext &ctx, const sim::HostEvent &e, const sim::KeystrokeEvent &call,
                 bool keep);
  void WriteCall(const StepContext &ctx, const sim::HostEvent &e, const sim::StaleHandleEvent &call,
                 bool keep);
  void WriteVessel(const StepContext &ctx, size_t index);
  void WriteState(const StepContext &ctx, size_t index);
  // Every live vessel's state, once per kept step.
  void WriteStates(const StepContext &ctx);
  void WriteWarning(const Roster &roster, const sim::HostEvent &e);
  void WriteFocusPassed(const StepContext &ctx);
  int AttachmentId(const sim::World &world, ATTACHMENTHANDLE att) const;
  bool Keeps(LogKind kind) const { return (kept_ >> static_cast<int>(kind) & 1U) != 0; }

  OutputFile out_;
  int64_t state_every_;
  int64_t state_step_ = -1;       // the step whose states are written
  uint32_t kept_ = ~uint32_t{0};  // bit i: kEventKinds[i] is written
  size_t vessels_written_ = 0;    // roster entries already introduced by a Vessel record
  // The focus as last written, to tell when the host passes it on by itself.
  OBJHANDLE focus_ = nullptr;
  // The child hanging on each attachment point, by attachment id, to name it on detaching.
  std::unordered_map<int, std::string> child_at_;
};

}  // namespace app
