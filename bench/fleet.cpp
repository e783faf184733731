#include "bench/fleet.h"

#include "anchor/anchor_table.h"
#include "math/vector.h"
#include "module/entry_points.h"
#include "module/test_access.h"
#include "module/vessel_class.h"
#include "terrain/horizon.h"

namespace tdbench {

namespace {

constexpr double kMoonRadius_m = 1737400.0;
constexpr double kMoonMass_kg = 7.342e22;
constexpr double kCogElev_m = 2.0;
// A grid of 100 by 100 places 8e-5 rad (about 140 m) apart around the carrier: every vessel,
// the focus among them, stays well within the 0.01 rad that would release the anchored.
constexpr int kGridSide = 100;
constexpr double kGridSpacing_rad = 8e-5;
// Anchored vessels are lowered this far below the terrain, so that they are in contact
// whatever the rounding of their placement, and get the forces as well as the table walks.
constexpr double kAnchoredSink_m = 0.005;

const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(0x7d00);

double ClearanceFor(Situation situation) {
  switch (situation) {
    case Situation::kFlight:
      return 1000.0;
    case Situation::kContact:
      return -0.05;
    case Situation::kAnchored:
      break;
  }
  return -0.01;
}

}  // namespace

const char *SituationName(Situation situation) {
  switch (situation) {
    case Situation::kFlight:
      return "flight";
    case Situation::kContact:
      return "contact";
    case Situation::kAnchored:
      break;
  }
  return "anchored";
}

Fleet::Fleet(Situation situation, int vessels) : situation_(situation) {
  world_.SetRecording(false);
  moon_ = world_.AddBody({"Moon", kMoonRadius_m, kMoonMass_kg, td::Vec3(0, 0, 0)});
  AddCarrier();
  for (int i = 0; i < vessels; ++i) vessels_.push_back(AddVessel(i));
  if (!vessels_.empty()) world_.SetFocus(vessels_.front());
  StartModule();
  Step();  // the resting vessels are anchored here
  if (situation == Situation::kAnchored) SinkAnchored();
  Step();
}

void Fleet::AddCarrier() {
  sim::VesselSpec ground;
  ground.name = "ground";
  ground.class_name = td::kCarrierClass;
  ground.body = moon_;
  ground.pos_global = sim::SurfacePoint(*world_.Body(moon_), 0.0, 0.0, kMoonRadius_m);
  ground.rot = sim::UprightAttitude(0.0, 0.0);
  ground.fixed_to_body = true;
  ground.mass_kg = 1.0;
  carrier_ = world_.AddVessel(ground);
}

OBJHANDLE Fleet::AddVessel(int i) {
  // Grid cells counted from the middle, row by row.
  const int column = i % kGridSide - kGridSide / 2;
  const int row = i / kGridSide % kGridSide - kGridSide / 2;
  const double lat_rad = column * kGridSpacing_rad;
  const double lon_rad = row * kGridSpacing_rad;
  sim::VesselSpec desc;
  desc.name = "v" + std::to_string(i);
  desc.class_name = "Lander";
  desc.body = moon_;
  desc.pos_global = sim::SurfacePoint(*world_.Body(moon_), lat_rad, lon_rad,
                                      kMoonRadius_m + kCogElev_m + ClearanceFor(situation_));
  desc.rot = sim::UprightAttitude(lat_rad, lon_rad);
  desc.cog_elev_m = kCogElev_m;
  desc.mass_kg = 1000.0 + i;
  if (situation_ == Situation::kContact) {
    const terrain::Horizon h = terrain::HorizonAt(lat_rad, lon_rad);
    desc.vel_global = td::VecSub(h.east, td::VecScale(h.up, 0.1));
  }
  return world_.AddVessel(desc);
}

void Fleet::StartModule() {
  DorvakConfig flat{};
  flat.body_radius_m = kMoonRadius_m;
  flat.relief = kDorvakFlat;
  world_.ConfigureTerrain(flat);
  world_.SetModule({&InitModule, &ExitModule, &GetModuleVersion, nullptr, &opcPreStep, nullptr,
                    &opcCloseRenderViewport},
                   kInstance);
  world_.InitModule();
}

void Fleet::SinkAnchored() {
  VESSEL *carrier = oapiGetVesselInterface(carrier_);
  for (int slot = 0; slot < td::kAnchorSlotCount; ++slot) {
    if (td::test_access::SlotVessel(slot) == nullptr) continue;
    const ATTACHMENTHANDLE point = td::test_access::SlotCarrierPoint(slot);
    VECTOR3 pos, dir, rot;
    carrier->GetAttachmentParams(point, pos, dir, rot);
    pos.y -= kAnchoredSink_m;
    carrier->SetAttachmentParams(point, pos, dir, rot);
  }
}

Fleet::~Fleet() { ExitModule(kInstance); }

void Fleet::Step() {
  simt_ += kStep_s;
  mjd_ += kStep_s / 86400.0;
  opcPreStep(simt_, kStep_s, mjd_);
}

VesselWork Fleet::Work(int i) const {
  switch (situation_) {
    case Situation::kFlight:
      return {false, false, false, false};
    case Situation::kContact:
      return {false, true, true, false};
    case Situation::kAnchored:
      break;
  }
  return {i < td::kAnchorSlotCount, false, true, true};
}

}  // namespace tdbench
