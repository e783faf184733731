#include "app/live/live_page.h"

#include "app/base/program_files.h"
#include "app/visuals/replay_page.h"

namespace app {

std::string LivePage() {
  const std::string script = ReadPageScript(ThisProgram(), "live.js", "--live");
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>touchdown-sim live</title>\n</head>\n<body>\n<script>\n" +
         ScriptSafe(script) + "\n</script>\n</body>\n</html>\n";
}

}  // namespace app
