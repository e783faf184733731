// The live page: the bundled live player (web/src/live.js with the replay page's scene),
// read from beside the program and served as one HTML page.
#pragma once

#include <string>

namespace app {

// Throws std::runtime_error, saying how to get it, when the bundled player is not there.
std::string LivePage();

}  // namespace app
