// The trace (--trace): one CSV row per vessel and step with the vessel's state before the
// module's step (opcPreStep), for plotting: its position and velocity in the global frame as the
// host holds them, its place, heading and heights over its body's turning ground. Columns:
// docs/outputs.md.
#pragma once

#include <string>

#include "app/base/output_file.h"
#include "app/run/observer.h"
#include "app/world/vessel_measure.h"

namespace app {

class Trace : public StepObserver {
 public:
  // every: a row set every that many steps (1: every step), and the end of the run when it
  // falls on one.
  Trace(const std::string &path, int64_t every);

  void OnStart(const StepContext &ctx) override;
  void BeforeModuleStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

 private:
  void WriteRows(const StepContext &ctx);

  OutputFile out_;
  int64_t every_;
  int64_t written_step_ = -1;
  BodyFrames frames_;
};

}  // namespace app
