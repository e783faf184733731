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

std::vector<std::string> WritePlots(const RunRecord &record, const std::string &dir) {
  std::error_code error;
  fs::create_directories(dir, error);
  if (!fs::is_directory(dir)) {
    throw std::runtime_error("cannot create the folder " + dir + ": " + error.message());
  }
  const std::vector<PlotVessel> vessels = WritePlotData(record, dir);
  std::vector<std::string> figures;
  {
    OutputFile script((fs::path(dir) / "plots.gp").string());
    script.buffer() = PlotScript(record, vessels, figures);
    script.Close();
  }
  const fs::path log = fs::path(dir) / "gnuplot.log";
  const int status = RunGnuplot(GnuplotProgram(), dir, "plots.gp", "gnuplot.log");
  if (status != 0) {
    throw std::runtime_error("gnuplot failed (exit status " + std::to_string(status) +
                             "); its messages are in " + log.string());
  }
  std::vector<std::string> images;
  for (const std::string &figure : figures) {
    for (const char *extension : {".png", ".svg"}) {
      const fs::path image = fs::path(dir) / (figure + extension);
      if (!fs::exists(image) || fs::file_size(image) == 0) {
        throw std::runtime_error("gnuplot did not draw " + image.string() + "; see " +
                                 log.string());
      }
      images.push_back(image.string());
    }
  }
  // A clean run leaves no log behind; warnings stay for reading.
  if (fs::exists(log) && fs::file_size(log) == 0) fs::remove(log);
  return images;
}

}  // namespace app
