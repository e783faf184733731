// The program's own file and the page scripts built to lie beside it (web/ bundled into
// replay/), which the replay page and the live page copy in.
#pragma once

#include <string>

namespace app {

// The running program's file as the system names it; empty where it cannot say.
std::string ThisProgram();

// The bundled script replay/<name> beside the program at program_path, read whole. Throws
// std::runtime_error, naming the option that needs it and how to get it, when it is missing
// or empty.
std::string ReadPageScript(const std::string &program_path, const std::string &name,
                           const std::string &option);

}  // namespace app
