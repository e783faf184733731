// Output files: the previous file stays whole until the new one is complete, nothing is left
// beside it, and the first write that fails stops the run with no output put in place.
#include "app/base/output_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/base/run_stop.h"

namespace app {
namespace {

namespace fs = std::filesystem;

class OutputFiles : public ::testing::Test {
 public:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("output_file_test." + RandomPart());
    fs::create_directories(dir);
    std::ofstream(dir / "out.txt") << "previous";
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Read(const std::string &name) const {
    std::ostringstream text;
    text << std::ifstream(dir / name).rdbuf();
    return text.str();
  }
  size_t Files() const {
    return static_cast<size_t>(std::distance(fs::directory_iterator(dir), {}));
  }
  fs::path dir;
};

TEST_F(OutputFiles, TheNewFileReplacesTheOldOnlyWhenClosed) {
  {
    OutputFile file((dir / "out.txt").string());
    file.Buffer() = std::string(100'000, 'x');
    file.MaybeFlush();
    EXPECT_EQ(Read("out.txt"), "previous");
    EXPECT_EQ(Files(), 2u) << "the new text goes into a file beside it";
    file.Buffer() += "end";
    file.Close();
  }
  EXPECT_EQ(Read("out.txt"), std::string(100'000, 'x') + "end");
  EXPECT_EQ(Files(), 1u);
}

TEST_F(OutputFiles, AFileNotClosedLeavesThePreviousOneAndNothingElse) {
  {
    OutputFile file((dir / "out.txt").string());
    file.Buffer() = std::string(100'000, 'x');
    file.MaybeFlush();
  }
  EXPECT_EQ(Read("out.txt"), "previous");
  EXPECT_EQ(Files(), 1u);
  RemoveTemporaryFiles();  // what an abrupt end does: here there is nothing left to remove
  EXPECT_EQ(Files(), 1u);
}

TEST_F(OutputFiles, APlaceThatCannotBeWrittenIsFoundBeforeTheRun) {
  EXPECT_THROW(OutputFile(dir.string()), std::runtime_error);  // a folder
  EXPECT_THROW(OutputFile::Probe((dir / "none" / "out.txt").string()), std::runtime_error);
  OutputFile::Probe((dir / "out.txt").string());
  EXPECT_EQ(Read("out.txt"), "previous");
  EXPECT_EQ(Files(), 1u);
}

// A write that fails, beside an output written well: both refuse to be put in place.
bool AFailedWriteKeepsEveryOutputAsItWas(const OutputFiles &t) {
  OutputFile kept((t.dir / "out.txt").string());
  kept.Buffer() = "new";
  OutputFile full("/dev/full");
  full.Buffer() = "text";
  bool said_why = false, kept_refused = false;
  try {
    full.Close();
  } catch (const std::runtime_error &e) {
    said_why = std::string(e.what()) == "cannot write /dev/full: No space left on device";
  }
  try {
    kept.Close();
  } catch (const std::runtime_error &) {
    kept_refused = true;
  }
  return said_why && kept_refused && StopRequested() && StopExitStatus() == 1 &&
         t.Read("out.txt") == "previous" && t.Files() == 1;
}

// The failure is remembered for the whole run, so it is tried in a process of its own.
TEST_F(OutputFiles, AFailedWriteStopsTheRunAndNoOutputIsPutInPlace) {
  EXPECT_EXIT(std::exit(AFailedWriteKeepsEveryOutputAsItWas(*this) ? 0 : 1),
              ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace app
