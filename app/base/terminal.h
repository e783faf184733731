// What the program's standard streams are connected to.
#pragma once

namespace app {

// Whether stderr is a terminal, where a line redrawn in place makes sense.
bool StderrIsTerminal();

}  // namespace app
