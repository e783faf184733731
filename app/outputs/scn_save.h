// The state a session ends in, as a scenario file the simulator loads (--save-scn): the
// environment (its date), the focus, and one block per live vessel, standing on the ground
// (`STATUS Landed`, place and heading) or free (`STATUS Orbiting`, state vectors and
// attitude). Numbers carry every bit. Format: docs/outputs.md.
#pragma once

#include <string>

#include "app/base/output_file.h"
#include "app/run/observer.h"

namespace app {

// The scenario text of the world as it stands now; source names the scenario the run read, in
// the description block.
std::string ScnText(const sim::World &world, const Roster &roster, const std::string &source);

// Writes ScnText as the session finishes, however it finishes.
class ScnSave : public StepObserver {
 public:
  // Throws std::runtime_error when the file cannot be created.
  ScnSave(const std::string &path, std::string source);

  void OnFinish(const StepContext &ctx) override;

 private:
  OutputFile out_;
  std::string source_;
};

}  // namespace app
