#include "app/account/account.h"

#include <cmath>
#include <limits>

#include "anchor/anchor_table.h"
#include "anchor/ground_probe.h"
#include "app/base/key_names.h"
#include "app/base/run_stop.h"
#include "app/base/text_format.h"
#include "app/run/finite_watch.h"
#include "app/world/scenario_world.h"
#include "app/world/vessel_measure.h"
#include "host/terrain.h"
#include "math/bit_diff.h"
#include "math/vector.h"
#include "module/key_table.h"
#include "module/step_driver.h"

namespace app {

namespace {

constexpr size_t kMaxLines = 24;
constexpr size_t kMaxIntervals = 10;
// An anchoring that moves a vessel this far has lifted it out of the terrain (or set it down
// from over it); the few centimetres of every settling vessel are not worth a word.
constexpr double kSetDown_m = 1.0;

// A heading as a compass reads it, as printed with one decimal: 0.0 up to 359.9 degrees
// (rounded first, so that 359.96 reads 0.0 and not 360.0).
std::string Degrees360(double rad) {
  double deg = std::round(rad * kDegPerRad * 10.0) / 10.0;
  deg = std::fmod(deg, 360.0);
  if (deg < 0.0) deg += 360.0;
  if (deg >= 359.95) deg = 0.0;
  return Fixed(deg, 1);
}

// The module's own test.
bool FarFromCarrier(const Measure &focus, const Measure &carrier) {
  return td::PlacesApart(focus.lat_rad, focus.lon_rad, carrier.lat_rad, carrier.lon_rad);
}

}  // namespace

Account::Account(const Scenario &scenario) : scenario_(scenario), contacts_(scenario) {}

long Account::Note(Track &track, double t_s, std::string text) {
  if (track.lines.size() < kMaxLines) {
    track.lines.push_back({t_s, std::move(text)});
    return static_cast<long>(track.lines.size()) - 1;
  }
  ++track.hidden;
  return -1;
}

void Account::Ensure(const StepContext &ctx) {
  contacts_.Ensure(ctx.world, ctx.roster);
  const auto &entries = ctx.roster.Entries();
  while (tracks_.size() < entries.size()) {
    Track track;
    if (const sim::VesselRecord *v = ctx.world.Vessel(entries[tracks_.size()].handle)) {
      track.parent = v->parent;
    }
    tracks_.push_back(std::move(track));
  }
}

void Account::OnStart(const StepContext &ctx) { Ensure(ctx); }

// A key line stands at the key's press and tells the whole hold: its span, and for the keys
// that move, how far the vessel moved while anchored (the module moves only anchored vessels)
// and how it turned.
void Account::EndKeyHold(const StepContext &ctx, int vk, const KeyHold &hold, bool at_end) {
  if (hold.line < 0) return;
  Track &track = tracks_[static_cast<size_t>(hold.vessel)];
  std::string text = "key " + KeyName(vk) + " held " + Fixed(hold.t_s, 3) + "-" +
                     Fixed(hold.end_s, 3) + " s" + (at_end ? " (still down at the end)" : "");
  const RosterEntry &entry = ctx.roster.Entries()[static_cast<size_t>(hold.vessel)];
  const sim::VesselRecord *v = entry.alive ? ctx.world.Vessel(entry.handle) : nullptr;
  const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
  if (td::IsMovementKey(vk) && body != nullptr) {
    text += ": moved " + Fixed(hold.moved_anchored_m, 3) + " m while anchored, heading " +
            Degrees360(hold.heading_rad) + " -> " +
            Degrees360(Heading(MeasureVessel(ctx.world, *v, frames_.Of(*body)))) + " deg";
  }
  track.lines[static_cast<size_t>(hold.line)].text = std::move(text);
}

void Account::OnKeyDown(const StepContext &ctx, int vk) {
  if (td::IsReleaseKey(vk)) pending_keys_.insert(vk);
  const long focus = ctx.roster.IndexOf(ctx.world.Focus());
  if (focus < 0) return;
  const sim::VesselRecord *v = ctx.world.Vessel(ctx.world.Focus());
  const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
  if (body == nullptr) return;
  Track &track = tracks_[static_cast<size_t>(focus)];
  const Measure m = MeasureVessel(ctx.world, *v, frames_.Of(*body));
  KeyHold hold{focus, ctx.simt, Heading(m), m.place};
  hold.line = Note(track, ctx.simt, "key " + KeyName(vk) + " pressed");
  held_[vk] = hold;
}

void Account::OnKeyUp(const StepContext &ctx, int vk) {
  pending_keys_.erase(vk);
  const auto it = held_.find(vk);
  if (it == held_.end()) return;
  it->second.end_s = ctx.simt;
  let_go_.emplace_back(vk, it->second);
  held_.erase(it);
}

void Account::OnDelete(const StepContext &ctx, const std::string &name) {
  const double t = ctx.simt;
  OBJHANDLE deleted = nullptr;
  for (size_t i = 0; i < tracks_.size(); ++i) {
    if (ctx.roster.Label(i).name != name) continue;
    Note(tracks_[i], t, "deleted");
    deleted = ctx.roster.Entries()[i].handle;
    tracks_[i].parent = nullptr;  // it is gone: nothing of it is released later
  }
  for (size_t i = 0; i < tracks_.size(); ++i) {
    Track &track = tracks_[i];
    // The host frees the children of a vessel it removes; children gone before have
    // nothing left to be freed from.
    if (!ctx.roster.Entries()[i].alive || track.parent == nullptr || track.parent != deleted)
      continue;
    ++track.releases["its parent was deleted"];
    Note(track, t, "released: its parent was deleted");
    track.parent = nullptr;
  }
}

void Account::OnThrust(const StepContext &ctx, const ScenarioAction &action) {
  for (size_t i = 0; i < tracks_.size(); ++i) {
    if (ctx.roster.Label(i).name != action.vessel) continue;
    Note(tracks_[i], ctx.simt,
         "thrust set to (" + FormatGeneral(action.thrust_N.x + 0.0, 6) + ", " +
             FormatGeneral(action.thrust_N.y + 0.0, 6) + ", " +
             FormatGeneral(action.thrust_N.z + 0.0, 6) + ") N");
  }
}

void Account::OnAction(const StepContext &ctx, const ScenarioAction &action) {
  const long focus = ctx.roster.IndexOf(ctx.world.Focus());
  switch (action.kind) {
    case ScenarioAction::kKeyDown:
      OnKeyDown(ctx, action.vk);
      break;
    case ScenarioAction::kKeyUp:
      OnKeyUp(ctx, action.vk);
      break;
    case ScenarioAction::kKeyRepeat:
      break;
    case ScenarioAction::kFocus:
      if (focus >= 0) Note(tracks_[static_cast<size_t>(focus)], ctx.simt, "takes the focus");
      break;
    case ScenarioAction::kCreate:
      Ensure(ctx);
      Note(tracks_.back(), ctx.simt, "created");
      break;
    case ScenarioAction::kDelete:
      OnDelete(ctx, action.vessel);
      break;
    case ScenarioAction::kThrust:
      OnThrust(ctx, action);
      break;
  }
}

// The module moves only anchored vessels with its keys: the way walked is over the ground,
// which carries the vessel and its carrier along with it.
void Account::FollowKeyHold(const StepContext &ctx, KeyHold &hold) {
  const RosterEntry &entry = ctx.roster.Entries()[static_cast<size_t>(hold.vessel)];
  const sim::VesselRecord *v = entry.alive ? ctx.world.Vessel(entry.handle) : nullptr;
  if (v == nullptr) return;
  const sim::BodySpec *body = SurfaceBody(ctx.world, *v);
  const VECTOR3 place = body != nullptr ? frames_.Of(*body).Place(v->pos_global) : v->pos_global;
  if (v->parent != nullptr) {
    hold.moved_anchored_m += td::VecLength(td::VecSub(place, hold.last_pos));
  }
  hold.last_pos = place;
}

bool Account::FocusStrayed(const StepContext &ctx) const {
  const long carrier = ctx.roster.CarrierIndex();
  const OBJHANDLE focus = ctx.world.Focus();
  if (carrier < 0 || focus == nullptr) return false;
  const sim::VesselRecord *f = ctx.world.Vessel(focus);
  const sim::VesselRecord *c =
      ctx.world.Vessel(ctx.roster.Entries()[static_cast<size_t>(carrier)].handle);
  const sim::BodySpec *fb = f != nullptr ? SurfaceBody(ctx.world, *f) : nullptr;
  const sim::BodySpec *cb = c != nullptr ? SurfaceBody(ctx.world, *c) : nullptr;
  if (fb == nullptr || cb == nullptr) return false;
  return FarFromCarrier(MeasureVessel(ctx.world, *f, frames_.Of(*fb)),
                        MeasureVessel(ctx.world, *c, frames_.Of(*cb)));
}

void Account::NoteTouchdown(const StepContext &ctx, const Touchdown &touchdown) {
  Track &track = tracks_[touchdown.vessel];
  ++track.touchdowns;
  Note(track, ctx.simt, "touchdown, closing speed " + Fixed(touchdown.closing_mps, 3) + " m/s");
  if (touchdown.closing_mps > fastest_touchdown_.value || fastest_touchdown_.vessel < 0) {
    fastest_touchdown_ = {touchdown.closing_mps, static_cast<long>(touchdown.vessel), ctx.simt};
  }
}

void Account::FollowKeyHolds(const StepContext &ctx) {
  for (auto &[vk, hold] : held_) FollowKeyHold(ctx, hold);
  for (auto &[vk, hold] : let_go_) {
    FollowKeyHold(ctx, hold);
    EndKeyHold(ctx, vk, hold, false);
  }
  let_go_.clear();
}

// The spans in which the focus was too far from the carrier for the module to act.
void Account::FollowFocus(const StepContext &ctx) {
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

void Account::BeforeModuleStep(const StepContext &ctx) {
  contacts_.Look(ctx.world, ctx.roster);
  for (const Touchdown &touchdown : contacts_.Touchdowns()) NoteTouchdown(ctx, touchdown);
  for (const size_t i : contacts_.SphereLandings()) {
    if (tracks_[i].sphere_landings++ == 0) tracks_[i].first_sphere_s = ctx.simt;
  }
  FollowKeyHolds(ctx);
  FollowFocus(ctx);
}

std::string Account::ReleaseCause(const StepContext &ctx, const sim::VesselRecord &v) const {
  if (v.thrust_local_N.x != 0.0 || v.thrust_local_N.y != 0.0 || v.thrust_local_N.z != 0.0) {
    return "thrust";
  }
  if (const sim::BodySpec *body = ctx.world.Body(v.body)) {
    const VECTOR3 rel = td::VecSub(v.pos_global, body->pos_global);
    double terrain_alt_m = SurfaceRadius(ctx.world, *body, rel) - body->radius_m;
    if (terrain_alt_m < td::kTerrainAltitudeFloor_m) terrain_alt_m = td::kTerrainAltitudeFloor_m;
    const double clearance_m = (td::VecLength(rel) - body->radius_m - terrain_alt_m) - v.cog_elev_m;
    if (td::FloatsFree(clearance_m, terrain_alt_m)) return "floating free";
  }
  if (strayed_) return "focus distance";
  if (!pending_keys_.empty()) return "release key " + KeyName(*pending_keys_.begin());
  return "other";
}

// What the host's state between steps cannot show: anchorings undone within the step they
// were made in, and the forces the module applied.
// What the module's calls did to one vessel in this step, read off the host's record of it.
void Account::ReadHostCalls(const StepContext &ctx, size_t index, const sim::VesselRecord &v) {
  if (v.forces_step == ctx.step) {
    const double force_N = td::VecLength(v.forces_sum_N);
    if (force_N > largest_force_.value) {
      largest_force_ = {force_N, static_cast<long>(index), ctx.simt};
    }
  }
  if (v.undone_step == ctx.step) NoteUndone(ctx, tracks_[index]);
}

void Account::NoteUndone(const StepContext &ctx, Track &track) {
  if (track.undone++ == 0) {
    track.first_undone_s = ctx.simt;
    Note(track, ctx.simt, "anchored and released again within the step");
  }
}

// A vessel that hangs on another now, or no longer: the module anchored or released it.
void Account::NoteParentChange(const StepContext &ctx, size_t index, const sim::VesselRecord &v) {
  Track &track = tracks_[index];
  if (track.parent != nullptr) {
    const std::string cause = ReleaseCause(ctx, v);
    ++track.releases[cause];
    Note(track, ctx.simt, "released: " + cause);
  }
  if (v.parent != nullptr) {
    ++track.anchorings;
    std::string text = "anchored to " + ctx.roster.NameOf(v.parent);
    // Anchoring sets a vessel down on the terrain under it; a buried one comes up.
    if (const sim::BodySpec *body = SurfaceBody(ctx.world, v)) {
      const Measure m = MeasureVessel(ctx.world, v, frames_.Of(*body));
      const double lifted_m = td::VecDot(td::VecSub(m.place, contacts_.PlaceBefore(index)), m.up);
      if (std::abs(lifted_m) >= kSetDown_m) {
        text += ", set " + Fixed(std::abs(lifted_m), 3) + " m " + (lifted_m > 0 ? "up" : "down") +
                " onto the terrain";
      }
    }
    Note(track, ctx.simt, std::move(text));
  }
  track.parent = v.parent;
}

// A resting vessel in contact that stays free while every slot of the module's anchor table
// is taken.
void Account::NoteTableFull(const StepContext &ctx) {
  const auto &entries = ctx.roster.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const sim::VesselRecord *v = entries[i].alive ? ctx.world.Vessel(entries[i].handle) : nullptr;
    if (v != nullptr && contacts_.InContact(i) && v->parent == nullptr && !v->fixed_to_body)
      tracks_[i].found_table_full = true;
  }
}

void Account::AfterModuleStep(const StepContext &ctx) {
  const auto &entries = ctx.roster.Entries();
  const long carrier = ctx.roster.CarrierIndex();
  const OBJHANDLE carrier_handle =
      carrier >= 0 ? entries[static_cast<size_t>(carrier)].handle : nullptr;
  int anchored = 0;
  const size_t count = entries.size();
  for (size_t i = 0; i < count; ++i) {
    if (!entries[i].alive) continue;
    const sim::VesselRecord *v = ctx.world.Vessel(entries[i].handle);
    if (v == nullptr) continue;
    ReadHostCalls(ctx, i, *v);
    if (v->parent != nullptr && v->parent == carrier_handle) ++anchored;
    if (v->parent != tracks_[i].parent) NoteParentChange(ctx, i, *v);
  }
  if (anchored >= td::kAnchorSlotCount) NoteTableFull(ctx);
  // The module acts on a release key in the first step that has a carrier.
  if (carrier >= 0) {
    carrier_seen_ = true;
    pending_keys_.clear();
  }
}

std::string Account::FinalState(const StepContext &ctx, size_t index) const {
  const RosterEntry &entry = ctx.roster.Entries()[index];
  if (!entry.alive) return "deleted";
  const sim::VesselRecord *v = ctx.world.Vessel(entry.handle);
  const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
  if (body == nullptr) return "no body";
  const Measure m = MeasureVessel(ctx.world, *v, frames_.Of(*body));
  const double moved_m = td::VecLength(td::VecSub(m.place, contacts_.StartPlace(index)));
  std::string state;
  if (v->fixed_to_body) {
    state = "fixed to " + body->name;
  } else if (v->parent != nullptr) {
    state = "anchored to " + ctx.roster.NameOf(v->parent);
  } else {
    state = "free, speed " + Fixed(td::VecLength(m.vel), 3) + " m/s (" +
            Fixed(td::VecDot(m.vel, m.up), 3, true) + " m/s up)";
  }
  const bool terrain_body = ctx.world.Body(ctx.world.TerrainBody()) == body;
  return state + "; altitude " + Fixed(m.altitude_m, 3) + " m, touchdown plane " +
         Fixed(m.clearance_m, 4) + " m over " +
         (terrain_body ? std::string("the terrain") : "the mean radius of " + body->name) +
         "; lat " + Fixed(m.lat_rad * kDegPerRad, 6) + ", lon " + Fixed(m.lon_rad * kDegPerRad, 6) +
         " deg; " + Fixed(moved_m, 3) + " m from its start";
}

void Account::OnFinish(const StepContext &ctx) {
  for (const auto &[vk, hold] : let_go_) EndKeyHold(ctx, vk, hold, false);
  for (auto &[vk, hold] : held_) {
    hold.end_s = ctx.simt;
    EndKeyHold(ctx, vk, hold, true);
  }
  held_.clear();
  let_go_.clear();
  anchored_at_end_.clear();
  for (size_t i = 0; i < tracks_.size(); ++i) {
    tracks_[i].final_state = FinalState(ctx, i);
    const RosterEntry &entry = ctx.roster.Entries()[i];
    const sim::VesselRecord *v = entry.alive ? ctx.world.Vessel(entry.handle) : nullptr;
    anchored_at_end_.push_back(v != nullptr && v->parent != nullptr && !v->fixed_to_body);
  }
  foreign_points_ = ctx.world.HostWarnings(sim::HostWarning::kForeignPoint);
  occupied_points_ = ctx.world.HostWarnings(sim::HostWarning::kOccupiedPoint);
  refused_ = ctx.world.HostWarnings(sim::HostWarning::kRefused);
  for (const sim::MessageBoxRecord &box : ctx.world.MessageBoxes()) {
    message_boxes_.push_back(Printable("\"" + box.text + "\" captioned \"" + box.caption + "\""));
  }
  if (strayed_ && !strayed_intervals_.empty() &&
      strayed_intervals_.size() == size_t(strayed_intervals_total_)) {
    strayed_intervals_.back().to_s = ctx.simt;
  }
  names_.clear();
  plain_names_.clear();
  for (size_t i = 0; i < ctx.roster.Entries().size(); ++i) {
    const RosterLabel &label = ctx.roster.Label(i);
    names_.push_back(Printable(
        label.name + " (" + (label.class_name ? "class " + *label.class_name : "no class") + ")"));
    plain_names_.push_back(Printable(label.name));
  }
}

}  // namespace app
