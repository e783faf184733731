// The event log (--events): JSON Lines of every call by which the module changed the host,
// each keystroke fed to its hook, what the scenario did, and every vessel's state before each
// opcPostStep. Format: docs/outputs.md.
#pragma once

#include <string>
#include <unordered_map>

#include "app/observer.h"
#include "app/output_file.h"

namespace app {

class EventLog : public StepObserver {
 public:
  explicit EventLog(const std::string &path);

  void OnStart(const StepContext &ctx) override;
  void OnAction(const StepContext &ctx, const ScenarioAction &action) override;
  void BeforePostStep(const StepContext &ctx) override;
  void AfterPostStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

 private:
  // Writes the host events the world recorded since the last call, and forgets them.
  void WriteHostEvents(const StepContext &ctx);
  void WriteVessel(const StepContext &ctx, const RosterEntry &entry);
  void WriteState(const StepContext &ctx, const RosterEntry &entry);
  int AttachmentId(const sim::World &world, ATTACHMENTHANDLE att) const;

  OutputFile out_;
  size_t vessels_written_ = 0;  // roster entries already introduced by a Vessel record
  // The child hanging on each attachment point, by attachment id, to name it on detaching.
  std::unordered_map<int, std::string> child_at_;
};

}  // namespace app
