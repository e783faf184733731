// The desktop calls a module makes, stood in for on a platform without one: libraries are
// ELF shared objects opened with the dynamic loader, message boxes are recorded instead of
// shown, and the executable path is the one the world claims.
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>

#include "sim/world_impl.h"

HMODULE LoadLibraryA(const char *name) {
  sim::World::Impl *w = sim::HostQuery();
  if (w == nullptr || name == nullptr) return nullptr;
  const std::string file = sim::TerrainLibraryFile(*w, name);
  if (file.empty()) return nullptr;
  void *library = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library != nullptr) ++w->libraries_held;
  return static_cast<HMODULE>(library);
}

FARPROC GetProcAddress(HMODULE module, const char *name) {
  sim::HostQuery();
  // As on Windows, a null module names no library; dlsym would search them all.
  if (module == nullptr || name == nullptr) return nullptr;
  return reinterpret_cast<FARPROC>(dlsym(module, name));
}

BOOL FreeLibrary(HMODULE module) {
  sim::World::Impl *w = sim::HostQuery();
  if (module == nullptr || dlclose(module) != 0) return 0;
  if (w != nullptr) --w->libraries_held;
  return 1;
}

int MessageBoxA(HWND owner, const char *text, const char *caption, unsigned type) {
  sim::World::Impl *w = sim::HostQuery();
  if (w == nullptr) return 1;
  const std::string text_s = text != nullptr ? text : "";
  const std::string caption_s = caption != nullptr ? caption : "";
  w->message_boxes.push_back({owner, text_s, caption_s, type});
  w->Record(sim::MessageBoxEvent{text_s, caption_s, owner, type});
  return 1;  // IDOK: the user has dismissed it
}

DWORD GetCurrentThreadId() {
  sim::HostQuery();
  return static_cast<DWORD>(gettid());
}

DWORD GetModuleFileNameA(HMODULE module, char *path, DWORD size) {
  sim::World::Impl *w = sim::HostQuery();
  std::string file;
  if (module == nullptr) {
    if (w != nullptr) file = w->executable_path;
  } else {
    link_map *map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map != nullptr && map->l_name != nullptr) {
      file = map->l_name;
    }
  }
  if (file.empty() || path == nullptr || size == 0) return 0;
  // Win32 truncates to size - 1 characters, terminates, and then returns size.
  const DWORD copied = static_cast<DWORD>(std::min<size_t>(file.size(), size - 1));
  std::memcpy(path, file.data(), copied);
  path[copied] = '\0';
  return copied < file.size() ? size : copied;
}

namespace sim {

void OpenDesktop(World::Impl &w) {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof(path) - 1);
  w.executable_path = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

void CloseDesktop(World::Impl &w) {
  for (void *library : w.terrain_libraries) dlclose(library);
  w.terrain_libraries.clear();
}

// Message boxes are recorded as they are shown.
void CollectDesktopRecords(World::Impl &) {}

const std::vector<MessageBoxRecord> &World::MessageBoxes() const { return impl_->message_boxes; }

int World::LibrariesHeld() const { return impl_->libraries_held; }

}  // namespace sim
