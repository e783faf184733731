// No heap allocation in the step: the global allocation functions of this program are
// replaced by ones that count, and a thousand busy steps after InitModule (landing, resting,
// anchoring, walking, driving, releases by thrust, by key and by deletion) must count none.
#include <cstdlib>
#include <new>

#include "anchor/anchor_table.h"
#include "module/key_table.h"
#include "sim/world_impl.h"
#include "support/world_fixture.h"

namespace {

bool g_counting = false;
long g_allocations = 0;

void *CountedAllocation(std::size_t size, std::size_t alignment = 0) {
  if (g_counting) ++g_allocations;
  if (size == 0) size = 1;
  if (alignment == 0) return std::malloc(size);
  return std::aligned_alloc(alignment, (size + alignment - 1) / alignment * alignment);
}

// Kept out of line: GCC would otherwise see free() inlined where operator new was called
// and take the pair for a mismatch.
[[gnu::noinline]] void Release(void *p) { std::free(p); }

void *OrThrow(void *p) {
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

}  // namespace

void *operator new(std::size_t size) { return OrThrow(CountedAllocation(size)); }
void *operator new[](std::size_t size) { return OrThrow(CountedAllocation(size)); }
void *operator new(std::size_t size, const std::nothrow_t &) noexcept {
  return CountedAllocation(size);
}
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept {
  return CountedAllocation(size);
}
void *operator new(std::size_t size, std::align_val_t a) {
  return OrThrow(CountedAllocation(size, static_cast<std::size_t>(a)));
}
void *operator new[](std::size_t size, std::align_val_t a) {
  return OrThrow(CountedAllocation(size, static_cast<std::size_t>(a)));
}
void *operator new(std::size_t size, std::align_val_t a, const std::nothrow_t &) noexcept {
  return CountedAllocation(size, static_cast<std::size_t>(a));
}
void *operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t &) noexcept {
  return CountedAllocation(size, static_cast<std::size_t>(a));
}
void operator delete(void *p) noexcept { Release(p); }
void operator delete[](void *p) noexcept { Release(p); }
void operator delete(void *p, std::size_t) noexcept { Release(p); }
void operator delete[](void *p, std::size_t) noexcept { Release(p); }
void operator delete(void *p, std::align_val_t) noexcept { Release(p); }
void operator delete[](void *p, std::align_val_t) noexcept { Release(p); }
void operator delete(void *p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete[](void *p, std::size_t, std::align_val_t) noexcept { Release(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { Release(p); }
void operator delete[](void *p, const std::nothrow_t &) noexcept { Release(p); }
void operator delete(void *p, std::align_val_t, const std::nothrow_t &) noexcept { Release(p); }
void operator delete[](void *p, std::align_val_t, const std::nothrow_t &) noexcept { Release(p); }

namespace {

using td::Vec3;
using tdtest::FlatTerrain;
using tdtest::ModuleWorld;

// Counts what is allocated while it lives.
class Counted {
 public:
  Counted() : before_(g_allocations) { g_counting = true; }
  ~Counted() { g_counting = false; }
  long Allocations() const { return g_allocations - before_; }

 private:
  long before_;
};

class Allocation : public ModuleWorld {
 protected:
  static constexpr double kStep_s = 0.02;
  static constexpr int kSteps = 1000;

  // The steps from `from` up to `to`, with the keys given held throughout (first key-down,
  // then auto-repeat between steps, key-up at the end), all of it counted.
  void Run(int to, std::initializer_list<int> keys = {}) {
    const Counted counted;
    for (int vk : keys) world.KeyDown(vk);
    for (; step_count < to; ++step_count) {
      Step(kStep_s);
      for (int vk : keys) world.KeyRepeat(vk);
    }
    for (int vk : keys) world.KeyUp(vk);
    allocations += counted.Allocations();
  }

  VECTOR3 Pos(OBJHANDLE v) const { return world.Vessel(v)->pos_global; }

  int step_count = 0;
  long allocations = 0;
};

TEST_F(Allocation, ABusyThousandStepsAllocateNothing) {
  AddCarrier();
  // Terrain 5 m above the mean radius, where only the module's forces hold a vessel up.
  Start(sim::TerrainMode::kPresent, FlatTerrain(5.0));
  world.SetRecording(false);
  world.EnablePhysics(true);
  std::vector<OBJHANDLE> landers;
  for (int i = 0; i < 6; ++i) {
    landers.push_back(Falling("l" + std::to_string(i), 0.0004 * i, -0.0003 * i, 0.5 + 0.3 * i));
  }
  const OBJHANDLE walker = Resting("walker", 0.002, 0.0, "UMmu");
  const OBJHANDLE car = Resting("car", -0.002, 0.0, "UCGO\\Cars\\Rover");
  world.SetFocus(walker);
  // The host's record of attachment points grows with every anchoring, and its lists of
  // children with the first ones; they are given their room up front, so that what is
  // counted is the module's step and the host's queries.
  world.ReserveAttachmentPoints(4096);
  for (OBJHANDLE v : world.LiveVessels()) world.Vessel(v)->children.reserve(16);

  Run(150);  // the landers fall, touch down, come to rest and are anchored
  for (OBJHANDLE v : landers) ASSERT_TRUE(Anchored(v));
  ASSERT_TRUE(Anchored(walker));

  const VECTOR3 walker_start = Pos(walker);
  Run(250, {td::kKeyW});
  Run(300, {td::kKeyW, td::kKeyD});
  EXPECT_GT(td::VecLength(td::VecSub(Pos(walker), walker_start)), 10.0);
  EXPECT_TRUE(Anchored(walker));

  // Engine on: released; engine off: down again and anchored anew.
  world.Vessel(landers[0])->thrust_local_N = Vec3(0, 1000.0 * 3.0, 0);
  Run(320);
  EXPECT_FALSE(Anchored(landers[0]));
  world.Vessel(landers[0])->thrust_local_N = Vec3(0, 0, 0);
  Run(500);
  EXPECT_TRUE(Anchored(landers[0]));

  // G releases everything; what rests is anchored again.
  Run(501, {td::kKeyG});
  for (OBJHANDLE v : landers) EXPECT_FALSE(Anchored(v));
  Run(600);
  for (OBJHANDLE v : landers) EXPECT_TRUE(Anchored(v));

  // The car takes the focus and drives sideways, turning; a lander leaves the simulation.
  world.SetFocus(car);
  const VECTOR3 car_start = Pos(car);
  Run(700, {td::kKeyNext, td::kKeyLeft});
  EXPECT_GT(td::VecLength(td::VecSub(Pos(car), car_start)), 10.0);
  world.DeleteVessel(landers[5]);
  Run(702);
  EXPECT_EQ(td::FindAnchorSlot(landers[5]), -1);

  // U releases; the walker, focus again, walks off while the others settle once more.
  Run(703, {td::kKeyU});
  EXPECT_FALSE(Anchored(landers[1]));
  world.SetFocus(walker);
  Run(kSteps, {td::kKeyS});
  EXPECT_TRUE(Anchored(walker));
  EXPECT_TRUE(Anchored(landers[1]));

  EXPECT_EQ(allocations, 0);
}

// The counter itself: with the host's event log on, the log grows in the step, and that is
// seen.
TEST_F(Allocation, TheCounterSeesTheHostsEventLogGrow) {
  AddCarrier();
  Start();
  Resting("v");
  Run(1);
  EXPECT_GT(allocations, 0);
}

}  // namespace
