// The module's own instance handle, where the platform does not hand it to the entry stub.
#pragma once

#include "host/orbiter_api.h"

namespace td {

// On ELF: the handle by which the platform's dynamic loader knows this library, so that
// the desktop's GetProcAddress finds the library's own exports through it.
HINSTANCE PlatformSelfInstance();

}  // namespace td
