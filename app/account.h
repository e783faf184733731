// The account of a run on stdout: per vessel its touchdowns (time, closing speed),
// anchorings and releases with the cause the host can tell, and its final state; then one
// line of totals. Everything here is read off the world's state between steps, so it costs
// little per step and is the same whether or not the event log is written.
#pragma once

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/observer.h"
#include "app/runner.h"
#include "app/scenario.h"

namespace app {

class Account : public StepObserver {
 public:
  explicit Account(const Scenario &scenario);

  void OnStart(const StepContext &ctx) override;
  void OnAction(const StepContext &ctx, const ScenarioAction &action) override;
  void BeforePostStep(const StepContext &ctx) override;
  void AfterPostStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

  void Print(std::FILE *out, const RunTotals &totals, int module_version) const;

 private:
  struct Line {
    double t_s;
    std::string text;
  };
  struct Track {
    bool airborne = false;  // at least kAirborne_m clear of the terrain since the last contact
    OBJHANDLE parent = nullptr;
    VECTOR3 start_pos{};
    std::vector<Line> lines;  // the first kMaxLines events
    int touchdowns = 0;
    int anchorings = 0;
    std::map<std::string, int> releases;  // by cause
    int hidden = 0;                       // events beyond kMaxLines
    std::string final_state;
  };
  struct Interval {
    double from_s, to_s;
  };
  // A key held down: which vessel had the focus, and where it stood and faced then.
  struct KeyHold {
    long vessel;
    double t_s;
    VECTOR3 pos;
    double heading_rad;
  };

  void Ensure(const StepContext &ctx);
  void Note(Track &track, double t_s, std::string text);
  std::string ReleaseCause(const StepContext &ctx, const sim::VesselRecord &v) const;
  bool FocusStrayed(const StepContext &ctx) const;
  std::string FinalState(const StepContext &ctx, size_t index) const;

  const Scenario &scenario_;
  std::vector<Track> tracks_;    // parallel to the roster
  double terrain_top_radius_m_;  // no terrain reaches farther from its body's centre
  std::set<int> pending_keys_;   // G, U or C pressed and not yet acted on by the module
  std::map<int, KeyHold> held_;
  bool strayed_ = false;
  std::vector<Interval> strayed_intervals_;
  int strayed_intervals_total_ = 0;
  bool carrier_seen_ = false;
  std::vector<std::string> message_boxes_;
  std::vector<std::string> names_;  // "name (class ...)", per roster entry
};

}  // namespace app
