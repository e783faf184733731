#include "app/plots.h"

#include <filesystem>
#include <stdexcept>

#include "app/gnuplot.h"
#include "app/output_file.h"
#include "app/plot_data.h"
#include "app/plot_script.h"

namespace app {

namespace fs = std::filesystem;

void RequireGnuplot() {
  const std::string program = GnuplotProgram();
  if (!GnuplotRuns(program)) {
    throw std::runtime_error("--plot needs gnuplot, and '" + program +
                             "' cannot be run (on Debian: apt-get install gnuplot-nox; or set "
                             "GNUPLOT to the program)");
  }
}

namespace {

// Everything is drawn in a hidden folder inside dir, then moved into place file by file: a
// run that fails, or gnuplot that fails, leaves the previous figures as they were.
class StagingDir {
 public:
  explicit StagingDir(const fs::path &dir)
      : path_(dir / (".touchdown-sim-plots-" + std::to_string(++serial_) + ".tmp")) {
    std::error_code error;
    fs::remove_all(path_, error);
    fs::create_directory(path_, error);
    if (error) throw std::runtime_error("cannot create " + path_.string() + ": " + error.message());
  }
  ~StagingDir() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  StagingDir(const StagingDir &) = delete;
  StagingDir &operator=(const StagingDir &) = delete;
  const fs::path &Path() const { return path_; }

 private:
  static inline int serial_ = 0;
  fs::path path_;
};

void MoveInto(const fs::path &from, const fs::path &to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (error)
    throw std::runtime_error("cannot put " + to.string() + " in place: " + error.message());
}

}  // namespace

std::vector<std::string> WritePlots(const RunRecord &record, const std::string &dir) {
  std::error_code error;
  fs::create_directories(dir, error);
  if (!fs::is_directory(dir)) {
    throw std::runtime_error("cannot create the folder " + dir + ": " + error.message());
  }
  const StagingDir staging(dir);
  const fs::path &work = staging.Path();
  const std::vector<PlotVessel> vessels = WritePlotData(record, work);
  std::vector<std::string> figures;
  {
    OutputFile script((work / "plots.gp").string());
    script.Buffer() = PlotScript(record, vessels, figures);
    script.Close();
  }
  const fs::path log = fs::path(dir) / "gnuplot.log";
  const int status = RunGnuplot(GnuplotProgram(), work.string(), "plots.gp", "gnuplot.log");
  if (status != 0) {
    MoveInto(work / "gnuplot.log", log);
    throw std::runtime_error("gnuplot failed (exit status " + std::to_string(status) +
                             "); its messages are in " + log.string());
  }
  for (const std::string &figure : figures) {
    for (const char *extension : {".png", ".svg"}) {
      const fs::path image = work / (figure + extension);
      if (!fs::exists(image) || fs::file_size(image) == 0) {
        MoveInto(work / "gnuplot.log", log);
        throw std::runtime_error("gnuplot did not draw " +
                                 (fs::path(dir) / image.filename()).string() + "; see " +
                                 log.string());
      }
    }
  }
  // A clean run leaves no log behind; warnings stay for reading.
  if (fs::exists(work / "gnuplot.log") && fs::file_size(work / "gnuplot.log") == 0) {
    fs::remove(work / "gnuplot.log");
  }
  for (const auto &entry : fs::directory_iterator(work)) {
    MoveInto(entry.path(), fs::path(dir) / entry.path().filename());
  }
  std::vector<std::string> images;
  for (const std::string &figure : figures) {
    for (const char *extension : {".png", ".svg"}) {
      images.push_back((fs::path(dir) / (figure + extension)).string());
    }
  }
  return images;
}

}  // namespace app
