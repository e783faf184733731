#include "module/entry_points.h"

#include "module/lifecycle.h"
#include "module/step_driver.h"

void InitModule(HINSTANCE hModule) { td::StartModule(hModule); }

void ExitModule(HINSTANCE) { td::StopModule(); }

int GetModuleVersion() { return td::ModuleVersion(); }

void opcPreStep(double simt, double simdt, double mjd) { td::RunStep(simt, simdt, mjd); }

void opcCloseRenderViewport() { td::ForgetSession(); }
