#include "app/outputs/trace.h"

#include "app/base/text_format.h"
#include "app/world/scenario_world.h"
#include "app/world/vessel_measure.h"

namespace app {

namespace {

void Cell(std::string &out, double value) {
  out += ',';
  AppendNumber(out, value, "");
}

}  // namespace

Trace::Trace(const std::string &path, int64_t every) : out_(path), every_(every) {}

void Trace::OnStart(const StepContext &) {
  out_.Buffer() +=
      "step,t_s,vessel,parent,x_m,y_m,z_m,vx_mps,vy_mps,vz_mps,lat_deg,lon_deg,heading_deg,"
      "altitude_m,clearance_m\n";
}

void Trace::BeforeModuleStep(const StepContext &ctx) { WriteRows(ctx); }

void Trace::WriteRows(const StepContext &ctx) {
  if (ctx.step % every_ != 0 || ctx.step == written_step_) return;
  written_step_ = ctx.step;
  std::string &out = out_.Buffer();
  const auto &entries = ctx.roster.Entries();
  for (size_t i = 0; i < entries.size(); ++i) {
    const RosterEntry &entry = entries[i];
    if (!entry.alive) continue;
    const sim::VesselRecord *v = ctx.world.Vessel(entry.handle);
    const sim::BodySpec *body = v != nullptr ? SurfaceBody(ctx.world, *v) : nullptr;
    if (body == nullptr) continue;
    const Measure m = MeasureVessel(ctx.world, *v, frames_.Of(*body));
    AppendInteger(out, ctx.step);
    Cell(out, ctx.simt);
    out += ',';
    AppendCsvCell(out, ctx.roster.Label(i).name);
    out += ',';
    AppendCsvCell(out, ctx.roster.NameOf(v->parent));
    for (const VECTOR3 *vec : {&v->pos_global, &v->vel_global}) {
      Cell(out, vec->x);
      Cell(out, vec->y);
      Cell(out, vec->z);
    }
    Cell(out, m.lat_rad * kDegPerRad);
    Cell(out, m.lon_rad * kDegPerRad);
    Cell(out, Heading(m) * kDegPerRad);
    Cell(out, m.altitude_m);
    Cell(out, m.clearance_m);
    out += '\n';
  }
  out_.MaybeFlush();
}

void Trace::OnFinish(const StepContext &ctx) {
  // The state the run ends in, which no step of the module saw.
  WriteRows(ctx);
  out_.Close();
}

}  // namespace app
