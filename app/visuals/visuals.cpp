#include "app/visuals/visuals.h"

#include "app/base/output_file.h"
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
  if (!replay_path_.empty()) replay_script_ = LoadReplayScript(executable_path);
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
    std::fprintf(out, "replay page: %s (%.1f MB), open it in a browser\n",
                 Printable(replay_path_).c_str(), static_cast<double>(bytes) / 1e6);
  }
  if (given_up) throw PlotsGivenUp(*given_up);
}

}  // namespace app
