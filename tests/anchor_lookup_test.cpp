// The anchor table's quick walks against plain ones: the slot lookup against a linear scan of
// whatever the table holds, and the slots that anchoring and the contact pass hand out
// against a model of the lowest-free-slot rule, over random sequences.
#include <random>

#include "anchor/anchor_table.h"
#include "world_fixture.h"

namespace {

using td::kAnchorSlotCount;
using td::Vec3;
using tdtest::ModuleWorld;

OBJHANDLE Handle(int i) { return reinterpret_cast<OBJHANDLE>(static_cast<uintptr_t>(i + 1) << 4); }

int PlainLookup(OBJHANDLE vessel) {
  for (int slot = 0; slot < kAnchorSlotCount; ++slot) {
    if (vessel != nullptr && td::g_anchorVessel[slot] == vessel) return slot;
  }
  return -1;
}

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
    ASSERT_EQ(td::g_anchorVessel[s], model.slots[s]) << "slot " << s;
  }
}

TEST(AnchorLookup, FindsWhatALinearScanFindsInAnyFilling) {
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    // Sparse to full tables of a few handles, some of them twice (as only a direct write can
    // leave them): the lowest slot must win.
    const int handles = 1 + static_cast<int>(random() % 150);
    const unsigned fillPercent = random() % 101;
    for (OBJHANDLE &entry : td::g_anchorVessel) {
      entry = random() % 100 < fillPercent ? Handle(static_cast<int>(random() % handles)) : nullptr;
    }
    for (int i = -1; i <= handles; ++i) {
      const OBJHANDLE sought = i < 0 ? nullptr : Handle(i);
      ASSERT_EQ(td::FindAnchorSlot(sought), PlainLookup(sought)) << "round " << round;
    }
  }
  td::ClearAnchorTable();
}

class AnchorSlots : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    carrier = AddCarrier();
    Start();
    world.SetRecording(false);
  }

  // Resting vessels in a block around the carrier, more of them than there are slots.
  std::vector<OBJHANDLE> RestingFleet(int n) {
    std::vector<OBJHANDLE> fleet;
    for (int i = 0; i < n; ++i) {
      fleet.push_back(Resting("v" + std::to_string(i), 1e-5 * (i % 13), -1e-5 * (i / 13)));
    }
    return fleet;
  }

  OBJHANDLE carrier = nullptr;
};

TEST_F(AnchorSlots, AnchoringAndReleasingInAnyOrderFollowTheLowestFreeSlotRule) {
  const std::vector<OBJHANDLE> fleet = RestingFleet(130);
  td::g_carrier = Iface(carrier);
  TableModel model;
  std::mt19937 random(11);
  for (int op = 0; op < 3000; ++op) {
    const OBJHANDLE v = fleet[random() % fleet.size()];
    if (random() % 3 == 0) {
      td::ReleaseVessel(Iface(v), 0.0);
      model.Release(v);
    } else {
      td::AnchorVessel(Iface(v));
      model.Anchor(v);
    }
    ASSERT_NO_FATAL_FAILURE(ExpectTableIs(model)) << "operation " << op;
  }
}

// Within one pass the contact pass remembers how far up the table is in use; slots it frees
// on the way must still go to the next vessel that waits, in the host's order.
TEST_F(AnchorSlots, TheContactPassHandsOutSlotsInHostOrderAsTheRuleSays) {
  const std::vector<OBJHANDLE> fleet = RestingFleet(140);
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

}  // namespace
