#include "app/live/live_page.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "app/visuals/replay_page.h"

namespace app {

std::string LivePage() {
  const std::filesystem::path script_path =
      std::filesystem::read_symlink("/proc/self/exe").parent_path() / "replay" / "live.js";
  std::ifstream in(script_path, std::ios::binary);
  std::ostringstream script;
  script << in.rdbuf();
  if (!in || script.str().empty()) {
    throw std::runtime_error("--live needs the page's script " + script_path.string() +
                             ", which is built with the program when node and npm are "
                             "installed (scripts/visual.sh installs them)");
  }
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>touchdown-sim live</title>\n</head>\n<body>\n<script>\n" +
         ScriptSafe(script.str()) + "\n</script>\n</body>\n</html>\n";
}

}  // namespace app
