#include "fuzz/world_script.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string>

#include "math/vector.h"
#include "module/entry_points.h"
#include "module/key_table.h"
#include "module/vessel_class.h"

namespace tdfuzz {

namespace {

constexpr double kMoonRadius_m = 1737400.0;
constexpr double kMoonMass_kg = 7.342e22;
constexpr double kPi = 3.141592653589793;
const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(0x7d00);

// --- values ---

// The values hosts are known to hand over by mistake, and now and then any double at all.
double Odd(FuzzedDataProvider &in) {
  constexpr double kInf = std::numeric_limits<double>::infinity();
  switch (in.ConsumeIntegralInRange<int>(0, 12)) {
    case 0:
      return 0.0;
    case 1:
      return -0.0;
    case 2:
      return -1.0;
    case 3:
      return kInf;
    case 4:
      return -kInf;
    case 5:
      return std::numeric_limits<double>::quiet_NaN();
    case 6:
      return 1e300;
    case 7:
      return -1e300;
    case 8:
      return std::numeric_limits<double>::denorm_min();
    case 9:
      return -std::numeric_limits<double>::denorm_min();
    case 10:
      return DBL_MAX;
    case 11:
      return DBL_MIN;
    default: {
      // Every bit pattern, not-a-numbers with payloads included.
      const uint64_t bits = in.ConsumeIntegral<uint64_t>();
      double d;
      static_assert(sizeof d == sizeof bits);
      __builtin_memcpy(&d, &bits, sizeof d);
      return d;
    }
  }
}

// Mostly a value in [lo, hi], one time in sixteen an odd one. Input that has run out gives lo.
double Value(FuzzedDataProvider &in, double lo, double hi) {
  if (in.ConsumeIntegralInRange<int>(0, 15) < 15) return in.ConsumeFloatingPointInRange(lo, hi);
  return Odd(in);
}

VECTOR3 Vector(FuzzedDataProvider &in, double lo, double hi) {
  const double x = Value(in, lo, hi);
  const double y = Value(in, lo, hi);
  const double z = Value(in, lo, hi);
  return td::Vec3(x, y, z);
}

std::optional<std::string> ClassName(FuzzedDataProvider &in) {
  switch (in.ConsumeIntegralInRange<int>(0, 11)) {
    case 0:
    case 1:
      return std::string("Lander");
    case 2:
      return std::string(td::kWalkerClass);
    case 3:
      return std::string(td::kCarClassPrefix) + "\\Jeep";
    case 4:
      return std::string(td::kJetpackClass);
    case 5:
      return std::string(td::kCarrierClass);
    case 6:
      return std::nullopt;
    case 7:
      // A car's prefix one byte short.
      return std::string(td::kCarClassPrefix, td::kCarClassPrefixLength - 1);
    case 8: {
      // A known name with anything after it, a NUL byte included.
      static const char *const kKnown[] = {td::kCarrierClass, td::kWalkerClass, td::kCarClassPrefix,
                                           td::kJetpackClass};
      return std::string(kKnown[in.ConsumeIntegralInRange<int>(0, 3)]) +
             in.ConsumeRandomLengthString(4096);
    }
    default:
      return in.ConsumeRandomLengthString(4096);
  }
}

// --- what the scene holds ---

OBJHANDLE Body(Scene &s, FuzzedDataProvider &in) {
  const int pick = in.ConsumeIntegralInRange<int>(0, 7);
  if (pick == 7) return nullptr;  // no reference body at all
  if (pick < 5 || s.bodies.size() == 1) return s.bodies[0];
  return s.bodies[1 + in.ConsumeIntegralInRange<size_t>(0, s.bodies.size() - 2)];
}

// A body to measure a place against: the moon stands in for none.
const sim::BodySpec &PlaceBody(Scene &s, OBJHANDLE body) {
  const sim::BodySpec *desc = s.world.Body(body);
  return desc != nullptr ? *desc : *s.world.Body(s.bodies[0]);
}

size_t LiveCount(Scene &s) { return s.world.LiveVessels().size(); }

OBJHANDLE AddVessel(Scene &s, FuzzedDataProvider &in, std::optional<std::string> class_name,
                    bool carrier) {
  sim::VesselSpec desc;
  desc.name = "v";
  desc.class_name = std::move(class_name);
  desc.body = Body(s, in);
  const sim::BodySpec &body = PlaceBody(s, desc.body);
  const double lat_rad = Value(in, -0.02, 0.02);
  const double lon_rad = Value(in, -0.02, 0.02);
  desc.cog_elev_m = carrier ? 0.0 : Value(in, 0.0, 5.0);
  const double clearance_m = carrier ? 0.0 : Value(in, -1.0, 3.0);
  desc.pos_global =
      sim::SurfacePoint(body, lat_rad, lon_rad, body.radius_m + desc.cog_elev_m + clearance_m);
  if (in.ConsumeIntegralInRange<int>(0, 31) == 0) desc.pos_global = Vector(in, -1e7, 1e7);
  desc.vel_global = carrier ? VECTOR3{} : Vector(in, -3.0, 3.0);
  desc.rot = sim::UprightAttitude(lat_rad, lon_rad, Value(in, -kPi, kPi), Value(in, -0.6, 0.6),
                                  Value(in, -0.6, 0.6));
  desc.mass_kg = Value(in, 1.0, 1e5);
  if (in.ConsumeIntegralInRange<int>(0, 7) == 0) desc.thrust_local_N = Vector(in, -1e4, 1e4);
  desc.fixed_to_body = carrier ? in.ConsumeIntegralInRange<int>(0, 7) != 0 : false;
  return s.world.AddVessel(desc);
}

// Vessels just sunk into a flat patch of terrain at rest: the contact pass anchors them.
void AddRestingBatch(Scene &s, FuzzedDataProvider &in) {
  const size_t room = kMaxVessels - std::min(kMaxVessels, LiveCount(s));
  const size_t count = std::min(room, in.ConsumeIntegralInRange<size_t>(1, 60));
  const std::optional<std::string> class_name = ClassName(in);
  const double cog_m = Value(in, 0.0, 3.0);
  const sim::BodySpec &moon = *s.world.Body(s.bodies[0]);
  const double surface_m = moon.radius_m + s.terrain.offset_m;
  for (size_t i = 0; i < count; ++i) {
    sim::VesselSpec desc;
    desc.name = "r";
    desc.class_name = class_name;
    desc.body = s.bodies[0];
    const double lat_rad = 1e-5 * static_cast<double>(i % 12);
    const size_t row = i / 12;
    const double lon_rad = 1e-5 * static_cast<double>(row);
    desc.cog_elev_m = cog_m;
    desc.pos_global = sim::SurfacePoint(moon, lat_rad, lon_rad, surface_m + cog_m - 0.01);
    desc.rot = sim::UprightAttitude(lat_rad, lon_rad);
    desc.mass_kg = 500.0;
    s.world.AddVessel(desc);
  }
}

OBJHANDLE PickLive(Scene &s, FuzzedDataProvider &in) {
  const std::vector<OBJHANDLE> live = s.world.LiveVessels();
  if (live.empty()) return nullptr;
  return live[in.ConsumeIntegralInRange<size_t>(0, live.size() - 1)];
}

void Mutate(Scene &s, FuzzedDataProvider &in) {
  sim::VesselRecord *v = s.world.Vessel(PickLive(s, in));
  if (v == nullptr) return;
  switch (in.ConsumeIntegralInRange<int>(0, 6)) {
    case 0:
      v->pos_global = td::VecAdd(v->pos_global, Vector(in, -2.0, 2.0));
      break;
    case 1:
      v->vel_global = Vector(in, -5.0, 5.0);
      break;
    case 2:
      v->mass_kg = Value(in, 1.0, 1e5);
      break;
    case 3:
      v->cog_elev_m = Value(in, 0.0, 5.0);
      break;
    case 4:
      v->thrust_local_N = in.ConsumeBool() ? VECTOR3{} : Vector(in, -1e4, 1e4);
      break;
    case 5:
      for (auto &row : v->rot.m) {
        for (double &e : row) e = Value(in, -1.0, 1.0);
      }
      break;
    default:
      v->body = Body(s, in);
      break;
  }
}

DorvakConfig Relief(Scene &s, FuzzedDataProvider &in) {
  DorvakConfig c{};
  c.body_radius_m = s.world.Body(s.bodies[0])->radius_m;
  c.relief = in.ConsumeIntegralInRange<int>(0, 5);  // 5: no relief the library knows
  c.offset_m = Value(in, -3.0, 3.0);
  c.amplitude_m = Value(in, 0.0, 5.0);
  c.wavelength_m = Value(in, 10.0, 1000.0);
  c.slope_rad = Value(in, 0.0, 0.5);
  c.azimuth_rad = Value(in, -kPi, kPi);
  c.crater_radius_m = Value(in, 10.0, 500.0);
  c.crater_depth_m = Value(in, 0.0, 20.0);
  return c;
}

sim::TerrainMode TerrainMode(FuzzedDataProvider &in) {
  switch (in.ConsumeIntegralInRange<int>(0, 9)) {
    case 8:
      return sim::TerrainMode::kMissing;
    case 9:
      return sim::TerrainMode::kNoFunction;
    default:
      return sim::TerrainMode::kPresent;
  }
}

// --- the keyboard ---

int AnyKey(FuzzedDataProvider &in) {
  static constexpr int kKeys[] = {
      td::kKeyUp, td::kKeyW,   td::kKeyDown, td::kKeyS, td::kKeyLeft, td::kKeyA, td::kKeyRight,
      td::kKeyD,  td::kKeyEnd, td::kKeyNext, td::kKeyG, td::kKeyU,    td::kKeyC, td::kKeyPeriod};
  if (in.ConsumeBool()) return kKeys[in.ConsumeIntegralInRange<size_t>(0, std::size(kKeys) - 1)];
  return in.ConsumeIntegral<uint16_t>();
}

void Keystroke(Scene &s, FuzzedDataProvider &in) {
  const WPARAM vk = static_cast<WPARAM>(AnyKey(in));
  switch (in.ConsumeIntegralInRange<int>(0, 4)) {
    case 0:
      s.world.KeyDown(static_cast<int>(vk));
      break;
    case 1:
      s.world.KeyRepeat(static_cast<int>(vk));
      break;
    case 2:
      s.world.KeyUp(static_cast<int>(vk));
      break;
    case 3:
      s.world.SendKeystroke(vk, static_cast<LPARAM>(in.ConsumeIntegral<uint32_t>()));
      break;
    default:
      // The platform calling the hook with any hook code, key and flag word at all.
      td::KeyboardHookProc(in.ConsumeIntegral<int>(), in.ConsumeIntegral<WPARAM>(),
                           in.ConsumeIntegral<LPARAM>());
      break;
  }
}

// --- steps ---

double OddStepLength(FuzzedDataProvider &in) {
  switch (in.ConsumeIntegralInRange<int>(0, 3)) {
    case 0:
      return 0.0;
    case 1:
      return -in.ConsumeFloatingPointInRange(0.0, 1.0);
    case 2:
      return 1e6;
    default:
      return Odd(in);
  }
}

void Step(Scene &s, const std::function<void(Scene &)> &after_step, double simdt, bool host_step) {
  if (s.steps >= kMaxSteps) return;
  ++s.steps;
  if (host_step) {
    s.world.Step(simdt);
  } else {
    s.world.CallPreStep(s.world.SimTime(), simdt, s.world.Mjd());
  }
  after_step(s);
}

// A few steps with movement or release keys held, auto-repeating between steps.
void HeldRun(Scene &s, FuzzedDataProvider &in, const std::function<void(Scene &)> &after_step) {
  const int keys[2] = {AnyKey(in), AnyKey(in)};
  const int count = in.ConsumeIntegralInRange<int>(1, 16);
  const double simdt = in.ConsumeFloatingPointInRange(0.005, 0.1);
  for (int vk : keys) s.world.KeyDown(vk);
  for (int i = 0; i < count; ++i) {
    Step(s, after_step, simdt, true);
    for (int vk : keys) s.world.KeyRepeat(vk);
  }
  if (in.ConsumeBool()) {
    for (int vk : keys) s.world.KeyUp(vk);
  }
}

void Restart(Scene &s, FuzzedDataProvider &in) {
  ExitModule(kInstance);
  s.world.SetTerrainMode(TerrainMode(in));
  s.world.ConfigureTerrain(s.terrain);
  s.world.InitModule();
  s.restarted = true;
}

// Vessels added, deleted, given the focus or changed: kinds 4 to 8 and 11 of an action.
void ChangeVessels(Scene &s, FuzzedDataProvider &in, int kind) {
  switch (kind) {
    case 4:
      if (LiveCount(s) < kMaxVessels) AddVessel(s, in, ClassName(in), false);
      break;
    case 5:
      AddRestingBatch(s, in);
      break;
    case 6:
      if (LiveCount(s) < kMaxVessels) AddVessel(s, in, std::string(td::kCarrierClass), true);
      break;
    case 7:
      s.world.DeleteVessel(PickLive(s, in));
      break;
    case 8:
      s.world.SetFocus(in.ConsumeIntegralInRange<int>(0, 5) == 0 ? nullptr : PickLive(s, in));
      break;
    default:
      Mutate(s, in);
      break;
  }
}

// One action of the script, of a kind 0 to 13: steps, the vessels, keys, a new relief, or
// the module started again.
void Act(Scene &s, FuzzedDataProvider &in, int kind,
         const std::function<void(Scene &)> &after_step) {
  switch (kind) {
    case 0:
    case 1:
      Step(s, after_step, in.ConsumeFloatingPointInRange(0.001, 0.5), true);
      break;
    case 2:
      Step(s, after_step, OddStepLength(in), false);
      break;
    case 3:
      HeldRun(s, in, after_step);
      break;
    case 9:
    case 10:
      Keystroke(s, in);
      break;
    case 12:
      s.terrain = Relief(s, in);
      s.world.ConfigureTerrain(s.terrain);
      break;
    case 13:
      Restart(s, in);
      break;
    default:
      ChangeVessels(s, in, kind);
      break;
  }
}

}  // namespace

void BuildScene(Scene &s, FuzzedDataProvider &in) {
  s.bodies.push_back(s.world.AddBody({"Moon", kMoonRadius_m, kMoonMass_kg, td::Vec3(0, 0, 0)}));
  const int others = in.ConsumeIntegralInRange<int>(0, 2);
  for (int i = 0; i < others; ++i) {
    sim::BodySpec body;
    body.name = "Rock";
    body.radius_m = Value(in, 1.0, 2e6);
    body.mass_kg = Value(in, 0.0, 1e23);
    body.pos_global = Vector(in, -1e9, 1e9);
    s.bodies.push_back(s.world.AddBody(body));
  }
  s.terrain = Relief(s, in);
  s.world.SetTerrainMode(TerrainMode(in));
  s.world.ConfigureTerrain(s.terrain);
  s.world.EnablePhysics(in.ConsumeBool());
  s.world.SetModule({&InitModule, &ExitModule, &GetModuleVersion, nullptr, &opcPreStep, nullptr,
                     &opcCloseRenderViewport},
                    kInstance);
  s.world.InitModule();
  // Most worlds worth trying have ground to stand on.
  if (in.ConsumeIntegralInRange<int>(0, 7) != 0) {
    sim::VesselSpec carrier;
    carrier.name = "ground";
    carrier.class_name = std::string(td::kCarrierClass);
    carrier.body = s.bodies[0];
    carrier.pos_global = sim::SurfacePoint(*s.world.Body(s.bodies[0]), 0.0, 0.0, kMoonRadius_m);
    carrier.rot = sim::UprightAttitude(0.0, 0.0);
    carrier.fixed_to_body = true;
    s.world.AddVessel(carrier);
  }
}

void PlayScript(Scene &s, FuzzedDataProvider &in, const std::function<void(Scene &)> &after_step) {
  // TD_FUZZ_TRACE=1 when reproducing a finding: each action on stderr, with the live vessels.
  static const bool kTrace = std::getenv("TD_FUZZ_TRACE") != nullptr;
  for (int action = 0; action < kMaxActions && in.remaining_bytes() > 0; ++action) {
    if (s.steps >= kMaxSteps) break;
    const int kind = in.ConsumeIntegralInRange<int>(0, 13);
    if (kTrace)
      std::fprintf(stderr, "step %d: action %d, %zu vessels\n", s.steps, kind, LiveCount(s));
    Act(s, in, kind, after_step);
  }
  // Whatever is left of the budget runs plain steps, so short inputs still see the world move.
  const int tail = std::min(kMaxSteps - s.steps, 8);
  for (int i = 0; i < tail; ++i) Step(s, after_step, 0.02, true);
  ExitModule(kInstance);
}

}  // namespace tdfuzz
