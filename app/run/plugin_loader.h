// The platform's library loader, as the plug-in uses it: dlopen on ELF platforms
// (plugin_elf.cpp), LoadLibraryA on Windows (plugin_win.cpp).
#pragma once

#include <string>

namespace app {

// Throws std::runtime_error with the loader's reason when the file cannot be loaded.
void *OpenLibrary(const std::string &path);
// The address of an exported function, or null.
void *FindExport(void *library, const char *name);
void CloseLibrary(void *library);

}  // namespace app
