// Places where the module does the sound thing rather than the literal one: longitude wrap,
// nothing non-finite written into attachments, the terrain library's path (vessels of other
// bodies are the robustness scene's).
#include <unistd.h>

#include <filesystem>
#include <limits>

#include "anchor/anchor_table.h"
#include "module/key_table.h"
#include "module/test_access.h"
#include "support/world_fixture.h"

namespace {

using sim::EventKind;
using tdtest::ModuleWorld;

constexpr double kPi = 3.141592653589793;

using Mends = ModuleWorld;

TEST_F(Mends, FocusDistanceIsMeasuredTheShortWayAcrossTheAntimeridian) {
  Start();
  AddCarrier(0.0, -3.14);
  const OBJHANDLE v = Resting("v", 0.0, -3.14);
  const OBJHANDLE focus = FocusAt(0.0, 3.14);  // 0.0032 rad away across +-pi
  Step();
  Step();
  EXPECT_TRUE(Anchored(v));
  EXPECT_TRUE(Events(EventKind::kDetachChild).empty());
  // 0.0101 rad apart across the antimeridian still releases.
  world.DeleteVessel(focus);
  FocusAt(0.0, kPi - (0.0101 - (kPi - 3.14)));
  Step();
  EXPECT_FALSE(Anchored(v));
  EXPECT_EQ(Events(EventKind::kDetachChild).size(), 1u);
}

TEST_F(Mends, NothingNonFiniteReachesAnAttachment) {
  Start();
  const OBJHANDLE carrier = AddCarrier();
  const OBJHANDLE walker = Resting("walker", 0.0, 0.0, "UMmu");
  world.SetFocus(walker);
  Step();
  ASSERT_TRUE(Anchored(walker));

  // Over terrain that is not a number: no anchoring, and no step.
  Reconfigure(tdtest::NaNTerrain());
  const OBJHANDLE newcomer = Resting("newcomer");
  td::test_access::SetStepCarrier(Iface(carrier));
  world.ClearEvents();
  td::AnchorVessel(Iface(newcomer));
  EXPECT_EQ(td::FindAnchorSlot(newcomer), -1);
  EXPECT_TRUE(world.Events().empty());
  world.KeyDown(td::kKeyW);
  Step();
  EXPECT_TRUE(Events(EventKind::kSetAttachmentParams).empty());
  EXPECT_TRUE(Anchored(walker));
  world.KeyUp(td::kKeyW);

  // A turn over a step length that is not a number makes no edit either.
  world.KeyDown(td::kKeyD);
  world.CallPreStep(1.0, std::numeric_limits<double>::quiet_NaN(), 0.0);
  EXPECT_TRUE(Events(EventKind::kSetAttachmentParams).empty());
  for (ATTACHMENTHANDLE a : world.AttachmentsOf(carrier)) {
    const sim::AttachmentRecord &r = *world.Attachment(a);
    EXPECT_TRUE(std::isfinite(r.pos.x + r.pos.y + r.pos.z + r.rot.x + r.rot.y + r.rot.z));
  }
}

// The library is looked for beside the host executable only: one of the same name in the
// current directory must not be picked up.
TEST_F(Mends, LibraryInTheCurrentDirectoryIsNotLoaded) {
  namespace fs = std::filesystem;
  const fs::path real = fs::path(world.ExecutablePath()).parent_path() / "modules" / "dorvak.so";
  const fs::path work = fs::temp_directory_path() / ("td-cwd-" + std::to_string(getpid()));
  fs::create_directories(work / "modules");
  fs::copy_file(real, work / "modules" / "dorvak.so", fs::copy_options::overwrite_existing);
  const fs::path empty_host_dir = work / "host";
  fs::create_directories(empty_host_dir);
  const fs::path old_cwd = fs::current_path();
  fs::current_path(work);

  world.SetExecutablePath((empty_host_dir / "orbiter").string());
  Start(sim::TerrainMode::kPresent);

  fs::current_path(old_cwd);
  fs::remove_all(work);
  ASSERT_EQ(world.MessageBoxes().size(), 1u);
  EXPECT_EQ(world.MessageBoxes()[0].text, "Dorvak module Not Found!");
}

}  // namespace
