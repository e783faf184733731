// Faults the module must live through inside somebody else's simulator: the terrain library
// gone, vessels and carriers that leave while anchored, a full anchor table, no focus vessel
// or one the host cannot place, terrain that is not a number, step lengths that are not
// positive, a carrier on another body, class names of any bytes; and a touchdown-sim run
// whose state stops being a number. Most faults strike one scene, a lander and a
// walker anchored beside the carrier, and are checked by what the host was handed and where
// the vessels are, not how the module got there.
#include <random>
#include <string>

#include "anchor/anchor_table.h"
#include "app/base/run_stop.h"
#include "app/run/finite_watch.h"
#include "math/finite.h"
#include "module/key_table.h"
#include "module/step_driver.h"
#include "module/test_access.h"
#include "support/world_fixture.h"

namespace {

using sim::EventKind;
using td::Vec3;
using tdtest::FlatTerrain;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

constexpr double kMillimetre = 1e-3;

// Fills the stack where FocusStrayed will keep its angles with a value, as an earlier call
// could have left one there: angles the host did not write must not be taken from it.
[[gnu::noinline]] double ScribbleStack(double value) {
  volatile double junk[64];
  for (volatile double &d : junk) d = value;
  return junk[7];
}

class Robustness : public ModuleWorld {
 protected:
  // The scene most faults strike: the carrier, a lander resting beside it and the focus, a
  // walker standing on it. The first step anchors both.
  void BuildScene() {
    carrier = AddCarrier();
    lander = Resting("lander", 1e-4);
    walker = Resting("walker", 0.0, 0.0, "UMmu");
    world.SetFocus(walker);
  }

  // Every force and attachment parameter the module handed the host since the last look.
  void ExpectNothingNonFinite() {
    for (const auto &f : Calls<sim::AddForceEvent>()) {
      EXPECT_TRUE(td::IsFinite(f.force_N) && td::IsFinite(f.point_m));
    }
    for (const auto &c : Calls<sim::CreateAttachmentEvent>()) {
      EXPECT_TRUE(td::IsFinite(c.pos) && td::IsFinite(c.dir) && td::IsFinite(c.rot));
    }
    for (const auto &p : Calls<sim::SetAttachmentParamsEvent>()) {
      EXPECT_TRUE(td::IsFinite(p.pos) && td::IsFinite(p.dir) && td::IsFinite(p.rot));
    }
  }

  size_t Count(EventKind kind) const { return Events(kind).size(); }

  int AnchoredCount() const {
    int n = 0;
    for (int s = 0; s < td::kAnchorSlotCount; ++s) n += td::test_access::SlotVessel(s) ? 1 : 0;
    return n;
  }

  // --- the faults struck at the anchored scene ---
 public:
  void FocusDeletedMidWalk() {
    world.KeyDown(td::kKeyW);
    Step();
    world.DeleteVessel(walker);
    world.SetFocus(walker);  // the host's focus still names it
    world.ClearEvents();
    Step();
    EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 0u);
    EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
    EXPECT_EQ(td::FindAnchorSlot(walker), -1);  // pruned at the end of this step
    EXPECT_TRUE(Anchored(lander));
  }

  // Held keys move nothing; the release keys still work.
  void NoFocus() {
    world.SetFocus(nullptr);
    for (int vk : {td::kKeyW, td::kKeyA, td::kKeyEnd, td::kKeyNext}) world.KeyDown(vk);
    for (int i = 0; i < 10; ++i) Step();
    EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 0u);
    EXPECT_TRUE(Anchored(walker));
    world.KeyDown(td::kKeyU);
    Step();
    EXPECT_EQ(Count(EventKind::kDetachChild), 2u);
  }

  void FocusWithoutAReferenceBody() {
    sim::VesselSpec lost;
    lost.name = "lost";
    lost.class_name = std::string("UMmu");
    lost.pos_global = Vec3(5e6, 0, 0);  // no body: the host cannot say where it is
    world.SetFocus(world.AddVessel(lost));
    world.KeyDown(td::kKeyW);
    for (int i = 0; i < 5; ++i) {
      ScribbleStack(1e3 * (i + 1));
      Step();
    }
    EXPECT_TRUE(Anchored(lander));
    EXPECT_TRUE(Anchored(walker));
    EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
    ScribbleStack(-7.0);
    EXPECT_FALSE(td::FocusStrayed(*Iface(carrier)));
  }

  // For a while everyone stays where they stand; once the terrain is back the walker walks
  // again, on the terrain.
  void TerrainNotANumber() {
    const VECTOR3 walker_before = world.Vessel(walker)->pos_global;
    Reconfigure(tdtest::NaNTerrain());
    for (int vk : {td::kKeyW, td::kKeyD, td::kKeyPeriod}) world.KeyDown(vk);
    for (int i = 0; i < 25; ++i) Step();
    EXPECT_EQ(Count(EventKind::kAddForce), 0u);
    EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
    EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 25u);  // turns only
    EXPECT_LT(td::VecLength(td::VecSub(world.Vessel(walker)->pos_global, walker_before)), 1e-9);
    ExpectNothingNonFinite();

    Reconfigure(FlatTerrain());
    world.KeyUp(td::kKeyD);
    world.ClearEvents();
    for (int i = 0; i < 25; ++i) Step();
    EXPECT_GT(td::VecLength(td::VecSub(world.Vessel(walker)->pos_global, walker_before)), 1.5);
    EXPECT_TRUE(Anchored(walker));
    EXPECT_TRUE(Anchored(lander));
  }

  void StepsOfZeroOrNegativeLength() {
    world.KeyDown(td::kKeyW);
    world.KeyDown(td::kKeyPeriod);
    for (double simdt : {0.0, -0.02, -0.0, -1.0, 0.0}) {
      for (int i = 0; i < 5; ++i) world.CallPreStep(world.SimTime(), simdt, world.Mjd());
    }
    EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
    EXPECT_TRUE(Anchored(lander));
    EXPECT_TRUE(Anchored(walker));
  }

  // A second carrier on another body: only the first one's body has contact.
  void CarrierOnAnotherBody() {
    const OBJHANDLE rock = world.AddBody({"Rock", tdtest::kMoonRadius_m, 1e20, Vec3(1e9, 0, 0)});
    AddCarrier(0.0, 0.0, "DynamicPlanet", rock);
    VesselPlacement there = At("there", 0.0, 0.0, -0.2);
    there.body = rock;
    const OBJHANDLE elsewhere = AddVessel(there);
    for (int i = 0; i < 5; ++i) Step();
    EXPECT_TRUE(Anchored(lander));
    EXPECT_FALSE(Anchored(elsewhere));
    EXPECT_TRUE(ForcesOn(elsewhere).empty());
    EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
  }

  // Deleted, the carrier's slots are freed without a host call and the next carrier is never
  // handed its points; a former carrier still there detaches its own.
  void CarrierLeaves() {
    const OBJHANDLE second = AddCarrier(0.001, 0.0);
    world.DeleteVessel(carrier);  // the host lets go of its children
    Sink(lander, 0.01);
    Sink(walker, 0.01);
    Step();
    EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
    for (OBJHANDLE v : {lander, walker}) {
      ASSERT_EQ(world.Vessel(v)->parent, second);
      EXPECT_EQ(world.Attachment(world.Vessel(v)->parent_point)->owner, second);
    }
    // As when a host reorders its vessels and another of the class comes first.
    const OBJHANDLE third = AddCarrier(0.0, 0.001);
    world.ClearEvents();
    td::UseCarrier(Iface(third));
    const auto detaches = Calls<sim::DetachChildEvent>();
    ASSERT_EQ(detaches.size(), 2u);
    for (const sim::DetachChildEvent &e : detaches) {
      EXPECT_EQ(e.parent, second);
      EXPECT_TRUE(e.result);
    }
    EXPECT_EQ(AnchoredCount(), 0);
    EXPECT_FALSE(Anchored(lander));
    EXPECT_FALSE(Anchored(walker));
  }

 protected:
  OBJHANDLE carrier = nullptr;
  OBJHANDLE lander = nullptr;
  OBJHANDLE walker = nullptr;
};

struct Fault {
  const char *name;
  void (Robustness::*strike)();
};
void PrintTo(const Fault &f, std::ostream *os) { *os << f.name; }

class AnchoredScene : public Robustness, public ::testing::WithParamInterface<Fault> {};

TEST_P(AnchoredScene, SurvivesTheFaultWithNothingNonFiniteAndEveryoneOnTheTerrain) {
  Start();
  BuildScene();
  Step();
  ASSERT_TRUE(Anchored(lander));
  ASSERT_TRUE(Anchored(walker));
  world.ClearEvents();
  (this->*GetParam().strike)();
  ExpectNothingNonFinite();
  for (OBJHANDLE v : {lander, walker}) {
    if (world.Vessel(v) != nullptr) {
      EXPECT_NEAR(Clearance(v), 0.0, kMillimetre);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, AnchoredScene,
    ::testing::Values(Fault{"FocusDeletedMidWalk", &Robustness::FocusDeletedMidWalk},
                      Fault{"NoFocus", &Robustness::NoFocus},
                      Fault{"FocusWithoutAReferenceBody", &Robustness::FocusWithoutAReferenceBody},
                      Fault{"TerrainNotANumber", &Robustness::TerrainNotANumber},
                      Fault{"StepsOfZeroOrNegativeLength",
                            &Robustness::StepsOfZeroOrNegativeLength},
                      Fault{"CarrierOnAnotherBody", &Robustness::CarrierOnAnotherBody},
                      Fault{"CarrierLeaves", &Robustness::CarrierLeaves}),
    [](const auto &info) { return std::string(info.param.name); });

// --- the terrain library missing, or without its function ---

class WithoutTerrain : public Robustness, public ::testing::WithParamInterface<sim::TerrainMode> {};

TEST_P(WithoutTerrain, ABusySceneGetsNoForceNoAnchoringAndNoEdit) {
  Start(GetParam());
  BuildScene();
  VesselPlacement sinking;
  sinking.clearance_m = -0.5;
  sinking.vel_global = Vec3(-3.0, 0.5, 0.0);
  AddVessel(sinking);
  Resting("car", -2e-4, 0.0, "UCGO\\Cars\\Jeep");
  world.EnablePhysics(true);
  world.ClearEvents();
  for (int vk : {td::kKeyW, td::kKeyD, td::kKeyPeriod, td::kKeyNext}) world.KeyDown(vk);
  for (int i = 0; i < 50; ++i) {
    if (i == 20) world.KeyDown(td::kKeyG);
    Step(0.02);
  }
  for (EventKind kind : {EventKind::kAddForce, EventKind::kCreateAttachment,
                         EventKind::kSetAttachmentParams, EventKind::kDetachChild}) {
    EXPECT_EQ(Count(kind), 0u) << static_cast<int>(kind);
  }
  EXPECT_EQ(AnchoredCount(), 0);
  EXPECT_EQ(world.MessageBoxes().size(), 1u);  // from InitModule, not from the steps
}

INSTANTIATE_TEST_SUITE_P(Modes, WithoutTerrain,
                         ::testing::Values(sim::TerrainMode::kMissing,
                                           sim::TerrainMode::kNoFunction),
                         [](const auto &info) {
                           return info.param == sim::TerrainMode::kMissing ? "LibraryMissing"
                                                                           : "FunctionMissing";
                         });

// --- a full anchor table ---

TEST_F(Robustness, HundredAndFiftyRestingVesselsFillTheTableAndTheRestWaitForASlot) {
  Start();
  AddCarrier();
  const std::vector<OBJHANDLE> v = RestingFleet("v", 150, 12, 1e-5, 1e-5);
  Step();
  EXPECT_EQ(AnchoredCount(), td::kAnchorSlotCount);
  for (int i = 0; i < 150; ++i) EXPECT_EQ(Anchored(v[i]), i < 100) << i;

  // The ones left over stay in contact and are held up by forces, step after step.
  world.ClearEvents();
  Step();
  for (int i = 100; i < 150; ++i) {
    const auto forces = ForcesOn(v[i]);
    ASSERT_EQ(forces.size(), 3u) << i;
    EXPECT_GT(forces[0].force_N.y, 0.0) << i;  // support
  }

  // A thrust release frees slot 5 early in the pass; the first waiting vessel takes it in
  // the same pass.
  world.Vessel(v[5])->thrust_local_N = Vec3(0, 1.0, 0);
  Step();
  EXPECT_FALSE(Anchored(v[5]));
  EXPECT_EQ(td::FindAnchorSlot(v[100]), 5);
  EXPECT_TRUE(Anchored(v[100]));

  // A deleted vessel's slot is freed only by the pruning at the end of the next step, so the
  // next waiting vessel is anchored one step later: in the host's order, the last vessel,
  // which took the deleted one's index, ahead of those that waited longer.
  world.DeleteVessel(v[7]);
  world.ClearEvents();
  Step();
  EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
  EXPECT_EQ(td::test_access::SlotVessel(7), nullptr);
  EXPECT_FALSE(Anchored(v[149]));
  Step();
  EXPECT_EQ(td::FindAnchorSlot(v[149]), 7);
  EXPECT_TRUE(Anchored(v[149]));
  EXPECT_FALSE(Anchored(v[101]));
  EXPECT_EQ(AnchoredCount(), td::kAnchorSlotCount);
}

// --- class names of any bytes ---

std::string RandomBytes(std::mt19937 &rng, size_t size, bool with_nul) {
  std::uniform_int_distribution<int> byte(with_nul ? 0 : 1, 255);
  std::string s(size, '\0');
  for (char &c : s) c = static_cast<char>(byte(rng));
  return s;
}

TEST_F(Robustness, ClassNamesOfAnyBytesAreReadUpToTheirEndAndNoFurther) {
  Start();
  AddCarrier();
  std::mt19937 rng(20260425);
  std::vector<OBJHANDLE> plain;
  for (size_t size : {0u, 1u, 13u, 255u, 4096u}) {
    for (bool nul : {false, true}) {
      const double lat_rad = 1e-5 * static_cast<double>(plain.size());
      plain.push_back(Resting("bytes", lat_rad, 0.0, RandomBytes(rng, size, nul)));
    }
  }
  // Known names with 4 KiB after them: none of them is the carrier, a walker or a jetpack.
  const std::string tail = RandomBytes(rng, 4096, false);
  const OBJHANDLE not_carrier = Resting("not carrier", 2e-4, 0.0, "DynamicPlanet" + tail);
  const OBJHANDLE not_walker = Resting("not walker", 3e-4, 0.0, "UMmu" + tail);
  const OBJHANDLE not_jetpack = Resting("not jetpack", 4e-4, 0.0, "UMmuturbopack" + tail);
  // A car's name is only a prefix.
  const OBJHANDLE car = Resting("car", 5e-4, 0.0, "UCGO\\Cars" + tail);
  for (int i = 0; i < 3; ++i) Step();
  for (OBJHANDLE v : plain) EXPECT_TRUE(Anchored(v));
  EXPECT_TRUE(Anchored(not_carrier));
  EXPECT_TRUE(Anchored(not_jetpack));
  EXPECT_TRUE(Anchored(car));

  world.KeyDown(td::kKeyW);
  world.SetFocus(not_walker);
  world.ClearEvents();
  Step();
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 0u);
  world.SetFocus(car);
  Step();
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 1u);

  // The host hands the module a C string: what follows a zero byte is not part of the name.
  world.KeyUp(td::kKeyW);
  const OBJHANDLE walker = Resting("walker", 6e-4, 0.0, std::string("UMmu\0tail", 9));
  world.SetFocus(walker);
  Step();
  world.KeyDown(td::kKeyW);
  world.ClearEvents();
  Step();
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 1u);
  ExpectNothingNonFinite();
}

TEST_F(Robustness, AVesselTheHostGivesNoInterfaceForIsPassedOver) {
  Start();
  // First in the host's list, so the carrier search meets it before the carrier.
  const OBJHANDLE ghost = Resting("ghost", 2e-4);
  world.WithholdInterface(ghost);
  BuildScene();
  Step();
  EXPECT_TRUE(Anchored(lander));
  EXPECT_FALSE(Anchored(ghost));
  for (const auto &f : Calls<sim::AddForceEvent>()) EXPECT_NE(f.vessel, ghost);
  for (const auto &c : Calls<sim::CreateAttachmentEvent>()) EXPECT_NE(c.vessel, ghost);
  for (const auto &a : Calls<sim::AttachChildEvent>()) EXPECT_NE(a.child, ghost);
}

// --- a state that stops being a number ends a touchdown-sim run ---

TEST(FiniteWatch, StopsTheRunAtTheFirstStateNotANumberAndNamesTheLastFiniteOne) {
  sim::World world;
  sim::VesselSpec lander_desc;
  lander_desc.name = "lander";
  lander_desc.body = world.AddBody({"Moon", 1000.0, 0.0, td::Vec3(0, 0, 0)});
  lander_desc.pos_global = td::Vec3(1001, 0, 0);
  const OBJHANDLE lander = world.AddVessel(lander_desc);
  app::Roster roster;
  roster.Add(lander, "lander", std::nullopt, false);
  app::FiniteWatch watch;
  watch.BeforeModuleStep({world, roster, 1, 0.01});
  EXPECT_FALSE(app::StopRequested());
  world.Vessel(lander)->vel_global.y = NAN;
  watch.BeforeModuleStep({world, roster, 2, 0.02});
  EXPECT_TRUE(app::StopRequested());
  EXPECT_EQ(app::StopExitStatus(), app::kNonFiniteExitStatus);
  EXPECT_NE(app::StopReason().find("vessel lander: state not finite at step 2; last finite at "
                                   "step 1: position (1001, 0, 0) m, velocity (0, 0, 0) m/s"),
            std::string::npos)
      << app::StopReason();
}

}  // namespace
