#include "visual/visual_support.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace visual {

std::string Slurp(const std::filesystem::path &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Succeeds(const std::string &command) {
  return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

bool HaveGnuplot() { return Succeeds("gnuplot --version"); }

bool HaveReplayScript() {
  return std::filesystem::exists(std::filesystem::path(TD_SIM_PROGRAM).parent_path() / "replay" /
                                 "replay.js");
}

e2e::Json PageData(const std::string &page) {
  const std::string open = "<script type=\"application/json\" id=\"replay-data\">";
  const size_t from = page.find(open);
  if (from == std::string::npos) return e2e::Json();
  const size_t start = from + open.size();
  return e2e::Json::parse(page.substr(start, page.find("</script>", start) - start));
}

}  // namespace visual
