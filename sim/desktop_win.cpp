// The stand-in host on Windows, where the desktop is real: the module's LoadLibraryA,
// MessageBoxA and keyboard hook are the system's, and the world only watches. A modal message
// box blocks the simulation thread until someone dismisses it; a watchdog thread plays that
// someone, reads each box's caption and text first, and the world records them once the
// module's call has returned.
#include "sim/desktop_win.h"

#include <algorithm>
#include <string>

namespace sim {

namespace {

constexpr DWORD kPollMs = 2;
constexpr DWORD kCloseTimeoutMs = 5000;
constexpr int kTextControl = 0xFFFF;  // the static control that holds a message box's text
constexpr unsigned kUnknownType = 0xFFFFFFFFu;

std::string WindowText(HWND window) {
  char text[1024];
  const int n = GetWindowTextA(window, text, static_cast<int>(sizeof text));
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

bool Shows(HWND box, int control) {
  const HWND item = GetDlgItem(box, control);
  return item != nullptr && IsWindowVisible(item);
}

// Message box icons are the shared system icons; the one a box shows names its MB_ICON type.
BOOL CALLBACK FindIcon(HWND child, LPARAM found) {
  if (!IsWindowVisible(child) || (GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON) {
    return TRUE;
  }
  *reinterpret_cast<HICON *>(found) =
      reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
  return FALSE;
}

unsigned IconType(HWND box) {
  HICON icon = nullptr;
  EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
  if (icon == nullptr) return 0;
  if (icon == LoadIconA(nullptr, IDI_HAND)) return MB_ICONHAND;
  if (icon == LoadIconA(nullptr, IDI_QUESTION)) return MB_ICONQUESTION;
  if (icon == LoadIconA(nullptr, IDI_EXCLAMATION)) return MB_ICONEXCLAMATION;
  if (icon == LoadIconA(nullptr, IDI_ASTERISK)) return MB_ICONASTERISK;
  return kUnknownType;
}

// The type a box was given, read back from the buttons and the icon it shows.
unsigned ShownType(HWND box) {
  struct ButtonSet {
    unsigned type;
    int buttons[3];
  };
  static constexpr ButtonSet kSets[] = {
      {MB_OK, {IDOK}},
      {MB_OKCANCEL, {IDOK, IDCANCEL}},
      {MB_ABORTRETRYIGNORE, {IDABORT, IDRETRY, IDIGNORE}},
      {MB_YESNOCANCEL, {IDYES, IDNO, IDCANCEL}},
      {MB_YESNO, {IDYES, IDNO}},
      {MB_RETRYCANCEL, {IDRETRY, IDCANCEL}},
      {MB_CANCELTRYCONTINUE, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}},
  };
  unsigned shown = 0;
  for (int id = IDOK; id <= IDCONTINUE; ++id) {
    if (id != IDHELP && Shows(box, id)) shown |= 1u << id;
  }
  unsigned type = kUnknownType;
  for (const ButtonSet &set : kSets) {
    unsigned wanted = 0;
    for (const int id : set.buttons) {
      if (id != 0) wanted |= 1u << id;
    }
    if (wanted == shown) type = set.type;
  }
  const unsigned icon = IconType(box);
  if (type == kUnknownType || icon == kUnknownType) return kUnknownType;
  return type | icon | (Shows(box, IDHELP) ? MB_HELP : 0);
}

bool OwnedByThisProcess(HWND window) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  return process == GetCurrentProcessId();
}

void WaitUntilGone(const Desktop &d, HWND box) {
  const DWORD start = GetTickCount();
  while (IsWindow(box) && !d.stopping && GetTickCount() - start < kCloseTimeoutMs) Sleep(kPollMs);
}

void Watch(Desktop *d) {
  d->watching = true;
  std::vector<HWND> stuck;  // dismissed but never closed: not recorded a second time
  while (!d->stopping) {
    HWND box = nullptr;
    while ((box = FindWindowExA(nullptr, box, "#32770", nullptr)) != nullptr) {
      if (!OwnedByThisProcess(box) || !IsWindowVisible(box)) continue;
      if (std::find(stuck.begin(), stuck.end(), box) != stuck.end()) continue;
      MessageBoxRecord seen{GetWindow(box, GW_OWNER), WindowText(GetDlgItem(box, kTextControl)),
                            WindowText(box), ShownType(box)};
      {
        const std::lock_guard<std::mutex> lock(d->seen_mutex);
        d->seen.push_back(std::move(seen));
      }
      PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
      WaitUntilGone(*d, box);
      if (IsWindow(box)) stuck.push_back(box);
      box = nullptr;  // the list of windows has changed: from the start again
    }
    Sleep(kPollMs);
  }
}

}  // namespace

void OpenDesktop(World::Impl &w) {
  char path[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  w.executable_path = n > 0 && n < sizeof path ? std::string(path, n) : std::string();
  w.desktop = new Desktop;
  OpenKeyboard(*w.desktop);
  w.desktop->watchdog = std::thread(Watch, w.desktop);
  // The module's boxes come while its library loads, with the loader's lock held; a thread
  // still starting then would wait for that lock, and no one would dismiss them.
  while (!w.desktop->watching) Sleep(kPollMs);
}

void CloseDesktop(World::Impl &w) {
  Desktop *d = w.desktop;
  d->stopping = true;
  d->watchdog.join();
  CloseKeyboard(*d);
  for (void *library : w.terrain_libraries) FreeLibrary(static_cast<HMODULE>(library));
  w.terrain_libraries.clear();
  delete d;
  w.desktop = nullptr;
}

// The module's call has returned, so every box it showed has been dismissed and is in the
// watchdog's list: they belong to that call.
void CollectDesktopRecords(World::Impl &w) {
  std::vector<MessageBoxRecord> seen;
  {
    const std::lock_guard<std::mutex> lock(w.desktop->seen_mutex);
    if (w.desktop->seen.empty()) return;
    seen.swap(w.desktop->seen);
  }
  for (MessageBoxRecord &box : seen) {
    w.Record(MessageBoxEvent{box.text, box.caption, box.owner, box.type});
    w.message_boxes.push_back(std::move(box));
  }
}

const std::vector<MessageBoxRecord> &World::MessageBoxes() const { return impl_->message_boxes; }

}  // namespace sim
