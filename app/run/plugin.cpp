#include "app/run/plugin.h"

#include <stdexcept>

#include "app/run/plugin_loader.h"

namespace app {

namespace {

template <typename Fn>
Fn Find(void *handle, const char *name, const std::string &path) {
  void *symbol = FindExport(handle, name);
  if (symbol == nullptr) throw std::runtime_error(path + " has no entry point " + name);
  return reinterpret_cast<Fn>(symbol);
}

}  // namespace

Plugin::Plugin(const std::string &path) {
  handle_ = OpenLibrary(path);
  try {
    // Not called from here: the host library's InitLib already called it, by name, while
    // the library loaded. The world's own InitModule call is left with nothing to do.
    Find<void (*)(HINSTANCE)>(handle_, "InitModule", path);
    entry_.exit_module = Find<void (*)(HINSTANCE)>(handle_, "ExitModule", path);
    entry_.get_module_version = Find<int (*)()>(handle_, "GetModuleVersion", path);
    // Optional, as the host looks them up by name and calls them only when found.
    entry_.post_step =
        reinterpret_cast<void (*)(double, double, double)>(FindExport(handle_, "opcPostStep"));
    entry_.pre_step =
        reinterpret_cast<void (*)(double, double, double)>(FindExport(handle_, "opcPreStep"));
    entry_.open_render_viewport = reinterpret_cast<void (*)(HWND, DWORD, DWORD, BOOL)>(
        FindExport(handle_, "opcOpenRenderViewport"));
    entry_.close_render_viewport =
        reinterpret_cast<void (*)()>(FindExport(handle_, "opcCloseRenderViewport"));
  } catch (...) {
    Unload();
    throw;
  }
}

Plugin::~Plugin() { Unload(); }

void Plugin::Unload() {
  if (handle_ == nullptr) return;
  CloseLibrary(handle_);
  handle_ = nullptr;
}

}  // namespace app
