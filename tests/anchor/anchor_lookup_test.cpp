// The anchor table's quick walks against a plain model: the slots the contact pass hands out,
// over random sequences of thrust and rest, against the lowest-free-slot rule.
#include <random>

#include "anchor/anchor_table.h"
#include "module/test_access.h"
#include "support/world_fixture.h"

namespace {

using td::kAnchorSlotCount;
using td::Vec3;
using tdtest::ModuleWorld;

// The table as the rules say it must be after each anchoring and release.
struct TableModel {
  OBJHANDLE slots[kAnchorSlotCount] = {};

  int Find(OBJHANDLE v) const {
    for (int s = 0; s < kAnchorSlotCount; ++s) {
      if (slots[s] == v) return s;
    }
    return -1;
  }
  void Anchor(OBJHANDLE v) {
    if (Find(v) >= 0) return;
    const int free = Find(nullptr);
    if (free >= 0) slots[free] = v;
  }
  void Release(OBJHANDLE v) {
    const int s = Find(v);
    if (s >= 0) slots[s] = nullptr;
  }
};

void ExpectTableIs(const TableModel &model) {
  for (int s = 0; s < kAnchorSlotCount; ++s) {
    ASSERT_EQ(td::test_access::SlotVessel(s), model.slots[s]) << "slot " << s;
  }
}

class AnchorSlots : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    carrier = AddCarrier();
    Start();
    world.SetRecording(false);
  }

  OBJHANDLE carrier = nullptr;
};

// Within one pass the contact pass remembers how far up the table is in use; slots it frees
// on the way must still go to the next vessel that waits, in the host's order.
TEST_F(AnchorSlots, TheContactPassHandsOutSlotsInHostOrderAsTheRuleSays) {
  const std::vector<OBJHANDLE> fleet = RestingFleet("v", 140, 13, 1e-5, -1e-5);
  std::vector<VECTOR3> sunk;
  for (OBJHANDLE v : fleet) sunk.push_back(world.Vessel(v)->pos_global);
  TableModel model;
  std::mt19937 random(5);
  for (int step = 0; step < 60; ++step) {
    // Some vessels fire their engines for this step: anchored ones are released, free ones
    // cannot be anchored. Every free vessel is put back into the terrain, resting.
    std::vector<bool> thrust(fleet.size());
    for (size_t i = 0; i < fleet.size(); ++i) {
      thrust[i] = random() % 8 == 0;
      world.Vessel(fleet[i])->thrust_local_N = Vec3(0, thrust[i] ? 100.0 : 0.0, 0);
      if (!Anchored(fleet[i])) world.Vessel(fleet[i])->pos_global = sunk[i];
    }
    Step();
    for (size_t i = 0; i < fleet.size(); ++i) {
      if (model.Find(fleet[i]) >= 0) {
        if (thrust[i]) model.Release(fleet[i]);
      } else if (!thrust[i]) {
        model.Anchor(fleet[i]);
      }
    }
    ASSERT_NO_FATAL_FAILURE(ExpectTableIs(model)) << "step " << step;
  }
}

// Handles of every shape a host may give (pointers aligned to 16 bytes, small serials, wild
// bits) going in and out of every slot in random order: each is found exactly where it
// stands, and nowhere once it is gone, through every collision and removal.
TEST_F(AnchorSlots, EveryHandleIsFoundInItsSlotThroughEveryCollisionAndRemoval) {
  std::mt19937_64 random(11);
  std::vector<OBJHANDLE> pool;
  for (uint64_t i = 1; i <= 150; ++i) {
    for (uint64_t bits : {i << 4, i, random() | 1}) {
      pool.push_back(reinterpret_cast<OBJHANDLE>(static_cast<uintptr_t>(bits)));
    }
  }
  TableModel model;
  for (int round = 0; round < 4000; ++round) {
    const int slot = static_cast<int>(random() % kAnchorSlotCount);
    OBJHANDLE vessel = random() % 3 == 0 ? nullptr : pool[random() % pool.size()];
    if (model.Find(vessel) >= 0) vessel = nullptr;  // a vessel stands in one slot at most
    model.slots[slot] = vessel;
    td::test_access::SetSlotVessel(slot, vessel);
    for (OBJHANDLE v : pool) ASSERT_EQ(td::FindAnchorSlot(v), model.Find(v)) << "round " << round;
    ASSERT_EQ(td::FindAnchorSlot(nullptr), -1);  // not the first free slot
  }
}

}  // namespace
