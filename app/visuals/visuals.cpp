#include "app/visuals/visuals.h"

#include "app/base/output_file.h"
#include "app/base/program_files.h"
#include "app/base/run_stop.h"
#include "app/base/terminal.h"
#include "app/base/text_format.h"
#include "app/visuals/plots.h"
#include "app/visuals/replay_page.h"

namespace app {

Visuals::Visuals(const VisualsOptions &options, const Scenario &scenario,
                 const std::string &executable_path)
    : plot_dir_(options.plot_dir),
      replay_path_(options.replay_path),
      tell_(!options.quiet && StderrIsTerminal()) {
  // Read before the run, so that a build without the page's script costs no simulation.
  if (!replay_path_.empty())
    replay_script_ = ReadPageScript(executable_path, "replay.js", "--replay");
  if (!plot_dir_.empty() || !replay_path_.empty()) {
    recorder_ = std::make_unique<RunRecorder>(scenario);
  }
}

void Visuals::Write(std::FILE *out) const {
  std::unique_ptr<PlotsGivenUp> given_up;
  if (!plot_dir_.empty()) {
    try {
      const std::vector<std::string> images = WritePlots(recorder_->Record(), plot_dir_, tell_);
      std::fprintf(out, "plots: %zu figures (PNG and SVG) in %s\n", images.size() / 2,
                   Printable(plot_dir_).c_str());
    } catch (const PlotsGivenUp &e) {
      // After one signal the page is still written, being quick; a second one ends it all.
      if (SignalCount() >= 2) throw;
      given_up = std::make_unique<PlotsGivenUp>(e);
    }
  }
  if (!replay_path_.empty()) {
    OutputFile page(replay_path_);
    page.Buffer() = ReplayPage(recorder_->Record(), replay_script_);
    const size_t bytes = page.Buffer().size();
    page.Close();
    const std::string told = "replay page: " + Printable(replay_path_) + " (" +
                             FormatFixed(static_cast<double>(bytes) / 1e6, 1) +
                             " MB), open it in a browser\n";
    std::fputs(told.c_str(), out);
  }
  if (given_up) throw PlotsGivenUp(*given_up);
}

}  // namespace app
