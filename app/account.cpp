#include "app/account.h"

#include <cmath>
#include <cstdarg>
#include <limits>

#include "app/key_names.h"
#include "app/scenario_world.h"
#include "app/vessel_measure.h"
#include "math/vector.h"

namespace app {

namespace {

// Clearance a vessel must gain before its next contact counts as a new touchdown: a vessel
// settling on the terrain dips in and out by less than this in every step.
constexpr double kAirborne_m = 0.05;
constexpr size_t kMaxLines = 24;
constexpr size_t kMaxIntervals = 10;
// The module's rules, as far as the host can see them.
constexpr double kFocusReleaseAngle_rad = 0.01;
constexpr double kFloatFreeClearance_m = 0.1;
constexpr double kTerrainFloor_m = -1.0;
constexpr double kDegPerRad = 1.0 / kRadPerDeg;

std::string Format(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char *format, ...) {
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return text;
}

bool IsReleaseKey(int vk) { return vk == 'G' || vk == 'U' || vk == 'C'; }

// The keys that walk, drive and turn an anchored focus vessel.
bool IsMovementKey(int vk) {
  switch (vk) {
    case 0x22:
    case 0x23:
    case 0x25:
    case 0x26:
    case 0x27:
    case 0x28:  // PageDown End arrows
    case 'W':
    case 'A':
    case 'S':
    case 'D':
      return true;
    default:
      return false;
  }
}

// A heading as a compass reads it: 0 up to 360 degrees.
double Degrees360(double rad) {
  const double deg = std::fmod(rad * kDegPerRad, 360.0);
  return deg < 0.0 ? deg + 360.0 : deg + 0.0;  // + 0.0 turns -0 into 0
}

double TerrainTopRadius(const Scenario &s) {
  const DorvakConfig c = TerrainConfigOf(s);
  switch (s.terrain.relief) {
    case Relief::kFlat:
      return c.body_radius_m + c.offset_m;
    case Relief::kHills:
      return c.body_radius_m + c.offset_m + std::abs(c.amplitude_m);
    case Relief::kCrater:
      return c.body_radius_m + c.offset_m + std::max(0.0, -c.crater_depth_m);
    default:
      return std::numeric_limits<double>::infinity();  // no bound known: always measure
  }
}

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

}  // namespace

Account::Account(const Scenario &scenario)
    : scenario_(scenario), terrain_top_radius_m_(TerrainTopRadius(scenario)) {}

void Account::Note(Track &track, double t_s, std::string text) {
  if (track.lines.size() < kMaxLines) {
    track.lines.push_back({t_s, std::move(text)});
  } else {
    ++track.hidden;
  }
}

void Account::Ensure(const StepContext &ctx) {
  const auto &entries = ctx.roster.entries();
  while (tracks_.size() < entries.size()) {
    Track track;
    if (const sim::VesselRecord *v = ctx.world.Vessel(entries[tracks_.size()].handle)) {
      track.start_pos = v->pos_global;
      track.parent = v->parent;
      if (const sim::BodySpec *body = SurfaceBody(ctx.world, *v)) {
        track.airborne = MeasureVessel(ctx.world, *v, *body).clearance_m >= kAirborne_m;
      }
    }
    tracks_.push_back(std::move(track));
  }
}

void Account::OnStart(const StepContext &ctx) { Ensure(ctx); }

void Account::OnAction(const StepContext &ctx, const ScenarioAction &action) {
  const double t = ctx.simt;
  const long focus = ctx.roster.IndexOf(ctx.world.Focus());
  switch (action.kind) {
    case ScenarioAction::kKeyDown:
      if (IsReleaseKey(action.vk)) pending_keys_.insert(action.vk);
      if (focus >= 0) {
        const sim::VesselRecord *v = ctx.world.Vessel(ctx.world.Focus());
        const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
        if (body != nullptr) {
          held_[action.vk] = {focus, t, v->pos_global,
                              Heading(*v, MeasureVessel(ctx.world, *v, *body))};
        }
      }
      break;
    case ScenarioAction::kKeyUp: {
      pending_keys_.erase(action.vk);
      const auto it = held_.find(action.vk);
      if (it == held_.end()) break;
      const KeyHold hold = it->second;
      held_.erase(it);
      const RosterEntry &entry = ctx.roster.entries()[static_cast<size_t>(hold.vessel)];
      const sim::VesselRecord *v = ctx.world.Vessel(entry.handle);
      const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
      if (body == nullptr) break;
      Track &track = tracks_[static_cast<size_t>(hold.vessel)];
      if (!IsMovementKey(action.vk)) {
        Note(track, t, Format("key %s held %.2f s", KeyName(action.vk).c_str(), t - hold.t_s));
        break;
      }
      const double heading_rad = Heading(*v, MeasureVessel(ctx.world, *v, *body));
      Note(track, t,
           Format("key %s held %.2f s: moved %.3f m, heading %.1f -> %.1f deg",
                  KeyName(action.vk).c_str(), t - hold.t_s,
                  td::VecLength(td::VecSub(v->pos_global, hold.pos)), Degrees360(hold.heading_rad),
                  Degrees360(heading_rad)));
      break;
    }
    case ScenarioAction::kKeyRepeat:
      break;
    case ScenarioAction::kFocus:
      if (focus >= 0) Note(tracks_[static_cast<size_t>(focus)], t, "takes the focus");
      break;
    case ScenarioAction::kCreate:
      Ensure(ctx);
      Note(tracks_.back(), t, "created");
      break;
    case ScenarioAction::kDelete:
      for (size_t i = 0; i < tracks_.size(); ++i) {
        const RosterEntry &entry = ctx.roster.entries()[i];
        if (entry.name == action.vessel) {
          Note(tracks_[i], t, "deleted");
          continue;
        }
        Track &track = tracks_[i];
        if (track.parent == nullptr || ctx.roster.NameOf(track.parent) != action.vessel) continue;
        // The host frees the children of a vessel it removes.
        ++track.releases["its parent was deleted"];
        Note(track, t, "released: its parent was deleted");
        track.parent = nullptr;
      }
      break;
    case ScenarioAction::kThrust:
      for (size_t i = 0; i < tracks_.size(); ++i) {
        if (ctx.roster.entries()[i].name != action.vessel) continue;
        Note(tracks_[i], t,
             Format("thrust set to (%g, %g, %g) N", action.thrust_N.x, action.thrust_N.y,
                    action.thrust_N.z));
      }
      break;
  }
}

bool Account::FocusStrayed(const StepContext &ctx) const {
  const long carrier = ctx.roster.CarrierIndex();
  const OBJHANDLE focus = ctx.world.Focus();
  if (carrier < 0 || focus == nullptr) return false;
  const sim::VesselRecord *f = ctx.world.Vessel(focus);
  const sim::VesselRecord *c =
      ctx.world.Vessel(ctx.roster.entries()[static_cast<size_t>(carrier)].handle);
  const sim::BodySpec *fb = f != nullptr ? SurfaceBody(ctx.world, *f) : nullptr;
  const sim::BodySpec *cb = c != nullptr ? SurfaceBody(ctx.world, *c) : nullptr;
  if (fb == nullptr || cb == nullptr) return false;
  const Measure fm = MeasureVessel(ctx.world, *f, *fb);
  const Measure cm = MeasureVessel(ctx.world, *c, *cb);
  return std::abs(fm.lat_rad - cm.lat_rad) > kFocusReleaseAngle_rad ||
         std::abs(fm.lon_rad - cm.lon_rad) > kFocusReleaseAngle_rad;
}

void Account::BeforePostStep(const StepContext &ctx) {
  const auto &entries = ctx.roster.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const RosterEntry &entry = entries[i];
    if (!entry.alive || entry.fixed_to_body) continue;
    Track &track = tracks_[i];
    const sim::VesselRecord *v = ctx.world.Vessel(entry.handle);
    if (v == nullptr) continue;
    if (v->parent != nullptr) {
      track.airborne = false;
      continue;
    }
    const sim::BodySpec *body = ctx.world.Body(v->body);
    if (body == nullptr) continue;
    const VECTOR3 rel = td::VecSub(v->pos_global, body->pos_global);
    const double r = td::VecLength(rel);
    const double base_radius_m = r - v->cog_elev_m;
    // High above every hill: no terrain query needed.
    if (base_radius_m > terrain_top_radius_m_ + kAirborne_m) {
      track.airborne = true;
      continue;
    }
    const double clearance_m = base_radius_m - ctx.world.TerrainRadius(rel);
    if (clearance_m >= kAirborne_m) {
      track.airborne = true;
    } else if (clearance_m < 0.0 && track.airborne) {
      track.airborne = false;
      ++track.touchdowns;
      const double closing_mps = -td::VecDot(v->vel_global, rel) / r;
      Note(track, ctx.simt, Format("touchdown, closing speed %.3f m/s", closing_mps));
    }
  }

  const bool strayed = FocusStrayed(ctx);
  if (strayed && !strayed_) {
    if (strayed_intervals_.size() < kMaxIntervals) strayed_intervals_.push_back({ctx.simt, -1.0});
    ++strayed_intervals_total_;
  } else if (!strayed && strayed_ &&
             strayed_intervals_.size() == size_t(strayed_intervals_total_)) {
    strayed_intervals_.back().to_s = ctx.simt;
  }
  strayed_ = strayed;
}

std::string Account::ReleaseCause(const StepContext &ctx, const sim::VesselRecord &v) const {
  if (v.thrust_local_N.x != 0.0 || v.thrust_local_N.y != 0.0 || v.thrust_local_N.z != 0.0) {
    return "thrust";
  }
  if (const sim::BodySpec *body = ctx.world.Body(v.body)) {
    const VECTOR3 rel = td::VecSub(v.pos_global, body->pos_global);
    double terrain_alt_m = ctx.world.TerrainRadius(rel) - body->radius_m;
    if (terrain_alt_m < kTerrainFloor_m) terrain_alt_m = kTerrainFloor_m;
    const double clearance_m = (td::VecLength(rel) - body->radius_m - terrain_alt_m) - v.cog_elev_m;
    if (clearance_m > kFloatFreeClearance_m && terrain_alt_m < 0.0) return "floating free";
  }
  if (strayed_) return "focus distance";
  if (!pending_keys_.empty()) return "release key " + KeyName(*pending_keys_.begin());
  return "other";
}

void Account::AfterPostStep(const StepContext &ctx) {
  const auto &entries = ctx.roster.entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (!entries[i].alive) continue;
    const sim::VesselRecord *v = ctx.world.Vessel(entries[i].handle);
    Track &track = tracks_[i];
    if (v == nullptr || v->parent == track.parent) continue;
    if (track.parent != nullptr) {
      const std::string cause = ReleaseCause(ctx, *v);
      ++track.releases[cause];
      Note(track, ctx.simt, "released: " + cause);
    }
    if (v->parent != nullptr) {
      ++track.anchorings;
      Note(track, ctx.simt, "anchored to " + ctx.roster.NameOf(v->parent));
    }
    track.parent = v->parent;
  }
  // The module acts on a release key in the first step that has a carrier.
  if (ctx.roster.CarrierIndex() >= 0) {
    carrier_seen_ = true;
    pending_keys_.clear();
  }
}

std::string Account::FinalState(const StepContext &ctx, size_t index) const {
  const RosterEntry &entry = ctx.roster.entries()[index];
  if (!entry.alive) return "deleted";
  const sim::VesselRecord *v = ctx.world.Vessel(entry.handle);
  const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
  if (body == nullptr) return "no body";
  const Measure m = MeasureVessel(ctx.world, *v, *body);
  const double moved_m = td::VecLength(td::VecSub(v->pos_global, tracks_[index].start_pos));
  std::string state;
  if (v->fixed_to_body) {
    state = "fixed to " + body->name;
  } else if (v->parent != nullptr) {
    state = "anchored to " + ctx.roster.NameOf(v->parent);
  } else {
    state = Format("free, speed %.3f m/s (%+.3f m/s up)", td::VecLength(v->vel_global),
                   td::VecDot(v->vel_global, m.up));
  }
  return state + Format(
                     "; altitude %.3f m, touchdown plane %.4f m over the terrain; "
                     "lat %.6f, lon %.6f deg; %.3f m from its start",
                     m.altitude_m, m.clearance_m, m.lat_rad * kDegPerRad, m.lon_rad * kDegPerRad,
                     moved_m);
}

void Account::OnFinish(const StepContext &ctx) {
  for (size_t i = 0; i < tracks_.size(); ++i) tracks_[i].final_state = FinalState(ctx, i);
  for (const sim::MessageBoxRecord &box : ctx.world.MessageBoxes()) {
    message_boxes_.push_back("\"" + box.text + "\" captioned \"" + box.caption + "\"");
  }
  if (strayed_ && !strayed_intervals_.empty() &&
      strayed_intervals_.size() == size_t(strayed_intervals_total_)) {
    strayed_intervals_.back().to_s = ctx.simt;
  }
  names_.clear();
  for (const RosterEntry &entry : ctx.roster.entries()) {
    names_.push_back(entry.name + " (" +
                     (entry.class_name ? "class " + *entry.class_name : "no class") + ")");
  }
}

void Account::Print(std::FILE *out, const RunTotals &totals, int module_version) const {
  const TerrainDef &t = scenario_.terrain;
  std::fprintf(out,
               "touchdown-sim: %s: %lld steps of %g s; terrain %s, library %s; module version %d\n",
               scenario_.file.c_str(), static_cast<long long>(totals.steps), scenario_.step_s,
               ReliefName(t.relief), LibraryName(t.presence), module_version);
  for (const std::string &box : message_boxes_) std::fprintf(out, "message box: %s\n", box.c_str());
  if (!carrier_seen_) {
    std::fprintf(out, "no vessel of class DynamicPlanet: the module moves and anchors nothing\n");
  }
  for (const Interval &i : strayed_intervals_) {
    std::fprintf(out,
                 "focus vessel more than 0.01 rad from the carrier in latitude or longitude "
                 "from %.3f s to %.3f s\n",
                 i.from_s, i.to_s);
  }
  if (strayed_intervals_total_ > static_cast<int>(strayed_intervals_.size())) {
    std::fprintf(out, "... and %zu more such periods\n",
                 static_cast<size_t>(strayed_intervals_total_) - strayed_intervals_.size());
  }
  for (size_t i = 0; i < tracks_.size(); ++i) {
    const Track &track = tracks_[i];
    std::fprintf(out, "\n%s\n", names_[i].c_str());
    for (const Line &line : track.lines) {
      std::fprintf(out, "  %10.3f s  %s\n", line.t_s, line.text.c_str());
    }
    if (track.hidden > 0) {
      std::string releases;
      for (const auto &[cause, n] : track.releases)
        releases += Format(", %d by %s", n, cause.c_str());
      std::fprintf(out, "  ... %d more events; in all %d touchdowns, %d anchorings, releases%s\n",
                   track.hidden, track.touchdowns, track.anchorings,
                   releases.empty() ? ": none" : releases.c_str() + 1);
    }
    std::fprintf(out, "  end: %s\n", track.final_state.c_str());
  }
  const double speedup = totals.wall_s > 0.0 ? totals.simulated_s / totals.wall_s : 0.0;
  std::fprintf(out, "\ntotal: %.3f s simulated in %lld steps, wall time %.3f s, %.0fx real time\n",
               totals.simulated_s, static_cast<long long>(totals.steps), totals.wall_s, speedup);
}

}  // namespace app
