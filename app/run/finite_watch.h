// Stops a run whose vessels' states stop being numbers: nothing after such a step means
// anything, and every output would carry it on. Keeps each vessel's last finite state to
// say where it went wrong.
#pragma once

#include <vector>

#include "app/run/observer.h"

namespace app {

inline constexpr int kNonFiniteExitStatus = 3;

class FiniteWatch : public StepObserver {
 public:
  void OnStart(const StepContext &ctx) override { Check(ctx); }
  void BeforeModuleStep(const StepContext &ctx) override { Check(ctx); }

 private:
  struct Last {
    int64_t step = -1;
    VECTOR3 pos{}, vel{};
  };
  void Check(const StepContext &ctx);

  std::vector<Last> last_;  // parallel to the roster
};

}  // namespace app
