// Start-up and shut-down as the user sees them: the terrain library found or not, the two
// messages, and the version number.
#include "host/terrain.h"
#include "module/terrain_library.h"
#include "platform/library_path.h"
#include "world_fixture.h"

namespace {

using sim::TerrainMode;
using tdtest::ModuleWorld;

class Lifecycle : public ModuleWorld {};

TEST_F(Lifecycle, TerrainLibraryPresentShowsNothingAndBindsTheFunction) {
  Start(TerrainMode::kPresent);
  EXPECT_TRUE(world.MessageBoxes().empty());
  EXPECT_TRUE(td::TerrainBound());
}

TEST_F(Lifecycle, MissingLibraryShowsExactlyOneMessage) {
  Start(TerrainMode::kMissing);
  ASSERT_EQ(world.MessageBoxes().size(), 1u);
  const sim::MessageBoxRecord &box = world.MessageBoxes()[0];
  EXPECT_EQ(box.text, "Dorvak module Not Found!");
  EXPECT_EQ(box.caption, "Error!");
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.type, 0u);
  EXPECT_FALSE(td::TerrainBound());
  EXPECT_TRUE(world.HookInstalled());
}

TEST_F(Lifecycle, LibraryWithoutTheFunctionShowsExactlyOneMessage) {
  Start(TerrainMode::kNoFunction);
  ASSERT_EQ(world.MessageBoxes().size(), 1u);
  EXPECT_EQ(world.MessageBoxes()[0].text, "Dorvak module error");
  EXPECT_EQ(world.MessageBoxes()[0].caption, "Error!");
  EXPECT_FALSE(td::TerrainBound());
}

TEST_F(Lifecycle, RestartAfterAFailedLoadLeavesNoStaleFunction) {
  Start(TerrainMode::kPresent);
  ExitModule(kInstance);
  Start(TerrainMode::kMissing);
  EXPECT_FALSE(td::TerrainBound());
}

TEST_F(Lifecycle, ExitAfterAFailedLoadReleasesAndReportsNothing) {
  Start(TerrainMode::kMissing);
  ExitModule(kInstance);
  EXPECT_EQ(world.MessageBoxes().size(), 1u);
  Start(TerrainMode::kMissing);
}

TEST_F(Lifecycle, VersionIsComputedOnceFromTheFixedDate) {
  const uint64_t before = world.HostQueryCount();
  EXPECT_EQ(GetModuleVersion(), 60425);
  const uint64_t afterFirst = world.HostQueryCount();
  EXPECT_EQ(GetModuleVersion(), 60425);
  EXPECT_EQ(afterFirst - before, 1u);  // Date2Int, once
  EXPECT_EQ(world.HostQueryCount(), afterFirst);
}

TEST(LibraryPath, BuiltFromTheExecutablesDirectoryWithEitherSeparator) {
  char out[td::kMaxPath];
  ASSERT_TRUE(
      td::BuildSiblingPath("C:\\Orbiter\\orbiter.exe", "modules\\dorvak.dll", out, sizeof out));
  EXPECT_STREQ(out, "C:\\Orbiter\\modules\\dorvak.dll");
  ASSERT_TRUE(td::BuildSiblingPath("/opt/sim/bin/host", "modules\\dorvak.dll", out, sizeof out));
  EXPECT_STREQ(out, "/opt/sim/bin/modules\\dorvak.dll");
  ASSERT_TRUE(td::BuildSiblingPath("C:/a\\b/host.exe", "x", out, sizeof out));
  EXPECT_STREQ(out, "C:/a\\b/x");
}

TEST(LibraryPath, RefusesWhatItCannotMakeAbsoluteOrFit) {
  char out[16];
  EXPECT_FALSE(td::BuildSiblingPath("orbiter.exe", "modules\\dorvak.dll", out, sizeof out));
  EXPECT_STREQ(out, "");
  EXPECT_FALSE(td::BuildSiblingPath("/a/b/host", "modules\\dorvak.dll", out, sizeof out));
  EXPECT_STREQ(out, "");
  // Exactly fitting, terminator included; one more character does not.
  EXPECT_TRUE(td::BuildSiblingPath("/a/h", "0123456789ab", out, sizeof out));
  EXPECT_STREQ(out, "/a/0123456789ab");
  EXPECT_FALSE(td::BuildSiblingPath("/a/h", "0123456789abc", out, sizeof out));
}

}  // namespace
