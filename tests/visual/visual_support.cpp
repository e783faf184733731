#include "visual/visual_support.h"

#include <sys/wait.h>

#include <cstdlib>

namespace visual {

bool HaveGnuplot() { return e2e::Installed("gnuplot --version"); }

bool HaveReplayScript() {
  return std::filesystem::exists(std::filesystem::path(TD_SIM_PROGRAM).parent_path() / "replay" /
                                 "replay.js");
}

void RunBrowserScript(const std::string &name, const std::string &args,
                      const std::filesystem::path &report) {
  if (!e2e::Installed("node --version")) GTEST_SKIP() << "node is not installed";
  const std::string command = "node '" + std::string(TD_SOURCE_DIR) + "/tests/visual/" + name +
                              ".mjs' '" + TD_SOURCE_DIR + "/web' '" + TD_VISUAL_OUT_DIR + "' " +
                              args + " >'" + report.string() + "' 2>&1";
  const int raw = std::system(command.c_str());
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  const std::string text = Slurp(report);
  if (status == 77) GTEST_SKIP() << text;
  EXPECT_EQ(status, 0) << text;
  std::printf("%s", text.c_str());
}

e2e::Json PageData(const std::string &page) {
  const std::string open = "<script type=\"application/json\" id=\"replay-data\">";
  const size_t from = page.find(open);
  if (from == std::string::npos) return e2e::Json();
  const size_t start = from + open.size();
  return e2e::Json::parse(page.substr(start, page.find("</script>", start) - start));
}

}  // namespace visual
