// The key table as the hook keeps it, fed with real flag words through the world's desktop.
#include "module/key_table.h"

#include "support/world_fixture.h"

namespace {

using tdtest::ModuleWorld;

class KeyTable : public ModuleWorld {
 protected:
  void SetUp() override {
    ModuleWorld::SetUp();
    Start();
  }
};

TEST_F(KeyTable, HeldFromFirstKeyDownThroughAutoRepeatUntilKeyUp) {
  ASSERT_TRUE(world.HookInstalled());
  world.KeyDown(td::kKeyPeriod);
  world.KeyDown(td::kKeyW);
  EXPECT_EQ(td::KeyEntry(td::kKeyPeriod), 1);
  EXPECT_EQ(td::KeyEntry(td::kKeyW), 1);
  for (int i = 0; i < 20; ++i) world.KeyRepeat(td::kKeyPeriod);
  EXPECT_EQ(td::KeyEntry(td::kKeyPeriod), 1);
  world.KeyUp(td::kKeyPeriod);
  EXPECT_EQ(td::KeyEntry(td::kKeyPeriod), 0);
  EXPECT_EQ(td::KeyEntry(td::kKeyW), 1);
}

TEST_F(KeyTable, ClearedEntryStaysClearThroughAutoRepeatUntilPressedAgain) {
  world.KeyDown(td::kKeyG);
  td::ClearKey(td::kKeyG);
  world.KeyRepeat(td::kKeyG);
  world.KeyRepeat(td::kKeyG);
  EXPECT_EQ(td::KeyEntry(td::kKeyG), 0);
  world.KeyUp(td::kKeyG);
  world.KeyDown(td::kKeyG);
  EXPECT_EQ(td::KeyEntry(td::kKeyG), 1);
}

TEST_F(KeyTable, OddFlagWordsAndCodes) {
  // Bit 30 clear with bit 31 set: set, then cleared again; it ends up.
  world.KeyDown(td::kKeyS);
  world.SendKeystroke(td::kKeyS, kKeyReleasingBit);
  EXPECT_EQ(td::KeyEntry(td::kKeyS), 0);

  // A negative hook code is passed on without touching the table.
  td::KeyboardHookProc(-1, td::kKeyA, 0);
  EXPECT_EQ(td::KeyEntry(td::kKeyA), 0);

  // Codes from 255 up have no entry and must not be stored anywhere.
  for (int vk : {255, 256, 300, 65535}) world.SendKeystroke(static_cast<WPARAM>(vk), 0);
  for (int vk = 0; vk < td::kKeyCount; ++vk) EXPECT_EQ(td::KeyEntry(vk), 0) << vk;
}

TEST_F(KeyTable, StartingTheModuleClearsTheTableAndExitRemovesTheHook) {
  world.KeyDown(td::kKeyD);
  ExitModule(kInstance);
  EXPECT_FALSE(world.HookInstalled());
  Start();
  EXPECT_EQ(td::KeyEntry(td::kKeyD), 0);
}

}  // namespace
