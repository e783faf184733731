// What the library entry stub does when the platform attaches the module to the process and
// detaches it again. The platform-specific stub (DllMain, or an ELF constructor/destructor
// pair) only forwards here.
#pragma once

#include "host/orbiter_api.h"

namespace td {

// Hands the instance to the host library and looks up the module's own ExitModule by name.
void EntryStubAttach(HINSTANCE instance);
// Calls the ExitModule found on attach, if one was.
void EntryStubDetach(HINSTANCE instance);
// The instance the stub was attached with.
HINSTANCE AttachedInstance();

}  // namespace td
