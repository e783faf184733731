// Faults the module must live through inside somebody else's simulator: the terrain library
// gone, vessels and carriers that leave while anchored, a full anchor table, no focus vessel
// or one the host cannot place, terrain that is not a number, step lengths that are not
// positive, two carriers, class names of any bytes; and scenario files that touchdown-sim
// must refuse on one clear line. Each group runs a whole scene and checks what the host was
// handed and where the vessels are, not how the module got there.
#include <cmath>
#include <limits>
#include <random>
#include <string>

#include "anchor/anchor_table.h"
#include "app/scenario_error.h"
#include "app/scenario_parse.h"
#include "math/finite.h"
#include "module/key_table.h"
#include "module/step_driver.h"
#include "world_fixture.h"

namespace {

using sim::EventKind;
using td::Vec3;
using tdtest::FlatTerrain;
using tdtest::ModuleWorld;
using tdtest::VesselPlacement;

constexpr double kMillimetre = 1e-3;

class Robustness : public ModuleWorld {
 protected:
  // A walker or car resting at the place given, anchored by the next step.
  OBJHANDLE Rover(const std::string &name, const std::string &className, double lat_rad) {
    VesselPlacement p;
    p.name = name;
    p.class_name = className;
    p.lat_rad = lat_rad;
    p.clearance_m = -0.01;
    return AddVessel(p);
  }

  // Every force and attachment parameter the module handed the host since the last look.
  void ExpectNothingNonFinite() {
    for (const sim::HostEvent &e : world.Events()) {
      if (e.kind == EventKind::kAddForce || e.kind == EventKind::kCreateAttachment ||
          e.kind == EventKind::kSetAttachmentParams) {
        for (const VECTOR3 &v : e.v) EXPECT_TRUE(td::IsFinite(v)) << static_cast<int>(e.kind);
      }
    }
  }

  size_t Count(EventKind kind) const { return Events(kind).size(); }

  int AnchoredCount() const {
    int n = 0;
    for (OBJHANDLE h : td::g_anchorVessel) n += h != nullptr ? 1 : 0;
    return n;
  }
};

// --- the terrain library missing, or without its function ---

class WithoutTerrain : public Robustness, public ::testing::WithParamInterface<sim::TerrainMode> {};

TEST_P(WithoutTerrain, ABusySceneGetsNoForceNoAnchoringAndNoEdit) {
  Start(GetParam());
  AddCarrier();
  VesselPlacement sinking;
  sinking.clearance_m = -0.5;
  sinking.vel_global = Vec3(-3.0, 0.5, 0.0);
  AddVessel(sinking);
  for (int i = 0; i < 5; ++i) Resting("r" + std::to_string(i), 1e-5 * i);
  world.SetFocus(Rover("walker", "UMmu", 2e-4));
  Rover("car", "UCGO\\Cars\\Jeep", -2e-4);
  world.EnablePhysics(true);
  world.ClearEvents();
  for (int vk : {td::kKeyW, td::kKeyD, td::kKeyPeriod, td::kKeyNext}) world.KeyDown(vk);
  for (int i = 0; i < 50; ++i) {
    if (i == 20) world.KeyDown(td::kKeyG);
    Step(0.02);
  }
  EXPECT_EQ(Count(EventKind::kAddForce), 0u);
  EXPECT_EQ(Count(EventKind::kCreateAttachment), 0u);
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 0u);
  EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
  EXPECT_EQ(AnchoredCount(), 0);
  EXPECT_EQ(world.MessageBoxes().size(), 1u);  // from InitModule, not from the steps
  EXPECT_EQ(GetModuleVersion(), 60425);
}

INSTANTIATE_TEST_SUITE_P(Modes, WithoutTerrain,
                         ::testing::Values(sim::TerrainMode::kMissing,
                                           sim::TerrainMode::kNoFunction),
                         [](const auto &info) {
                           return info.param == sim::TerrainMode::kMissing ? "LibraryMissing"
                                                                           : "FunctionMissing";
                         });

// --- vessels and carriers that leave while anchored ---

TEST_F(Robustness, AFocusWalkerDeletedMidWalkIsNeitherMovedNorDetached) {
  Start();
  AddCarrier();
  const OBJHANDLE walker = Rover("walker", "UMmu", 0.0);
  const OBJHANDLE other = Resting("other", 1e-4);
  world.SetFocus(walker);
  Step();
  ASSERT_TRUE(Anchored(walker));
  world.KeyDown(td::kKeyW);
  Step();
  world.DeleteVessel(walker);
  world.SetFocus(walker);  // the host's focus still names it
  world.ClearEvents();
  Step();
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 0u);
  EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
  EXPECT_EQ(td::FindAnchorSlot(walker), -1);  // pruned at the end of this step
  EXPECT_TRUE(Anchored(other));
}

TEST_F(Robustness, VesselsOfACarrierThatLeavesAreLetGoWithoutAHostCall) {
  Start();
  const OBJHANDLE carrier = AddCarrier();
  const OBJHANDLE a = Resting("a");
  const OBJHANDLE b = Resting("b", 1e-4);
  Step();
  ASSERT_EQ(AnchoredCount(), 2);
  world.DeleteVessel(carrier);  // the host lets go of its children
  world.KeyDown(td::kKeyG);
  world.ClearEvents();
  Step();
  // No carrier: nothing is detached, and the slots name nothing that hangs anywhere.
  EXPECT_EQ(AnchoredCount(), 0);
  EXPECT_TRUE(world.Events().empty());
  EXPECT_FALSE(Anchored(a));
  EXPECT_FALSE(Anchored(b));
}

TEST_F(Robustness, ASecondCarrierTakesOverWithNoneOfTheFormersPoints) {
  Start();
  const OBJHANDLE first = AddCarrier();
  const OBJHANDLE second = AddCarrier(0.001, 0.0);
  const OBJHANDLE v = Resting("v");
  world.SetFocus(second);
  Step();
  ASSERT_EQ(world.Vessel(v)->parent, first);
  world.DeleteVessel(first);
  Sink(v, 0.01);
  world.ClearEvents();
  Step();
  // The second carrier is never handed a point of the first; the vessel, still resting, hangs
  // on the second one by a point of its own.
  for (const sim::HostEvent &e : Events(EventKind::kDetachChild)) {
    EXPECT_EQ(world.Attachment(e.att[0])->owner, e.vessel);
  }
  ASSERT_EQ(world.Vessel(v)->parent, second);
  EXPECT_EQ(world.Attachment(world.Vessel(v)->parent_point)->owner, second);
  // And it is released through the second carrier's point, with the host finding it there.
  world.Vessel(v)->thrust_local_N = Vec3(0, 100, 0);
  world.ClearEvents();
  Step();
  const auto detaches = Events(EventKind::kDetachChild);
  ASSERT_EQ(detaches.size(), 1u);
  EXPECT_EQ(detaches[0].vessel, second);
  EXPECT_TRUE(detaches[0].flag[0]);
  EXPECT_FALSE(Anchored(v));
}

TEST_F(Robustness, AFormerCarrierThatIsStillThereDetachesItsOwnPoints) {
  Start();
  const OBJHANDLE first = AddCarrier();
  const OBJHANDLE other = AddCarrier(0.0, 0.001);
  const OBJHANDLE v = Resting("v");
  Step();
  ASSERT_EQ(world.Vessel(v)->parent, first);
  world.ClearEvents();
  // As when a host reorders its vessels and another of the class comes first.
  td::FollowCarrier(Iface(other));
  const auto detaches = Events(EventKind::kDetachChild);
  ASSERT_EQ(detaches.size(), 1u);
  EXPECT_EQ(detaches[0].vessel, first);
  EXPECT_TRUE(detaches[0].flag[0]);
  EXPECT_EQ(AnchoredCount(), 0);
  EXPECT_FALSE(Anchored(v));
}

// --- a full anchor table ---

TEST_F(Robustness, HundredAndFiftyRestingVesselsFillTheTableAndTheRestWaitForASlot) {
  Start();
  AddCarrier();
  std::vector<OBJHANDLE> v;
  for (int i = 0; i < 150; ++i) {
    v.push_back(Resting("v" + std::to_string(i), 1e-5 * (i % 12), 1e-5 * (i / 12)));
  }
  Step();
  EXPECT_EQ(AnchoredCount(), td::kAnchorSlotCount);
  for (int i = 0; i < 150; ++i) EXPECT_EQ(Anchored(v[i]), i < 100) << i;

  // The ones left over stay in contact and are held up by forces, step after step.
  world.ClearEvents();
  Step();
  for (int i = 100; i < 150; ++i) {
    const auto forces = ForcesOn(v[i]);
    ASSERT_EQ(forces.size(), 3u) << i;
    EXPECT_GT(forces[0].v[0].y, 0.0) << i;  // support
  }

  // A thrust release frees slot 5 early in the pass; the first waiting vessel takes it in
  // the same pass.
  world.Vessel(v[5])->thrust_local_N = Vec3(0, 1.0, 0);
  Step();
  EXPECT_FALSE(Anchored(v[5]));
  EXPECT_EQ(td::FindAnchorSlot(v[100]), 5);
  EXPECT_TRUE(Anchored(v[100]));

  // A deleted vessel's slot is freed only by the pruning at the end of the next step, so the
  // next waiting vessel is anchored one step later.
  world.DeleteVessel(v[7]);
  world.ClearEvents();
  Step();
  EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
  EXPECT_EQ(td::g_anchorVessel[7], nullptr);
  EXPECT_FALSE(Anchored(v[101]));
  Step();
  EXPECT_EQ(td::FindAnchorSlot(v[101]), 7);
  EXPECT_TRUE(Anchored(v[101]));
  EXPECT_EQ(AnchoredCount(), td::kAnchorSlotCount);
}

// --- no focus vessel, or one the host cannot place ---

// Fills the stack where FocusStrayed will keep its angles with a value, as an earlier call
// could have left one there: angles the host did not write must not be taken from it.
[[gnu::noinline]] double ScribbleStack(double value) {
  volatile double junk[64];
  for (volatile double &d : junk) d = value;
  return junk[7];
}

TEST_F(Robustness, AFocusWithoutAReferenceBodyReleasesNothing) {
  Start();
  const OBJHANDLE carrier = AddCarrier();
  const OBJHANDLE v = Resting("v");
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
  EXPECT_TRUE(Anchored(v));
  EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
  ScribbleStack(-7.0);
  EXPECT_FALSE(td::FocusStrayed(*Iface(carrier)));
}

TEST_F(Robustness, WithoutFocusHeldKeysMoveNothingAndReleaseKeysStillWork) {
  Start();
  AddCarrier();
  const OBJHANDLE walker = Rover("walker", "UMmu", 0.0);
  Step();
  ASSERT_TRUE(Anchored(walker));
  world.SetFocus(nullptr);
  for (int vk : {td::kKeyW, td::kKeyA, td::kKeyEnd, td::kKeyNext}) world.KeyDown(vk);
  world.ClearEvents();
  for (int i = 0; i < 10; ++i) Step();
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 0u);
  EXPECT_TRUE(Anchored(walker));
  world.KeyDown(td::kKeyU);
  Step();
  EXPECT_EQ(Count(EventKind::kDetachChild), 1u);
}

// --- terrain that is not a number under anchored and walking vessels ---

TEST_F(Robustness, TerrainThatIsNotANumberForAWhileLeavesEveryoneWhereTheyStand) {
  Start();
  AddCarrier();
  const OBJHANDLE lander = Resting("lander", 1e-4);
  const OBJHANDLE walker = Rover("walker", "UMmu", 0.0);
  world.SetFocus(walker);
  Step();
  ASSERT_TRUE(Anchored(lander));
  ASSERT_TRUE(Anchored(walker));
  const VECTOR3 walkerBefore = world.Vessel(walker)->pos_global;

  Reconfigure(tdtest::NaNTerrain());
  for (int vk : {td::kKeyW, td::kKeyD, td::kKeyPeriod}) world.KeyDown(vk);
  world.ClearEvents();
  for (int i = 0; i < 25; ++i) Step();
  EXPECT_EQ(Count(EventKind::kAddForce), 0u);
  EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 25u);  // turns only
  ExpectNothingNonFinite();
  EXPECT_LT(td::VecLength(td::VecSub(world.Vessel(walker)->pos_global, walkerBefore)), 1e-9);

  // Once the terrain is back the walker walks again, on the terrain.
  Reconfigure(FlatTerrain());
  world.KeyUp(td::kKeyD);
  for (int i = 0; i < 25; ++i) Step();
  EXPECT_GT(td::VecLength(td::VecSub(world.Vessel(walker)->pos_global, walkerBefore)), 1.5);
  EXPECT_TRUE(Anchored(walker));
  EXPECT_NEAR(Clearance(walker), 0.0, kMillimetre);
  EXPECT_NEAR(Clearance(lander), 0.0, kMillimetre);
  ExpectNothingNonFinite();
}

// --- step lengths of zero and below ---

TEST_F(Robustness, StepsOfZeroOrNegativeLengthReleaseNothingAndKeepVesselsOnTheTerrain) {
  Start();
  AddCarrier();
  std::vector<OBJHANDLE> landers;
  for (int i = 0; i < 4; ++i) landers.push_back(Resting("l" + std::to_string(i), 1e-4 * i));
  const OBJHANDLE walker = Rover("walker", "UMmu", -1e-4);
  world.SetFocus(walker);
  Step();
  world.KeyDown(td::kKeyW);
  world.KeyDown(td::kKeyPeriod);
  world.ClearEvents();
  for (double simdt : {0.0, -0.02, -0.0, -1.0, 0.0}) {
    for (int i = 0; i < 5; ++i) world.CallPostStep(world.SimTime(), simdt, world.Mjd());
  }
  EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
  ExpectNothingNonFinite();
  for (OBJHANDLE l : landers) {
    EXPECT_TRUE(Anchored(l));
    EXPECT_NEAR(Clearance(l), 0.0, kMillimetre);
  }
  EXPECT_TRUE(Anchored(walker));
  EXPECT_NEAR(Clearance(walker), 0.0, kMillimetre);
}

// --- two carriers ---

TEST_F(Robustness, TwoCarriersOnTwoBodiesOnlyTheFirstOnesBodyHasContact) {
  Start();
  const OBJHANDLE rock = world.AddBody({"Rock", tdtest::kMoonRadius_m, 1e20, Vec3(1e9, 0, 0)});
  AddCarrier();
  sim::VesselSpec far;
  far.name = "far ground";
  far.class_name = std::string("DynamicPlanet");
  far.body = rock;
  far.pos_global = sim::SurfacePoint(*world.Body(rock), 0, 0, tdtest::kMoonRadius_m);
  far.fixed_to_body = true;
  world.AddVessel(far);
  const OBJHANDLE here = Resting("here");
  VesselPlacement there;
  there.name = "there";
  there.body = rock;
  there.clearance_m = -0.2;
  const OBJHANDLE elsewhere = AddVessel(there);
  world.SetFocus(here);
  for (int i = 0; i < 5; ++i) Step();
  EXPECT_TRUE(Anchored(here));
  EXPECT_FALSE(Anchored(elsewhere));
  EXPECT_TRUE(ForcesOn(elsewhere).empty());
  EXPECT_EQ(Count(EventKind::kDetachChild), 0u);
}

// --- class names of any bytes ---

std::string RandomBytes(std::mt19937 &rng, size_t size, bool withNul) {
  std::uniform_int_distribution<int> byte(withNul ? 0 : 1, 255);
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
      VesselPlacement p;
      p.name = "bytes";
      p.class_name = RandomBytes(rng, size, nul);
      p.clearance_m = -0.01;
      p.lat_rad = 1e-5 * static_cast<double>(plain.size());
      plain.push_back(AddVessel(p));
    }
  }
  // Known names with 4 KiB after them: none of them is the carrier, a walker or a jetpack.
  const std::string tail = RandomBytes(rng, 4096, false);
  const OBJHANDLE notCarrier = Rover("not carrier", "DynamicPlanet" + tail, 2e-4);
  const OBJHANDLE notWalker = Rover("not walker", "UMmu" + tail, 3e-4);
  const OBJHANDLE notJetpack = Rover("not jetpack", "UMmuturbopack" + tail, 4e-4);
  // A car's name is only a prefix.
  const OBJHANDLE car = Rover("car", "UCGO\\Cars" + tail, 5e-4);
  for (int i = 0; i < 3; ++i) Step();
  for (OBJHANDLE v : plain) EXPECT_TRUE(Anchored(v));
  EXPECT_TRUE(Anchored(notCarrier));
  EXPECT_TRUE(Anchored(notJetpack));
  EXPECT_TRUE(Anchored(car));

  world.KeyDown(td::kKeyW);
  world.SetFocus(notWalker);
  world.ClearEvents();
  Step();
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 0u);
  world.SetFocus(car);
  Step();
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 1u);

  // The host hands the module a C string: what follows a zero byte is not part of the name.
  world.KeyUp(td::kKeyW);
  const OBJHANDLE walker = Rover("walker", std::string("UMmu\0tail", 9), 6e-4);
  world.SetFocus(walker);
  Step();
  world.KeyDown(td::kKeyW);
  world.ClearEvents();
  Step();
  EXPECT_EQ(Count(EventKind::kSetAttachmentParams), 1u);
  ExpectNothingNonFinite();
}

// --- scenario files touchdown-sim must refuse on one line ---

std::string Refusal(const std::string &text) {
  try {
    app::ParseScenarioText(text, "bad.toml");
  } catch (const app::ScenarioError &e) {
    return e.what();
  }
  return "";
}

TEST(ScenarioRefusal, CharactersFromTheFileCannotBreakTheErrorLine) {
  const std::string moon = "[[body]]\nname = \"Moon\"\nradius_m = 1000.0\n";
  const std::string refusals[] = {
      Refusal("[simulation]\nstep_s = t\x1b[2J\n"),                       // TOML syntax
      Refusal(moon + "[terrain]\n\"off\\nset\\u001b\" = 1\n"),            // unknown key
      Refusal(moon + "[terrain]\nrelief = \"hil\\nls\\r\"\n"),            // value quoted back
      Refusal(moon + "[[event]]\nt_s = 0\nkey = \"W\\u0007\\u007f\"\n"),  // key name
  };
  for (const std::string &r : refusals) {
    ASSERT_FALSE(r.empty());
    EXPECT_EQ(r.rfind("bad.toml:", 0), 0u) << r;
    for (char c : r) {
      EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 || c == 0x7f) << r;
    }
  }
  EXPECT_NE(refusals[1].find("off\\x0aset\\x1b"), std::string::npos) << refusals[1];
}

}  // namespace
