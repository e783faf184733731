// The four functions the host finds in the module by name.
#pragma once

#include "host/module_export.h"
#include "host/orbiter_api.h"

TD_MODULE_EXPORT void InitModule(HINSTANCE hModule);
TD_MODULE_EXPORT void ExitModule(HINSTANCE hModule);
TD_MODULE_EXPORT int GetModuleVersion();
TD_MODULE_EXPORT void opcPostStep(double simt, double simdt, double mjd);
