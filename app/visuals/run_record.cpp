#include "app/visuals/run_record.h"

#include <algorithm>
#include <cmath>

#include "app/base/key_names.h"
#include "app/base/text_format.h"
#include "app/world/vessel_measure.h"
#include "math/vector.h"

namespace app {

namespace {

// Paths farther than this from the carrier (a lander climbing away sideways) do not stretch
// the terrain map: a map kilometres wide would show nothing of the landing site.
constexpr double kMaxMapHalfWidth_m = 5000.0;
constexpr double kMinMapHalfWidth_m = 30.0;

std::string DisplayName(const std::string &file) {
  if (!file.empty() && file.front() == '<' && file.back() == '>') {
    return file.substr(1, file.size() - 2);
  }
  const size_t slash = file.find_last_of("/\\");
  return slash == std::string::npos ? file : file.substr(slash + 1);
}

// The rotation of a right-handed matrix given by its columns, as three.js reads quaternions.
void QuaternionOf(const VECTOR3 &c0, const VECTOR3 &c1, const VECTOR3 &c2, Sample &s) {
  const double m00 = c0.x, m10 = c0.y, m20 = c0.z;
  const double m01 = c1.x, m11 = c1.y, m21 = c1.z;
  const double m02 = c2.x, m12 = c2.y, m22 = c2.z;
  const double trace = m00 + m11 + m22;
  double x, y, z, w;
  if (trace > 0.0) {
    const double k = 0.5 / std::sqrt(trace + 1.0);
    w = 0.25 / k, x = (m21 - m12) * k, y = (m02 - m20) * k, z = (m10 - m01) * k;
  } else if (m00 > m11 && m00 > m22) {
    const double k = 2.0 * std::sqrt(1.0 + m00 - m11 - m22);
    w = (m21 - m12) / k, x = 0.25 * k, y = (m01 + m10) / k, z = (m02 + m20) / k;
  } else if (m11 > m22) {
    const double k = 2.0 * std::sqrt(1.0 + m11 - m00 - m22);
    w = (m02 - m20) / k, x = (m01 + m10) / k, y = 0.25 * k, z = (m12 + m21) / k;
  } else {
    const double k = 2.0 * std::sqrt(1.0 + m22 - m00 - m11);
    w = (m10 - m01) / k, x = (m02 + m20) / k, y = (m12 + m21) / k, z = 0.25 * k;
  }
  s.qx = static_cast<float>(x), s.qy = static_cast<float>(y);
  s.qz = static_cast<float>(z), s.qw = static_cast<float>(w);
}

}  // namespace

RunRecorder::RunRecorder(const Scenario &scenario) : scenario_(scenario), contacts_(scenario) {
  const auto steps = static_cast<int64_t>(scenario.steps);
  stride_ = std::max<int64_t>(1, (steps + kMaxFrames - 1) / static_cast<int64_t>(kMaxFrames));
  record_.scenario = DisplayName(scenario.file);
  record_.step_s = scenario.step_s;
}

void RunRecorder::Ensure(const StepContext &ctx) {
  const auto &entries = ctx.roster.Entries();
  while (watch_.size() < entries.size()) {
    const RosterEntry &entry = entries[watch_.size()];
    const RosterLabel &label = ctx.roster.Label(watch_.size());
    VesselTrack track;
    track.name = label.name;
    track.class_name = label.class_name.value_or("");
    track.fixed_to_body = entry.fixed_to_body;
    Watch watch;
    if (const sim::VesselRecord *v = ctx.world.Vessel(entry.handle)) {
      track.cog_elev_m = v->cog_elev_m;
      watch.parent = v->parent;
    }
    record_.vessels.push_back(std::move(track));
    watch_.push_back(watch);
  }
}

bool RunRecorder::AddMark(double t_s, Mark::Kind kind, long vessel, std::string text) {
  // A vessel that bounces for hours would otherwise mark without end.
  if (record_.marks.size() >= kMaxMarks) return false;
  record_.marks.push_back({t_s, kind, vessel, std::move(text)});
  return true;
}

void RunRecorder::OnStart(const StepContext &ctx) {
  Ensure(ctx);
  record_.carrier = ctx.roster.CarrierIndex();
  // The stage is centred on the carrier; without one on the first vessel that has a body.
  const auto &entries = ctx.roster.Entries();
  bool placed = false;
  for (size_t i = 0; i < entries.size() && !placed; ++i) {
    const size_t index = record_.carrier >= 0 ? static_cast<size_t>(record_.carrier) : i;
    const sim::VesselRecord *v = ctx.world.Vessel(entries[index].handle);
    const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
    if (body == nullptr) continue;
    const Measure m = MeasureVessel(ctx.world, *v, *body);
    record_.frame = SurfaceFrameAt(BodyFrameOf(*body), m.lat_rad, m.lon_rad);
    placed = true;
  }
  if (record_.carrier >= 0) record_.vessels[static_cast<size_t>(record_.carrier)].carrier = true;
  TakeSample(ctx);
}

void RunRecorder::OnAction(const StepContext &ctx, const ScenarioAction &action) {
  Ensure(ctx);
  const double t = ctx.simt;
  const long focus = ctx.roster.IndexOf(ctx.world.Focus());
  const long named = [&] {
    for (size_t i = 0; i < record_.vessels.size(); ++i) {
      if (record_.vessels[i].name == action.vessel) return static_cast<long>(i);
    }
    return -1L;
  }();
  switch (action.kind) {
    case ScenarioAction::kKeyDown:
      if (AddMark(t, Mark::kKey, focus, "key " + KeyName(action.vk))) {
        held_.push_back({action.vk, record_.marks.size() - 1, t});
      }
      break;
    case ScenarioAction::kKeyUp:
      for (auto it = held_.begin(); it != held_.end(); ++it) {
        if (it->vk != action.vk) continue;
        record_.marks[it->mark].text += ", " + FormatFixed(t - it->down_s, 2) + " s";
        held_.erase(it);
        break;
      }
      break;
    case ScenarioAction::kKeyRepeat:
      break;
    case ScenarioAction::kFocus:
      AddMark(t, Mark::kFocus, focus, action.vessel.empty() ? "no focus" : "takes the focus");
      break;
    case ScenarioAction::kThrust:
      AddMark(t, Mark::kThrust, named,
              "thrust " + FormatFixed(td::VecLength(action.thrust_N), 0) + " N");
      break;
    case ScenarioAction::kCreate:
      AddMark(t, Mark::kCreated, named, "created");
      break;
    case ScenarioAction::kDelete:
      AddMark(t, Mark::kDeleted, named, "deleted");
      break;
  }
}

// Anchorings and releases: the module's in its step, the host's when it frees the
// children of a deleted vessel.
void RunRecorder::NoteParentChanges(const StepContext &ctx) {
  const auto &entries = ctx.roster.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const sim::VesselRecord *v = entries[i].alive ? ctx.world.Vessel(entries[i].handle) : nullptr;
    if (v == nullptr || v->parent == watch_[i].parent) continue;
    const long index = static_cast<long>(i);
    if (watch_[i].parent != nullptr) AddMark(ctx.simt, Mark::kReleased, index, "released");
    if (v->parent != nullptr) {
      AddMark(ctx.simt, Mark::kAnchored, index, "anchored to " + ctx.roster.NameOf(v->parent));
    }
    watch_[i].parent = v->parent;
  }
}

void RunRecorder::BeforeModuleStep(const StepContext &ctx) {
  Ensure(ctx);
  NoteParentChanges(ctx);
  contacts_.Look(ctx.world, ctx.roster);
  for (const Touchdown &t : contacts_.Touchdowns()) {
    AddMark(ctx.simt, Mark::kTouchdown, static_cast<long>(t.vessel),
            "touchdown " + FormatFixed(t.closing_mps, 2) + " m/s");
  }
}

void RunRecorder::AfterModuleStep(const StepContext &ctx) {
  NoteParentChanges(ctx);
  // The module's forces of this step, as the world recorded its AddForce calls: a vessel's
  // own force total leaves out what is added to a child, and anchored vessels are children.
  for (const sim::HostEvent &e : ctx.world.Events()) {
    const auto *force = e.As<sim::AddForceEvent>();
    if (force == nullptr) continue;
    const long index = ctx.roster.IndexOf(force->vessel);
    const sim::VesselRecord *v = ctx.world.Vessel(force->vessel);
    const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
    if (index < 0 || body == nullptr) continue;
    const BodyFrame frame = BodyFrameOf(*body);
    const VECTOR3 up = MeasureVessel(ctx.world, *v, frame).up;
    const VECTOR3 f = frame.Direction(v->rot.Mul(force->force_N));
    const double along = td::VecDot(f, up);
    const double across = td::VecLength(td::VecSub(f, td::VecScale(up, along)));
    Watch &w = watch_[static_cast<size_t>(index)];
    w.step_up_N += along;
    w.step_across_N += across;
    w.pushed = true;
  }
  for (size_t i = 0; i < watch_.size(); ++i) {
    Watch &w = watch_[i];
    if (w.pushed) {
      if (std::abs(w.step_up_N) > std::abs(w.peak_up_N))
        w.peak_up_N = static_cast<float>(w.step_up_N);
      w.peak_across_N = std::max(w.peak_across_N, static_cast<float>(w.step_across_N));
      w.peak_state = std::max(w.peak_state, ContactState::kContact);
    }
    w.step_up_N = w.step_across_N = 0.0;
    w.pushed = false;
    if (watch_[i].parent != nullptr) w.peak_state = ContactState::kAnchored;
  }
  if (ctx.step == 0 && sampled_step_ == 0) DropStartSample();
  if (ctx.step % stride_ == 0 || ctx.step == scenario_.steps) TakeSample(ctx);
}

// The start's frame is taken again after the module's first step, with what that step did.
void RunRecorder::DropStartSample() {
  record_.frame_t_s.pop_back();
  for (VesselTrack &track : record_.vessels) {
    if (!track.samples.empty() && track.first_frame == 0) track.samples.pop_back();
  }
}

// One vessel's place, motion, forces and attitude in the frame's scene.
Sample RunRecorder::SampleOf(const StepContext &ctx, const sim::VesselRecord &v,
                             const sim::BodySpec &body, const Watch &w) const {
  const SurfaceFrame &sf = record_.frame;
  const BodyFrame ground = BodyFrameOf(body);
  const Measure m = MeasureVessel(ctx.world, v, ground);
  Sample s;
  const VECTOR3 local = sf.ToLocal(m.place);
  s.east_m = static_cast<float>(local.x);
  s.north_m = static_cast<float>(local.y);
  s.up_m = static_cast<float>(local.z);
  s.clearance_m = static_cast<float>(m.clearance_m);
  s.up_speed_mps = static_cast<float>(td::VecDot(m.vel, m.up));
  s.force_up_N = w.peak_up_N;
  s.force_across_N = w.peak_across_N;
  s.state = v.parent != nullptr ? ContactState::kAnchored : w.peak_state;
  // The scene is (east, up, south); its shapes point their nose along -z.
  const auto scene = [&sf, &ground](const VECTOR3 &d) {
    const VECTOR3 l = sf.DirToLocal(ground.Direction(d));
    return td::Vec3(l.x, l.z, -l.y);
  };
  QuaternionOf(scene(v.rot.Column(0)), scene(v.rot.Column(1)),
               td::VecScale(scene(v.rot.Column(2)), -1.0), s);
  return s;
}

void RunRecorder::TakeSample(const StepContext &ctx) {
  sampled_step_ = ctx.step;
  const size_t frame = record_.frame_t_s.size();
  record_.frame_t_s.push_back(ctx.simt);
  const auto &entries = ctx.roster.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const sim::VesselRecord *v = entries[i].alive ? ctx.world.Vessel(entries[i].handle) : nullptr;
    const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
    if (body == nullptr) continue;
    VesselTrack &track = record_.vessels[i];
    Watch &w = watch_[i];
    const Sample s = SampleOf(ctx, *v, *body, w);
    if (track.samples.empty()) {
      track.first_frame = frame;
    } else {
      const Sample &prev = track.samples.back();
      const double de = s.east_m - prev.east_m, dn = s.north_m - prev.north_m;
      track.path_length_m += std::hypot(de, dn);
      track.travel_m += std::hypot(de, dn, s.up_m - prev.up_m);
    }
    track.samples.push_back(s);
    w.peak_up_N = w.peak_across_N = 0.0F;
    w.peak_state = ContactState::kFree;
  }
}

void RunRecorder::OnFinish(const StepContext &ctx) {
  // The last step is always a frame: steps placed by the clock end before the count the
  // stride was worked out from, and a run stopped early ends where it stopped.
  if (ctx.step > 0 && sampled_step_ != ctx.step) TakeSample(ctx);
  // The map covers the carrier and every place a vessel went near it.
  double e_lo = 0.0, e_hi = 0.0, n_lo = 0.0, n_hi = 0.0;
  for (const VesselTrack &track : record_.vessels) {
    for (const app::Sample &s : track.samples) {
      if (!(std::hypot(s.east_m, s.north_m) <= kMaxMapHalfWidth_m)) continue;
      e_lo = std::min<double>(e_lo, s.east_m), e_hi = std::max<double>(e_hi, s.east_m);
      n_lo = std::min<double>(n_lo, s.north_m), n_hi = std::max<double>(n_hi, s.north_m);
    }
  }
  const double half = std::clamp(0.5 * std::max(e_hi - e_lo, n_hi - n_lo) * 1.15 + 10.0,
                                 kMinMapHalfWidth_m, kMaxMapHalfWidth_m);
  record_.terrain = SampleTerrain(ctx.world, record_.frame, 0.5 * (e_lo + e_hi),
                                  0.5 * (n_lo + n_hi), half, kTerrainGridSize);
}

}  // namespace app
