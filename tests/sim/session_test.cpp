// Sessions of one host with the module linked in and started once: the render viewport
// opened and closed around each session, every vessel gone at its end, the next session's
// objects under the last one's handles, and a call naming an ended session's object recorded
// as an error.
#include <gtest/gtest.h>

#include "support/world_fixture.h"

namespace tdtest {
namespace {

int g_opened = 0;
int g_closed = 0;
int g_vessels_at_close = -1;
const sim::World *g_world = nullptr;
uint64_t g_module_calls_at_close = 0;  // host calls the module made in its session-end callback

void OpenViewport(HWND, DWORD, DWORD, BOOL) { ++g_opened; }
void CloseViewport() {
  ++g_closed;
  g_vessels_at_close = static_cast<int>(oapiGetVesselCount());
  const uint64_t before = g_world->HostQueryCount();
  opcCloseRenderViewport();
  g_module_calls_at_close = g_world->HostQueryCount() - before;
}

class Sessions : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    g_opened = g_closed = 0;
    g_vessels_at_close = -1;
    g_world = &world;
    g_module_calls_at_close = 0;
    Start();
    world.SetModule({&InitModule, &ExitModule, &GetModuleVersion, nullptr, &opcPreStep,
                     &OpenViewport, &CloseViewport},
                    kInstance);
  }

  // The count of the session's errors for one call (0: none).
  int64_t StaleCount(uint32_t session, const std::string &call) const {
    for (const sim::StaleCallCount &c : world.StaleCalls(session)) {
      if (c.call == call) return c.count;
    }
    return 0;
  }

  int64_t StaleTotal(uint32_t session) const {
    int64_t total = 0;
    for (const sim::StaleCallCount &c : world.StaleCalls(session)) total += c.count;
    return total;
  }

  static constexpr double kRowLat_rad = 2e-5;
};

TEST_F(Sessions, ASecondSessionReusesTheFirstsHandlesAndItsStaleCallsAreErrors) {
  // Session 1: a carrier and three landers at rest, anchored by the module.
  const OBJHANDLE carrier1 = AddCarrier();
  const OBJHANDLE a1 = Resting("a", kRowLat_rad);
  const OBJHANDLE b1 = Resting("b", 2 * kRowLat_rad);
  const OBJHANDLE c1 = Resting("c", 3 * kRowLat_rad);
  world.StartSession();
  EXPECT_EQ(g_opened, 1);
  for (int i = 0; i < 3; ++i) Step();
  ASSERT_TRUE(Anchored(a1) && Anchored(b1) && Anchored(c1));
  VESSEL *kept_a = oapiGetVesselInterface(a1);
  const size_t points1 = world.AttachmentPointCount();
  ASSERT_EQ(points1, 6u);
  EXPECT_EQ(StaleTotal(1), 0);
  // A release key still down when the session ends: the next session never sees it.
  world.KeyDown('G');

  world.EndSession();
  EXPECT_EQ(g_closed, 1);
  EXPECT_EQ(g_vessels_at_close, 0) << "the host destroys its world before it says so";
  // Every object the module could name is gone: it names none.
  EXPECT_EQ(g_module_calls_at_close, 0u);
  EXPECT_TRUE(world.LiveVessels().empty());
  EXPECT_EQ(world.Vessel(a1), nullptr);
  EXPECT_EQ(world.Focus(), nullptr);
  EXPECT_EQ(world.AttachmentPointCount(), 0u);
  EXPECT_EQ(world.Session(), 2u);
  EXPECT_EQ(world.StepCount(), 0);
  // The module was not started again, but it forgot the session's carrier and slots.
  EXPECT_LT(td::FindAnchorSlot(a1), 0);
  EXPECT_EQ(td::StepCarrier(), nullptr);

  // Session 2: the same body and carrier, two landers at rest, a third serial no more.
  EXPECT_EQ(world.AddBody({"Moon", kMoonRadius_m, kMoonMass_kg, td::Vec3(0, 0, 0)}), moon);
  EXPECT_EQ(AddCarrier(), carrier1);
  const OBJHANDLE a2 = Resting("a2", 4 * kRowLat_rad);
  const OBJHANDLE b2 = Resting("b2", 5 * kRowLat_rad);
  EXPECT_EQ(a2, a1);
  EXPECT_EQ(b2, b1);
  world.StartSession();
  EXPECT_EQ(g_opened, 2);
  world.ClearEvents();

  // A kept interface speaks for the new vessel of its serial; used before the host has handed
  // it over in this session, that is an error, and the call acts on the new vessel.
  EXPECT_EQ(kept_a->GetHandle(), a2);
  EXPECT_DOUBLE_EQ(kept_a->GetMass(), 1000.0);
  EXPECT_EQ(StaleCount(2, "GetMass"), 1);
  // A vessel and a point beyond the new tables named the ended session's objects.
  EXPECT_FALSE(oapiIsVessel(c1));
  EXPECT_EQ(StaleCount(2, "oapiIsVessel"), 1);
  ASSERT_EQ(oapiGetVesselByIndex(0), carrier1);  // handed over: named without blame
  EXPECT_FALSE(oapiGetVesselInterface(carrier1)->DetachChild(
      sim::MakeHandle(sim::HandleKind::kAttachment, points1), 0.0));
  EXPECT_EQ(StaleCount(2, "DetachChild"), 1);
  // Recorded in the event log's kind too, naming the call, the object and what it names now.
  std::vector<sim::StaleHandleEvent> stale = Calls<sim::StaleHandleEvent>();
  ASSERT_EQ(stale.size(), 3u);
  EXPECT_EQ(stale[0].call, "GetMass");
  EXPECT_EQ(stale[0].names, a2);
  EXPECT_EQ(stale[1].object, "vessel");
  EXPECT_EQ(stale[1].names, nullptr);
  EXPECT_EQ(stale[2].object, "attachment point");
  EXPECT_EQ(stale[2].serial, points1);

  // Handed over by index, the vessel may be named without blame.
  for (DWORD i = 0; i < oapiGetVesselCount(); ++i) oapiGetVesselByIndex(static_cast<int>(i));
  kept_a->GetMass();
  EXPECT_EQ(StaleCount(2, "GetMass"), 1);
  // The first session's counts are its own.
  EXPECT_EQ(StaleTotal(1), 0);

  // The module starts the session afresh: it anchors a2 and b2 through new points and keeps
  // them (no key of the first session lets them go), and names nothing of the first session.
  world.ClearEvents();
  for (int i = 0; i < 3; ++i) Step();
  EXPECT_TRUE(Anchored(a2));
  EXPECT_TRUE(Anchored(b2));
  EXPECT_TRUE(Events(sim::EventKind::kDetachChild).empty());
  EXPECT_TRUE(Events(sim::EventKind::kStaleHandle).empty());
}

TEST_F(Sessions, AWorldOfOneSessionRecordsNoErrorForTheGoneAndTheUnknown) {
  AddCarrier();
  const OBJHANDLE gone = Resting("gone", kRowLat_rad);
  const OBJHANDLE kept = Resting("kept", 2 * kRowLat_rad);
  world.StartSession();
  Step();
  world.DeleteVessel(gone);
  EXPECT_FALSE(oapiIsVessel(gone));
  EXPECT_FALSE(oapiIsVessel(sim::MakeHandle(sim::HandleKind::kVessel, 99)));
  EXPECT_EQ(oapiGetSize(sim::MakeHandle(sim::HandleKind::kBody, 7)), 0.0);
  VECTOR3 pos{}, dir{}, rot{};
  Iface(kept)->GetAttachmentParams(sim::MakeHandle(sim::HandleKind::kAttachment, 999), pos, dir,
                                   rot);
  for (int i = 0; i < 3; ++i) Step();
  EXPECT_EQ(StaleTotal(1), 0);
  EXPECT_TRUE(Events(sim::EventKind::kStaleHandle).empty());
  // A session that ends with nothing handed leaves no serial to blame in the next one.
  world.EndSession();
  EXPECT_EQ(g_closed, 1);
}

}  // namespace
}  // namespace tdtest
