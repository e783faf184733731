// A busy scene's whole record of what the module asked of the host, pinned to a fingerprint:
// every force and attachment argument to the last bit, in order. The module's fast paths
// (table walks cut short, arithmetic left until it is needed) must leave it exactly as the
// plain module made it. The fingerprint also moves when the stand-in host's attachment
// mechanics or query answers change; re-pin it then, from a module known to be right.
#include <cstdint>
#include <cstring>
#include <variant>

#include "module/key_table.h"
#include "support/world_fixture.h"

namespace {

using td::Vec3;
using tdtest::FlatTerrain;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

constexpr uint64_t kFingerprint = 3578746218770281578ull;

class Fingerprint {
 public:
  void Add(const void *data, std::size_t size) {
    const auto *bytes = static_cast<const unsigned char *>(data);
    for (std::size_t i = 0; i < size; ++i) hash_ = (hash_ ^ bytes[i]) * 0x100000001b3ull;
  }
  template <typename T>
  void Add(const T &value) {
    Add(&value, sizeof value);
  }
  uint64_t Value() const { return hash_; }

 private:
  uint64_t hash_ = 0xcbf29ce484222325ull;  // FNV-1a
};

// Every argument of the calls the scene makes, field by field (no padding bytes).
struct CallFields {
  Fingerprint &f;
  void operator()(const sim::AddForceEvent &c) { Add(c.vessel, c.force_N.data, c.point_m.data); }
  void operator()(const sim::CreateAttachmentEvent &c) {
    Add(c.vessel, c.toparent, c.pos.data, c.dir.data, c.rot.data, c.loose, c.point);
    f.Add(c.id.data(), c.id.size());
  }
  void operator()(const sim::AttachChildEvent &c) {
    Add(c.parent, c.child, c.parent_point, c.child_point, c.result);
  }
  void operator()(const sim::DetachChildEvent &c) { Add(c.parent, c.point, c.vel, c.result); }
  void operator()(const sim::SetAttachmentParamsEvent &c) {
    Add(c.vessel, c.point, c.pos.data, c.dir.data, c.rot.data);
  }
  void operator()(const sim::KeystrokeEvent &c) { Add(c.vk, c.flags); }
  void operator()(const sim::MessageBoxEvent &) {}
  void operator()(const sim::StaleHandleEvent &) {}
  template <typename... T>
  void Add(const T &...values) {
    (f.Add(values), ...);
  }
};

uint64_t FingerprintOf(const std::vector<sim::HostEvent> &events) {
  Fingerprint f;
  for (const sim::HostEvent &e : events) {
    f.Add(e.Kind());
    f.Add(e.step);
    std::visit(CallFields{f}, e.call);
  }
  return f.Value();
}

class ModuleFingerprint : public ModuleWorld {
 protected:
  void Hold(std::initializer_list<int> keys, int steps) {
    for (int vk : keys) world.KeyDown(vk);
    for (int i = 0; i < steps; ++i) Step();
    for (int vk : keys) world.KeyUp(vk);
  }
};

TEST_F(ModuleFingerprint, ABusySceneGivesTheHostExactlyThePinnedCalls) {
  AddCarrier();
  Start();
  world.SetFocus(Resting("walker", 0.001, 0.001, "UMmu"));
  // More resting vessels than slots: the last ones wait for a slot every step.
  const std::vector<OBJHANDLE> resting = RestingFleet("r", 150, 12, 2e-5, -3e-5);
  for (int i = 0; i < 5; ++i) {  // sliding and sinking: all four forces
    VesselPlacement p = At("s" + std::to_string(i), -0.002, 3e-4 * i, -0.2 * (i + 1));
    p.vel_global = Vec3(-0.3 * i, 0.7, 0.4 - 0.2 * i);
    p.yaw_rad = 0.3 * i;
    p.pitch_rad = 0.05 * i;
    AddVessel(p);
  }
  VesselPlacement odd;
  odd.clearance_m = -0.3;
  odd.class_name = std::string("UMmuturbopack");
  AddVessel(odd);
  odd.class_name = std::nullopt;
  AddVessel(odd);
  odd.class_name = std::string("Lander");
  odd.body = world.AddBody({"Rock", tdtest::kMoonRadius_m, 1e20, Vec3(1e9, 0, 0)});
  AddVessel(odd);

  for (int i = 0; i < 3; ++i) Step();
  Hold({td::kKeyPeriod}, 2);
  // Two anchored vessels thrust: their slots are freed and taken again within the same pass
  // by vessels that waited.
  world.Vessel(resting[3])->thrust_local_N = Vec3(0, 50, 0);
  world.Vessel(resting[10])->thrust_local_N = Vec3(0, 0, 1);
  Step();
  world.Vessel(resting[3])->thrust_local_N = Vec3(0, 0, 0);
  world.Vessel(resting[10])->thrust_local_N = Vec3(0, 0, 0);
  // Now one of them waits for a slot ahead of an anchored vessel that thrusts: the pass finds
  // the table full, then frees a slot, which the next waiting vessel takes.
  Sink(resting[3], 0.01);
  world.Vessel(resting[100])->thrust_local_N = Vec3(0, 10, 0);
  Step();
  world.Vessel(resting[100])->thrust_local_N = Vec3(0, 0, 0);
  Hold({td::kKeyW, td::kKeyD}, 4);
  // Terrain below the mean radius: everything anchored floats free; then back again.
  Reconfigure(FlatTerrain(-0.5));
  Step();
  Reconfigure(FlatTerrain(0.0));
  Step();
  Step();
  Hold({td::kKeyG}, 2);
  world.DeleteVessel(resting[20]);
  Step();
  Reconfigure(tdtest::NaNTerrain());
  Step();
  Reconfigure(FlatTerrain(0.0));
  world.CallPreStep(world.SimTime(), 0.0, world.Mjd());
  Step();

  EXPECT_GT(world.Events().size(), 2000u);
  EXPECT_EQ(FingerprintOf(world.Events()), kFingerprint);
}

}  // namespace
