// The account as text: a head line with the run's setting, the errors and notices of the
// run, one block per vessel, the summary and the totals.
#include <string>

#include "app/account/account.h"
#include "app/base/run_stop.h"
#include "app/base/text_format.h"
#include "app/run/finite_watch.h"

namespace app {

namespace {

constexpr int kMaxNamesListed = 10;

const char *ReliefName(Relief r) {
  switch (r) {
    case Relief::kFlat:
      return "flat";
    case Relief::kHills:
      return "hills";
    case Relief::kNaN:
      return "nan";
    case Relief::kSlope:
      return "slope";
    case Relief::kCrater:
      return "crater";
    case Relief::kInstalled:
      return "installed";
  }
  return "?";
}

const char *LibraryName(TerrainLibrary l) {
  switch (l) {
    case TerrainLibrary::kPresent:
      return "present";
    case TerrainLibrary::kMissing:
      return "missing";
    case TerrainLibrary::kNoFunction:
      return "without its function";
  }
  return "?";
}

void Put(std::FILE *out, const std::string &text) { std::fputs(text.c_str(), out); }

// A time in seconds as the account's lines carry it, right-aligned in ten places.
std::string LineTime(double t_s) {
  std::string text = FormatFixed(t_s, 3);
  return std::string(text.size() < 10 ? 10 - text.size() : 0, ' ') + text;
}

}  // namespace

// Steps of changing length say how they were drawn.
std::string Account::StepsDrawn() const {
  std::string varied;
  if (!scenario_.steps_vary) return varied;
  if (scenario_.step_jitter_s > 0.0 || scenario_.post_step_sees != FrameOrder::kStartOfStep) {
    varied += " +- " + Fixed(scenario_.step_jitter_s, 3) + " s";
  }
  if (scenario_.post_step_sees == FrameOrder::kStartOfStep) {
    varied +=
        ", the first " + std::to_string(kLaunchSteps) + " of " + Fixed(kLaunchStep_s, 2) + " s";
  }
  return varied + ", times the time acceleration";
}

void Account::PrintHead(std::FILE *out, const RunTotals &totals, int module_version) const {
  const TerrainDef &t = scenario_.terrain;
  Put(out, "touchdown-sim: " + Printable(scenario_.file) + ": " +
               Counted(totals.steps, "step", "steps") + " of " + FormatGeneral(scenario_.step_s) +
               " s" + StepsDrawn() + "; terrain " + ReliefName(t.relief) + " on " +
               Printable(t.body) + ", library " + LibraryName(t.presence) + "; module version " +
               std::to_string(module_version) + "\n");
  for (const std::string &box : message_boxes_) Put(out, "message box: " + box + "\n");
  if (!stale_calls_.empty()) {
    int64_t total = 0;
    std::string calls;
    for (const sim::StaleCallCount &c : stale_calls_) {
      total += c.count;
      calls += (calls.empty() ? "" : ", ") + c.call + " " + std::to_string(c.count);
    }
    Put(out, "error: " + Counted(total, "host call", "host calls") +
                 " named an object of an ended session: " + calls + "\n");
  }
  if (!carrier_seen_) {
    Put(out, "no vessel of class DynamicPlanet: the module moves and anchors nothing\n");
  }
}

void Account::PrintStrayedFocus(std::FILE *out) const {
  for (const Interval &i : strayed_intervals_) {
    Put(out, "focus vessel more than 0.01 rad from the carrier in latitude or longitude from " +
                 FormatFixed(i.from_s, 3) + " s to " + FormatFixed(i.to_s, 3) + " s\n");
  }
  if (strayed_intervals_total_ > static_cast<int>(strayed_intervals_.size())) {
    Put(out,
        "... and " +
            Counted(strayed_intervals_total_ - static_cast<long long>(strayed_intervals_.size()),
                    "more such period", "more such periods") +
            "\n");
  }
}

void Account::PrintVessel(std::FILE *out, size_t index) const {
  const Track &track = tracks_[index];
  Put(out, "\n" + names_[index] + "\n");
  for (const Line &line : track.lines) {
    Put(out, "  " + LineTime(line.t_s) + " s  " + Printable(line.text) + "\n");
  }
  if (track.hidden > 0) {
    int released = 0;
    std::string causes;
    for (const auto &[cause, n] : track.releases) {
      released += n;
      causes += (causes.empty() ? ": " : ", ") + std::to_string(n) + " " + cause;
    }
    Put(out, "  ... " + Counted(track.hidden, "more event", "more events") + "; in all " +
                 Counted(track.touchdowns, "touchdown", "touchdowns") + ", " +
                 Counted(track.anchorings, "anchoring", "anchorings") + ", " +
                 Counted(released, "release", "releases") + causes + "\n");
  }
  if (track.undone > 0) {
    Put(out, "  anchored and released again in " + Counted(track.undone, "step", "steps") +
                 ", the first at " + FormatFixed(track.first_undone_s, 3) + " s\n");
  }
  if (track.sphere_landings > 0) {
    Put(out, "  held up by the host's sphere at the mean radius " +
                 Counted(track.sphere_landings, "time", "times") + ", the first at " +
                 FormatFixed(track.first_sphere_s, 3) + " s\n");
  }
  Put(out, "  end: " + Printable(track.final_state) + "\n");
}

// "none", or how many and the first of their names.
std::string Account::NamesWhere(const std::function<bool(size_t)> &pick) const {
  std::string list;
  int n = 0;
  for (size_t i = 0; i < tracks_.size(); ++i) {
    if (!pick(i)) continue;
    if (++n <= kMaxNamesListed) list += (list.empty() ? "" : ", ") + plain_names_[i];
  }
  if (n > kMaxNamesListed) list += ", ...";
  return n == 0 ? std::string("none") : Counted(n, "vessel", "vessels") + " (" + list + ")";
}

void Account::PrintSummary(std::FILE *out) const {
  Put(out, "\nsummary:\n  anchored at the end: " + NamesWhere([&](size_t i) {
             return anchored_at_end_[i];
           }) + "\n");
  if (fastest_touchdown_.vessel >= 0) {
    Put(out,
        "  fastest touchdown: " + plain_names_[static_cast<size_t>(fastest_touchdown_.vessel)] +
            " at " + Fixed(fastest_touchdown_.t_s, 3) + " s, closing speed " +
            Fixed(fastest_touchdown_.value, 3) + " m/s\n");
  } else {
    Put(out, "  fastest touchdown: none\n");
  }
  if (largest_force_.vessel >= 0) {
    Put(out, "  largest contact force: " + Fixed(largest_force_.value, 1) + " N on " +
                 plain_names_[static_cast<size_t>(largest_force_.vessel)] + " at " +
                 Fixed(largest_force_.t_s, 3) + " s\n");
  } else {
    Put(out, "  largest contact force: none\n");
  }
  Put(out, "  found the anchor table full: " + NamesWhere([&](size_t i) {
             return tracks_[i].found_table_full;
           }) + "\n");
  Put(out, "  messages shown: " + std::to_string(message_boxes_.size()) + "\n");
  // Only when there were any: calls the host's code lets through where its manual's would
  // refuse them (docs/host.md).
  if (const uint64_t n = foreign_points_ + occupied_points_ + refused_; n > 0) {
    Put(out, "  host warnings: " + std::to_string(n) +
                 " (foreign point: " + std::to_string(foreign_points_) +
                 ", occupied point: " + std::to_string(occupied_points_) +
                 ", refused: " + std::to_string(refused_) + ")\n");
  }
}

void Account::PrintTotals(std::FILE *out, const RunTotals &totals) const {
  if (StopRequested()) {
    const bool not_finite = StopExitStatus() == kNonFiniteExitStatus;
    Put(out, std::string("\n") + (not_finite ? "stopped" : "interrupted") + " at step " +
                 std::to_string(totals.steps) + " (" + FormatFixed(totals.simulated_s, 3) +
                 " s): " + Printable(StopReason()) + "; the outputs hold the steps run\n");
  }
  const double speedup = totals.wall_s > 0.0 ? totals.simulated_s / totals.wall_s : 0.0;
  Put(out, "\ntotal: " + FormatFixed(totals.simulated_s, 3) + " s simulated in " +
               Counted(totals.steps, "step", "steps") + ", wall time " +
               FormatFixed(totals.wall_s, 3) + " s, " + FormatFixed(speedup, 0) + "x real time\n");
}

void Account::Print(std::FILE *out, const RunTotals &totals, int module_version) const {
  PrintHead(out, totals, module_version);
  PrintStrayedFocus(out);
  for (size_t i = 0; i < tracks_.size(); ++i) PrintVessel(out, i);
  PrintSummary(out);
  PrintTotals(out, totals);
}

}  // namespace app
