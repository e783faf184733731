// How the module's entry points are exported: undecorated C names, and the only symbols
// the module makes visible (everything else is built with hidden visibility).
#pragma once

#ifdef _WIN32
#define TD_MODULE_EXPORT extern "C" __declspec(dllexport)
#else
#define TD_MODULE_EXPORT extern "C" __attribute__((visibility("default")))
#endif
