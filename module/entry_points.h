// The five functions the host finds in the module by name.
#pragma once

#include "host/module_export.h"
#include "host/orbiter_api.h"

TD_MODULE_EXPORT void InitModule(HINSTANCE hModule);
TD_MODULE_EXPORT void ExitModule(HINSTANCE hModule);
TD_MODULE_EXPORT int GetModuleVersion();
// Before the host's update, on the committed state: what the module adds acts over the step
// of length simdt that follows, whichever state the host's post-step would answer.
TD_MODULE_EXPORT void opcPreStep(double simt, double simdt, double mjd);
// The end of a session: every vessel and attachment point the module knew is gone.
TD_MODULE_EXPORT void opcCloseRenderViewport();
