#include "app/visuals/plots.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <stdexcept>

#include "app/base/output_file.h"
#include "app/base/run_stop.h"
#include "app/base/text_format.h"
#include "app/visuals/gnuplot.h"
#include "app/visuals/plot_data.h"
#include "app/visuals/plot_script.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <unistd.h>
#endif

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

PlotsGivenUp::PlotsGivenUp(int signal)
    : std::runtime_error(SignalName(signal) + " while drawing the plots: they were discarded"),
      signal_(signal) {}

namespace {

// Everything is drawn in a hidden folder inside dir, then moved into place file by file: a
// run that fails, or gnuplot that fails, leaves the previous figures as they were. The folder
// is made under a name no one has (process id and a random part, and created only where
// nothing was), so that removing it with all it holds removes nothing of anyone else's.
class StagingDir {
 public:
  explicit StagingDir(const fs::path &dir) {
    std::error_code error;
    for (int attempt = 0; attempt < 16; ++attempt) {
      path_ = dir / (".touchdown-sim-plots-" + std::to_string(getpid()) + "-" + RandomPart());
      if (fs::create_directory(path_, error)) return;
      if (error) break;
    }
    throw std::runtime_error("cannot create a folder in " + dir.string() + ": " +
                             (error ? error.message() : "every name tried was taken"));
  }
  ~StagingDir() {
    std::error_code error;
    fs::remove_all(path_, error);
  }
  StagingDir(const StagingDir &) = delete;
  StagingDir &operator=(const StagingDir &) = delete;
  const fs::path &Path() const { return path_; }

 private:
  fs::path path_;
};

void MoveInto(const fs::path &from, const fs::path &to) {
  std::error_code error;
  fs::rename(from, to, error);
  if (error)
    throw std::runtime_error("cannot put " + to.string() + " in place: " + error.message());
}

// The names an earlier run listed, only those that are plain names in the folder.
std::set<std::string> Manifest(const fs::path &dir) {
  std::set<std::string> names;
  std::ifstream in(dir / kPlotManifest);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.find_first_of("/\\") == std::string::npos && line != "." &&
        line != ".." && line != kPlotManifest) {
      names.insert(line);
    }
  }
  return names;
}

// The earlier run's own figures and data that this run did not write again: left there, they
// would be read as this run's.
void RemoveStale(const fs::path &dir, const std::set<std::string> &before,
                 const std::set<std::string> &now) {
  for (const std::string &name : before) {
    if (now.count(name) != 0) continue;
    std::error_code error;
    if (fs::is_regular_file(fs::symlink_status(dir / name, error))) fs::remove(dir / name, error);
  }
}

// The folder, made when it is not there yet.
void MakeFolder(const std::string &dir) {
  std::error_code error;
  fs::create_directories(dir, error);
  if (!fs::is_directory(dir)) {
    throw std::runtime_error("cannot create the folder " + dir + ": " + error.message());
  }
}

// The data files and the script in work; the figures the script draws.
std::vector<std::string> WriteScript(const RunRecord &record, const fs::path &work) {
  const std::vector<PlotVessel> vessels = WritePlotData(record, work);
  std::vector<std::string> figures;
  OutputFile script((work / "plots.gp").string());
  script.Buffer() = PlotScript(record, vessels, figures);
  script.Close();
  return figures;
}

// gnuplot run in work, every figure checked to be there; its log kept only when it says
// something, and put beside the figures when it failed.
void Draw(const fs::path &work, const fs::path &dir, const std::vector<std::string> &figures,
          const ChildWatch &watch) {
  const fs::path log = dir / "gnuplot.log";
  const int status = RunGnuplot(GnuplotProgram(), work.string(), "plots.gp", "gnuplot.log", watch);
  if (status == kGnuplotGivenUp) throw PlotsGivenUp(LastSignal());
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
        throw std::runtime_error("gnuplot did not draw " + (dir / image.filename()).string() +
                                 "; see " + log.string());
      }
    }
  }
  // A clean run leaves no log behind; warnings stay for reading.
  if (fs::exists(work / "gnuplot.log") && fs::file_size(work / "gnuplot.log") == 0) {
    fs::remove(work / "gnuplot.log");
  }
}

// Everything in work moved into dir, listed in the manifest, and what the run before left
// there and this one did not write again removed.
void PutInPlace(const fs::path &work, const fs::path &dir) {
  std::set<std::string> written;
  std::string manifest_text;
  for (const auto &entry : fs::directory_iterator(work)) {
    written.insert(entry.path().filename().string());
    manifest_text += entry.path().filename().string() + "\n";
  }
  const std::set<std::string> before = Manifest(dir);
  {
    OutputFile manifest((work / kPlotManifest).string());
    manifest.Buffer() = manifest_text;
    manifest.Close();
  }
  for (const auto &entry : fs::directory_iterator(work)) {
    MoveInto(entry.path(), dir / entry.path().filename());
  }
  RemoveStale(dir, before, written);
}

}  // namespace

std::vector<std::string> WritePlots(const RunRecord &record, const std::string &dir, bool tell) {
  MakeFolder(dir);
  // From here a second signal waits for this code to tidy up (the third does not).
  const ChildWatch watch;
  const StagingDir staging(dir);
  const std::vector<std::string> figures = WriteScript(record, staging.Path());
  if (tell) {
    std::fprintf(stderr, "touchdown-sim: drawing %zu figures with gnuplot into %s...\n",
                 figures.size() * 2, Printable(dir).c_str());
  }
  if (watch.GiveUp()) throw PlotsGivenUp(LastSignal());
  Draw(staging.Path(), dir, figures, watch);
  PutInPlace(staging.Path(), dir);
  std::vector<std::string> images;
  for (const std::string &figure : figures) {
    for (const char *extension : {".png", ".svg"}) {
      images.push_back((fs::path(dir) / (figure + extension)).string());
    }
  }
  return images;
}

}  // namespace app
