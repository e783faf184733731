// The trace (--trace): one CSV row per vessel and step with the vessel's state before the
// step's opcPostStep, for plotting. Columns: docs/outputs.md.
#pragma once

#include <string>

#include "app/observer.h"
#include "app/output_file.h"

namespace app {

class Trace : public StepObserver {
 public:
  // every: a row set every that many steps (1: every step).
  Trace(const std::string &path, int64_t every);

  void OnStart(const StepContext &ctx) override;
  void BeforePostStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

 private:
  OutputFile out_;
  int64_t every_;
};

}  // namespace app
