#include "app/outputs/scn_save.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "app/base/text_format.h"
#include "app/world/vessel_measure.h"
#include "math/units.h"
#include "math/vector.h"

namespace app {

namespace {

using td::kDegPerRad;

// The simulator reads every number with sscanf's %lf: the shortest form that reads back to
// the same double gives it every bit, where its own files keep seven digits.
void AppendNumbers(std::string &out, const char *key, std::initializer_list<double> values) {
  out += "  ";
  out += key;
  for (const double value : values) {
    out += ' ';
    AppendNumber(out, value, "nan");
  }
  out += '\n';
}

bool Finite(const VECTOR3 &v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

bool StateFinite(const sim::VesselRecord &v) {
  return Finite(v.pos_global) && Finite(v.vel_global) && Finite(v.rot.Column(0)) &&
         Finite(v.rot.Column(1)) && Finite(v.rot.Column(2));
}

// On the ground: in the host's landed state, fixed to its body (the carrier), or hanging,
// through any number of parents, on a vessel that is (anchored by the module).
bool StandsOnGround(const sim::World &world, const sim::VesselRecord &v) {
  const sim::VesselRecord *at = &v;
  // Bounded as SurfaceBody is: a loop of parents must not hang the program.
  for (int depth = 0; at != nullptr && depth < 100000; ++depth) {
    if (at->fixed_to_body || world.Landed(at->handle)) return true;
    at = at->parent != nullptr ? world.Vessel(at->parent) : nullptr;
  }
  return false;
}

// The simulator's AROT: the angles it builds a rotation from, its matrix laid out as ours
// (columns the vessel's axes in the global frame), read back by its own formulas.
VECTOR3 ArotDeg(const sim::Mat3 &rot) {
  const double m13 = std::clamp(rot.m[0][2], -1.0, 1.0);  // a unit matrix's rounding
  return td::Vec3(kDegPerRad * std::atan2(rot.m[1][2], rot.m[2][2]), -kDegPerRad * std::asin(m13),
                  kDegPerRad * std::atan2(rot.m[0][1], rot.m[0][0]));
}

// Where it stands, and the heading of its nose over the turning ground, as the simulator
// writes it (0 to 360). The simulator stands it upright there on loading.
void AppendLanded(std::string &out, const sim::World &world, const sim::VesselRecord &v,
                  const sim::BodySpec &body) {
  const Measure m = MeasureVessel(world, v, body);
  double heading_deg = Heading(m) * kDegPerRad;
  if (heading_deg < 0.0) heading_deg += 360.0;
  out += "  STATUS Landed " + body.name + "\n";
  AppendNumbers(out, "POS", {m.lon_rad * kDegPerRad, m.lat_rad * kDegPerRad});
  AppendNumbers(out, "HEADING", {heading_deg});
}

// State vectors from the body's centre along the global axes; the velocity is relative to
// the body's, without the ground's turn.
void AppendOrbiting(std::string &out, const sim::VesselRecord &v, const sim::BodySpec &body) {
  const VECTOR3 rpos = td::VecSub(v.pos_global, body.pos_global);
  const VECTOR3 rvel = td::VecSub(v.vel_global, body.vel_global);
  const VECTOR3 arot = ArotDeg(v.rot);
  out += "  STATUS Orbiting " + body.name + "\n";
  AppendNumbers(out, "RPOS", {rpos.x, rpos.y, rpos.z});
  AppendNumbers(out, "RVEL", {rvel.x, rvel.y, rvel.z});
  AppendNumbers(out, "AROT", {arot.x, arot.y, arot.z});
}

// What the outputs call it; a vessel the roster has not seen by its own record.
RosterLabel LabelOf(const sim::VesselRecord &v, const Roster &roster) {
  const long index = roster.IndexOf(v.handle);
  return index >= 0 ? roster.Label(static_cast<size_t>(index)) : RosterLabel{v.name, v.class_name};
}

// No ATTACHED line for a vessel the module anchored: the module's attachment points exist
// only while it runs. Loaded again, the vessel stands landed where it stood, and the module
// anchors it anew once it rests.
void AppendVessel(std::string &out, const sim::World &world, const RosterLabel &label,
                  const sim::VesselRecord &v, const sim::BodySpec &body) {
  // The class only where it is not the name, as the simulator reads the header.
  out += label.name;
  if (label.class_name && *label.class_name != label.name) out += ":" + *label.class_name;
  out += '\n';
  if (StandsOnGround(world, v)) {
    AppendLanded(out, world, v, body);
  } else {
    AppendOrbiting(out, v, body);
  }
  out += "END\n";
}

void AppendDescription(std::string &out, const sim::World &world, const std::string &source,
                       const std::vector<std::string> &left_out) {
  out += "BEGIN_DESC\nThe end state of " + Printable(source) + " after " +
         FormatGeneral(world.SimTime(), 9) + " s of simulated time, saved by touchdown-sim.\n";
  if (!left_out.empty()) {
    out += "Left out, their state not being finite or having no body:";
    for (const std::string &name : left_out) out += " " + Printable(name);
    out += '\n';
  }
  out += "END_DESC\n\n";
}

}  // namespace

std::string ScnText(const sim::World &world, const Roster &roster, const std::string &source) {
  std::string ships = "BEGIN_SHIPS\n";
  std::vector<std::string> left_out;
  std::string focus;
  for (const OBJHANDLE handle : world.LiveVessels()) {
    const sim::VesselRecord *v = world.Vessel(handle);
    const sim::BodySpec *body = v != nullptr ? SurfaceBody(world, *v) : nullptr;
    if (v == nullptr) continue;
    const RosterLabel label = LabelOf(*v, roster);
    if (body == nullptr || !StateFinite(*v)) {
      left_out.push_back(label.name);
      continue;
    }
    AppendVessel(ships, world, label, *v, *body);
    if (handle == world.Focus()) focus = label.name;
  }
  ships += "END_SHIPS\n";
  std::string out;
  AppendDescription(out, world, source, left_out);
  out += "BEGIN_ENVIRONMENT\n  System Sol\n";
  AppendNumbers(out, "Date MJD", {world.Mjd()});
  out += "END_ENVIRONMENT\n\n";
  // Without a focus block the simulator gives the focus to the first vessel.
  if (!focus.empty()) out += "BEGIN_FOCUS\n  Ship " + focus + "\nEND_FOCUS\n\n";
  return out + ships;
}

ScnSave::ScnSave(const std::string &path, std::string source)
    : out_(path), source_(std::move(source)) {}

void ScnSave::OnFinish(const StepContext &ctx) {
  out_.Buffer() += ScnText(ctx.world, ctx.roster, source_);
  out_.Close();
}

}  // namespace app
