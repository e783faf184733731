// The account of a run on stdout: per vessel its touchdowns (time, closing speed),
// anchorings and releases with the cause the host can tell, key holds, and its final state;
// then a summary and one line of totals. It is read off the world's state between steps and
// the host calls the module made in each step, so it is the same whether or not the event
// log is written.
#pragma once

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/run/observer.h"
#include "app/run/runner.h"
#include "app/scenario/scenario.h"
#include "app/world/contact_watch.h"
#include "app/world/vessel_measure.h"

namespace app {

class Account : public StepObserver {
 public:
  explicit Account(const Scenario &scenario);

  void OnStart(const StepContext &ctx) override;
  void OnAction(const StepContext &ctx, const ScenarioAction &action) override;
  void BeforeModuleStep(const StepContext &ctx) override;
  void AfterModuleStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

  // The session's host calls that named an object of an ended session: an error line.
  void NoteStaleCalls(std::vector<sim::StaleCallCount> counts) { stale_calls_ = std::move(counts); }

  void Print(std::FILE *out, const RunTotals &totals, int module_version) const;

 private:
  struct Line {
    double t_s;
    std::string text;
  };
  struct Track {
    OBJHANDLE parent = nullptr;
    std::vector<Line> lines;  // the first kMaxLines events
    int touchdowns = 0;
    int anchorings = 0;
    std::map<std::string, int> releases;  // by cause
    int hidden = 0;                       // events beyond kMaxLines
    long long undone = 0;                 // steps in which an anchoring was undone at once
    double first_undone_s = 0.0;
    int sphere_landings = 0;
    double first_sphere_s = 0.0;
    bool found_table_full = false;
    std::string final_state;
  };
  struct Interval {
    double from_s, to_s;
  };
  // A key held down: which vessel had the focus, its line, and how it moved since.
  struct KeyHold {
    long vessel;
    double t_s;
    double heading_rad;
    VECTOR3 last_pos;  // over the ground (BodyFrame's coordinates)
    double moved_anchored_m = 0.0;
    long line = -1;  // index in the vessel's lines; -1 when beyond kMaxLines
    double end_s = 0.0;
  };
  struct Extreme {
    double value = 0.0;
    long vessel = -1;
    double t_s = 0.0;
  };

  void Ensure(const StepContext &ctx);
  void NoteTouchdown(const StepContext &ctx, const Touchdown &touchdown);
  void OnKeyDown(const StepContext &ctx, int vk);
  void OnKeyUp(const StepContext &ctx, int vk);
  void OnDelete(const StepContext &ctx, const std::string &name);
  void OnThrust(const StepContext &ctx, const ScenarioAction &action);
  void NoteParentChange(const StepContext &ctx, size_t index, const sim::VesselRecord &v);
  void NoteTableFull(const StepContext &ctx);
  void FollowKeyHolds(const StepContext &ctx);
  void FollowFocus(const StepContext &ctx);
  long Note(Track &track, double t_s, std::string text);  // the line's index, or -1
  std::string ReleaseCause(const StepContext &ctx, const sim::VesselRecord &v) const;
  bool FocusStrayed(const StepContext &ctx) const;
  void ReadHostCalls(const StepContext &ctx, size_t index, const sim::VesselRecord &v);
  void NoteUndone(const StepContext &ctx, Track &track);
  void EndKeyHold(const StepContext &ctx, int vk, const KeyHold &hold, bool at_end);
  void FollowKeyHold(const StepContext &ctx, KeyHold &hold);
  std::string FinalState(const StepContext &ctx, size_t index) const;
  // The printed account (account_print.cpp).
  std::string StepsDrawn() const;
  void PrintHead(std::FILE *out, const RunTotals &totals, int module_version) const;
  void PrintStrayedFocus(std::FILE *out) const;
  void PrintVessel(std::FILE *out, size_t index) const;
  std::string NamesWhere(const std::function<bool(size_t)> &pick) const;
  void PrintSummary(std::FILE *out) const;
  void PrintTotals(std::FILE *out, const RunTotals &totals) const;

  const Scenario &scenario_;
  // A cache of the bodies' frames, which the const readers fill as well.
  mutable BodyFrames frames_;
  ContactWatch contacts_;
  std::vector<Track> tracks_;   // parallel to the roster
  std::set<int> pending_keys_;  // G, U or C pressed and not yet acted on by the module
  std::map<int, KeyHold> held_;
  // Keys let go since the last step: the module's last move with them shows in the next
  // step's positions, which finish their lines.
  std::vector<std::pair<int, KeyHold>> let_go_;
  bool strayed_ = false;
  std::vector<Interval> strayed_intervals_;
  int strayed_intervals_total_ = 0;
  bool carrier_seen_ = false;
  Extreme fastest_touchdown_, largest_force_;
  std::vector<std::string> message_boxes_;
  uint64_t foreign_points_ = 0, occupied_points_ = 0, refused_ = 0;  // the host's warnings
  std::vector<std::string> names_;  // "name (class ...)", per roster entry
  std::vector<std::string> plain_names_;
  std::vector<bool> anchored_at_end_;
  std::vector<sim::StaleCallCount> stale_calls_;
};

}  // namespace app
