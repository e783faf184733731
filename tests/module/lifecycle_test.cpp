// Start-up and shut-down: what a restart must not keep, and the terrain library's path.
// The messages of a missing library are the plug-in load test's.
#include "anchor/anchor_table.h"
#include "host/terrain.h"
#include "module/terrain_library.h"
#include "platform/library_path.h"
#include "support/world_fixture.h"

namespace {

using sim::TerrainMode;
using tdtest::ModuleWorld;

using Lifecycle = ModuleWorld;

TEST_F(Lifecycle, RestartAfterAFailedLoadLeavesNoStaleFunctionAndNoSecondMessage) {
  Start(TerrainMode::kPresent);
  EXPECT_TRUE(td::TerrainBound());
  ExitModule(kInstance);
  Start(TerrainMode::kMissing);
  EXPECT_FALSE(td::TerrainBound());
  ExitModule(kInstance);
  EXPECT_EQ(world.MessageBoxes().size(), 1u);
  Start(TerrainMode::kMissing);
}

TEST_F(Lifecycle, ExitFreesTheLibraryAndARestartForgetsTheAnchoredAndTheOldLibrary) {
  Start(TerrainMode::kPresent);
  AddCarrier();
  const OBJHANDLE v = Resting("v");
  Resting("u", 2e-4);
  Step();
  ASSERT_TRUE(Anchored(v));
  EXPECT_EQ(world.LibrariesHeld(), 1);
  ExitModule(kInstance);
  EXPECT_EQ(world.LibrariesHeld(), 0);
  EXPECT_FALSE(td::TerrainBound());
  // Started again where no path to the library can be built: nothing of the first start's
  // library may stand in for it, and no slot is still taken.
  const std::string executable = world.ExecutablePath();
  world.SetExecutablePath("orbiter.exe");
  Start(TerrainMode::kPresent);
  EXPECT_FALSE(td::TerrainBound());
  EXPECT_EQ(world.MessageBoxes().size(), 1u);
  EXPECT_EQ(td::FindAnchorSlot(v), -1);
  // With the library back, the first vessel to rest takes the first slot again.
  ExitModule(kInstance);
  world.SetExecutablePath(executable);
  Start(TerrainMode::kPresent);
  const OBJHANDLE w = Resting("w", 1e-4);
  Step();
  EXPECT_EQ(td::FindAnchorSlot(w), 0);
}

// A path the host cuts short at the buffer's end still ends in a folder; the library must not
// be looked for there. Nor beside an executable whose path the host cannot give.
TEST_F(Lifecycle, NoLibraryIsLookedForBesideAPathCutShortOrMissing) {
  const std::string executable = world.ExecutablePath();
  const std::string folder = executable.substr(0, executable.rfind('/') + 1);
  for (const std::string &path : {folder + std::string(2 * td::kMaxPath, 'x'), std::string()}) {
    world.SetExecutablePath(path);
    Start(TerrainMode::kPresent);
    EXPECT_FALSE(td::TerrainBound());
    EXPECT_EQ(world.LibrariesHeld(), 0);
    ExitModule(kInstance);
  }
  EXPECT_EQ(world.MessageBoxes().size(), 2u);
}

TEST(LibraryPath, BuiltBesideTheExecutableOrRefused) {
  char out[16];
  ASSERT_TRUE(td::BuildSiblingPath("C:/a\\h.exe", "x", out, sizeof out));
  EXPECT_STREQ(out, "C:/a\\x");
  ASSERT_TRUE(td::BuildSiblingPath("C:\\a/h.exe", "x", out, sizeof out));
  EXPECT_STREQ(out, "C:\\a/x");
  EXPECT_FALSE(td::BuildSiblingPath("orbiter.exe", "modules\\dorvak.dll", out, sizeof out));
  EXPECT_STREQ(out, "");
  // Exactly fitting, terminator included; one more character does not.
  EXPECT_TRUE(td::BuildSiblingPath("/a/h", "0123456789ab", out, sizeof out));
  EXPECT_STREQ(out, "/a/0123456789ab");
  EXPECT_FALSE(td::BuildSiblingPath("/a/h", "0123456789abc", out, sizeof out));
  EXPECT_STREQ(out, "");
  // No room at all: not even the terminator is written.
  out[0] = 'x';
  EXPECT_FALSE(td::BuildSiblingPath("/a/h", "b", out, 0));
  EXPECT_EQ(out[0], 'x');
}

}  // namespace
