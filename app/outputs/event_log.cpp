#include "app/outputs/event_log.h"

#include <iterator>
#include <variant>

#include "app/base/key_names.h"
#include "app/base/text_format.h"
#include "app/world/vessel_measure.h"
#include "platform/desktop.h"

namespace app {

namespace {

JsonLine Record(std::string &out, int64_t step, double simt, LogKind kind) {
  JsonLine line(out);
  line.Integer("step", step).Number("t", simt).String("kind", kEventKinds[static_cast<int>(kind)]);
  return line;
}

// The world's kinds of call are the log's, in the same order, from AddForce to StaleHandle.
LogKind KindOf(sim::EventKind kind) {
  static_assert(static_cast<int>(LogKind::kStaleHandle) - static_cast<int>(LogKind::kAddForce) ==
                static_cast<int>(sim::EventKind::kStaleHandle));
  return static_cast<LogKind>(static_cast<int>(LogKind::kAddForce) + static_cast<int>(kind));
}

// The host's warning as the log names it; the call's kind is the record's "call".
const char *WarningName(sim::HostWarning warning) {
  switch (warning) {
    case sim::HostWarning::kForeignPoint:
      return "foreign point";
    case sim::HostWarning::kOccupiedPoint:
      return "occupied point";
    case sim::HostWarning::kRefused:
      return "refused";
    case sim::HostWarning::kNone:
      break;
  }
  return "";
}

const char *Transition(LPARAM flags) {
  if ((flags & kKeyReleasingBit) != 0) return "up";
  return (flags & kKeyWasDownBit) != 0 ? "repeat" : "down";
}

}  // namespace

EventLog::EventLog(const std::string &path, const EventLogFilter &filter)
    : out_(path), state_every_(filter.state_every) {
  if (filter.kinds.empty()) return;
  kept_ = 0;
  for (const std::string &name : filter.kinds) {
    for (size_t i = 0; i < std::size(kEventKinds); ++i) {
      if (name == kEventKinds[i]) kept_ |= 1U << i;
    }
  }
}

bool EventLog::KeepsHostCalls() const {
  for (int k = static_cast<int>(LogKind::kAddForce); k <= static_cast<int>(LogKind::kStaleHandle);
       ++k) {
    if (Keeps(static_cast<LogKind>(k))) return true;
  }
  return Keeps(LogKind::kHostWarning);  // marked on the calls' records
}

int EventLog::AttachmentId(const sim::World &world, ATTACHMENTHANDLE att) const {
  const sim::AttachmentRecord *record = world.Attachment(att);
  return record != nullptr ? record->serial : 0;
}

void EventLog::WriteVessel(const StepContext &ctx, size_t index) {
  const sim::VesselRecord *v = ctx.world.Vessel(ctx.roster.Entries()[index].handle);
  if (v == nullptr || !Keeps(LogKind::kVessel)) return;
  const RosterLabel &label = ctx.roster.Label(index);
  JsonLine line = Record(out_.Buffer(), ctx.step, ctx.simt, LogKind::kVessel);
  line.String("vessel", label.name);
  if (label.class_name) {
    line.String("class", *label.class_name);
  } else {
    line.StringOrNull("class", "");
  }
  const sim::BodySpec *body = ctx.world.Body(v->body);
  line.String("body", body != nullptr ? body->name : "")
      .Number("mass", v->mass_kg)
      .Number("cog_elev", v->cog_elev_m)
      .Bool("fixed_to_body", v->fixed_to_body)
      .End();
}

void EventLog::WriteState(const StepContext &ctx, size_t index) {
  const sim::VesselRecord *v = ctx.world.Vessel(ctx.roster.Entries()[index].handle);
  if (v == nullptr) return;
  const sim::BodySpec *body = SurfaceBody(ctx.world, *v);
  const Measure m = body != nullptr ? MeasureVessel(ctx.world, *v, *body) : Measure{};
  JsonLine line = Record(out_.Buffer(), ctx.step, ctx.simt, LogKind::kState);
  line.String("vessel", ctx.roster.Label(index).name)
      .Vector("pos", v->pos_global)
      .Vector("vel", v->vel_global)
      .Open("axes")
      .Vector("x", v->rot.Column(0))
      .Vector("y", v->rot.Column(1))
      .Vector("z", v->rot.Column(2))
      .Close()
      .Number("altitude", m.altitude_m)
      .Number("clearance", m.clearance_m)
      .StringOrNull("parent", ctx.roster.NameOf(v->parent))
      .End();
}

// After the call's own record: a log may keep the warnings and not the calls. Only the
// attaching of a child is ever marked.
void EventLog::WriteWarning(const Roster &roster, const sim::HostEvent &e) {
  if (e.warning == sim::HostWarning::kNone || !Keeps(LogKind::kHostWarning)) return;
  const auto *attach = e.As<sim::AttachChildEvent>();
  Record(out_.Buffer(), e.step, e.simt, LogKind::kHostWarning)
      .String("warning", WarningName(e.warning))
      .String("call", kEventKinds[static_cast<int>(KindOf(e.Kind()))])
      .String("vessel", attach != nullptr ? roster.NameOf(attach->parent) : "")
      .StringOrNull("child", attach != nullptr ? roster.NameOf(attach->child) : "")
      .End();
}

void EventLog::WriteHostEvents(const StepContext &ctx) {
  for (const sim::HostEvent &e : ctx.world.Events()) {
    // The forces are the module's answer to each step's state, applied anew in every step: a
    // log that keeps the State records of every N-th step keeps their forces with them.
    const bool keep = Keeps(KindOf(e.Kind())) &&
                      (e.Kind() != sim::EventKind::kAddForce || e.step % state_every_ == 0);
    std::visit([&](const auto &call) { WriteCall(ctx, e, call, keep); }, e.call);
    WriteWarning(ctx.roster, e);
    out_.MaybeFlush();
  }
}

JsonLine EventLog::CallRecord(const sim::HostEvent &e) {
  return Record(out_.Buffer(), e.step, e.simt, KindOf(e.Kind()));
}

void EventLog::WriteCall(const StepContext &ctx, const sim::HostEvent &e,
                         const sim::AddForceEvent &call, bool keep) {
  if (!keep) return;
  CallRecord(e)
      .String("vessel", ctx.roster.NameOf(call.vessel))
      .Vector("F", call.force_N)
      .Vector("r", call.point_m)
      .End();
}

void EventLog::WriteCall(const StepContext &ctx, const sim::HostEvent &e,
                         const sim::CreateAttachmentEvent &call, bool keep) {
  if (!keep) return;
  CallRecord(e)
      .String("vessel", ctx.roster.NameOf(call.vessel))
      .Bool("toparent", call.toparent)
      .Vector("pos", call.pos)
      .Vector("dir", call.dir)
      .Vector("rot", call.rot)
      .String("id", call.id)
      .Bool("loose", call.loose)
      .Integer("attachment", AttachmentId(ctx.world, call.point))
      .End();
}

// The child on each point is followed even when no record names it: a record of a later
// detaching might.
void EventLog::WriteCall(const StepContext &ctx, const sim::HostEvent &e,
                         const sim::AttachChildEvent &call, bool keep) {
  const int parent_point = AttachmentId(ctx.world, call.parent_point);
  if (call.result) child_at_[parent_point] = ctx.roster.NameOf(call.child);
  if (!keep) return;
  CallRecord(e)
      .String("vessel", ctx.roster.NameOf(call.parent))
      .String("child", ctx.roster.NameOf(call.child))
      .Integer("attachment", parent_point)
      .Integer("child_attachment", AttachmentId(ctx.world, call.child_point))
      .Bool("result", call.result)
      .End();
}

void EventLog::WriteCall(const StepContext &ctx, const sim::HostEvent &e,
                         const sim::DetachChildEvent &call, bool keep) {
  const int point = AttachmentId(ctx.world, call.point);
  std::string child;
  if (auto it = child_at_.find(point); it != child_at_.end()) {
    if (call.result) {
      child = std::move(it->second);
      child_at_.erase(it);
    } else {
      child = it->second;
    }
  }
  if (!keep) return;
  CallRecord(e)
      .String("vessel", ctx.roster.NameOf(call.parent))
      .Integer("attachment", point)
      .StringOrNull("child", call.result ? child : "")
      .Number("vel", call.vel)
      .Bool("result", call.result)
      .End();
}

void EventLog::WriteCall(const StepContext &ctx, const sim::HostEvent &e,
                         const sim::SetAttachmentParamsEvent &call, bool keep) {
  if (!keep) return;
  CallRecord(e)
      .String("vessel", ctx.roster.NameOf(call.vessel))
      .Integer("attachment", AttachmentId(ctx.world, call.point))
      .Vector("pos", call.pos)
      .Vector("dir", call.dir)
      .Vector("rot", call.rot)
      .End();
}

void EventLog::WriteCall(const StepContext &, const sim::HostEvent &e,
                         const sim::MessageBoxEvent &call, bool keep) {
  if (!keep) return;
  CallRecord(e)
      .String("text", call.text)
      .String("caption", call.caption)
      .Bool("owner", call.owner != nullptr)
      .Number("type", call.type)
      .End();
}

void EventLog::WriteCall(const StepContext &, const sim::HostEvent &e,
                         const sim::KeystrokeEvent &call, bool keep) {
  if (!keep) return;
  CallRecord(e)
      .Integer("vk", call.vk)
      .String("key", KeyName(call.vk))
      .String("transition", Transition(call.flags))
      .Integer("flags", static_cast<int64_t>(static_cast<uint32_t>(call.flags)))
      .End();
}

void EventLog::WriteCall(const StepContext &ctx, const sim::HostEvent &e,
                         const sim::StaleHandleEvent &call, bool keep) {
  if (!keep) return;
  CallRecord(e)
      .String("error", "a handle of an ended session")
      .String("call", call.call)
      .String("object", call.object)
      .Integer("serial", call.serial)
      .StringOrNull("names", ctx.roster.NameOf(call.names))
      .End();
}

void EventLog::OnStart(const StepContext &ctx) {
  focus_ = ctx.world.Focus();
  for (; vessels_written_ < ctx.roster.Entries().size(); ++vessels_written_) {
    WriteVessel(ctx, vessels_written_);
  }
  WriteHostEvents(ctx);
}

// The host passes the focus on by itself: from a deleted focus vessel to the nearest, or to
// a vessel created when there was none.
void EventLog::WriteFocusPassed(const StepContext &ctx) {
  if (ctx.world.Focus() == focus_) return;
  focus_ = ctx.world.Focus();
  if (!Keeps(LogKind::kFocus)) return;
  Record(out_.Buffer(), ctx.step, ctx.simt, LogKind::kFocus)
      .StringOrNull("vessel", ctx.roster.NameOf(focus_))
      .End();
}

void EventLog::OnAction(const StepContext &ctx, const ScenarioAction &action) {
  WriteHostEvents(ctx);  // keystrokes delivered before this action come first
  std::string &out = out_.Buffer();
  switch (action.kind) {
    case ScenarioAction::kKeyDown:
    case ScenarioAction::kKeyUp:
    case ScenarioAction::kKeyRepeat:
      break;  // the world records the keystroke as it reaches the hook
    case ScenarioAction::kFocus:
      focus_ = ctx.world.Focus();
      if (!Keeps(LogKind::kFocus)) break;
      Record(out, ctx.step, ctx.simt, LogKind::kFocus).StringOrNull("vessel", action.vessel).End();
      break;
    case ScenarioAction::kDelete:
      if (Keeps(LogKind::kDelete)) {
        Record(out, ctx.step, ctx.simt, LogKind::kDelete).String("vessel", action.vessel).End();
      }
      WriteFocusPassed(ctx);
      break;
    case ScenarioAction::kCreate:
      for (; vessels_written_ < ctx.roster.Entries().size(); ++vessels_written_) {
        WriteVessel(ctx, vessels_written_);
      }
      WriteFocusPassed(ctx);
      break;
    case ScenarioAction::kThrust:
      if (!Keeps(LogKind::kThrust)) break;
      Record(out, ctx.step, ctx.simt, LogKind::kThrust)
          .String("vessel", action.vessel)
          .Vector("thrust", action.thrust_N)
          .End();
      break;
  }
}

void EventLog::OnTimeAcceleration(const StepContext &ctx, double factor) {
  WriteHostEvents(ctx);
  if (!Keeps(LogKind::kTimeAcceleration)) return;
  Record(out_.Buffer(), ctx.step, ctx.simt, LogKind::kTimeAcceleration)
      .Number("factor", factor)
      .End();
}

void EventLog::BeforeModuleStep(const StepContext &ctx) {
  WriteHostEvents(ctx);
  WriteStates(ctx);
}

void EventLog::WriteStates(const StepContext &ctx) {
  if (!Keeps(LogKind::kState) || ctx.step % state_every_ != 0 || ctx.step == state_step_) return;
  state_step_ = ctx.step;
  const auto &entries = ctx.roster.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].alive) WriteState(ctx, i);
  }
  out_.MaybeFlush();
}

void EventLog::AfterModuleStep(const StepContext &ctx) { WriteHostEvents(ctx); }

// Message boxes the desktop gives back as the frame ends.
void EventLog::AfterStep(const StepContext &ctx) { WriteHostEvents(ctx); }

void EventLog::OnFinish(const StepContext &ctx) {
  WriteHostEvents(ctx);
  // The state the run ends in, which no step of the module saw.
  WriteStates(ctx);
  out_.Close();
}

}  // namespace app
