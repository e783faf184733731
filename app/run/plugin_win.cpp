// The plug-in on Windows: a DLL loaded with the system's loader, which runs its DllMain and
// binds its imports to this program's exported host interface.
#include <stdexcept>

#include "app/run/plugin.h"
#include "app/run/plugin_loader.h"
#include "platform/desktop.h"

namespace app {

namespace {

std::string LastError() {
  char text[512];
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, GetLastError(), 0, text, sizeof text, nullptr);
  std::string message(text, n);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
  return message;
}

}  // namespace

void *OpenLibrary(const std::string &path) {
  const HMODULE library = LoadLibraryA(path.c_str());
  if (library == nullptr) {
    throw std::runtime_error("cannot load the plug-in " + path + ": " + LastError());
  }
  return library;
}

void *FindExport(void *library, const char *name) {
  return ProcAs<void *>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void *library) { FreeLibrary(static_cast<HMODULE>(library)); }

std::string DefaultPluginPath(const std::string &executable_path) {
  const size_t separator = executable_path.find_last_of("\\/");
  const std::string dir =
      separator == std::string::npos ? std::string() : executable_path.substr(0, separator + 1);
  return dir + "modules\\plugin\\touchdown.dll";
}

}  // namespace app
