// The scenario's keystrokes as real input: sent with SendInput to the simulation thread's own
// window and retrieved at once, so that the platform calls the thread's keyboard hooks (the
// module's first) with the flag words it makes itself: bit 30 from the key's state as the
// platform keeps it, bit 31 for a release.
#include <cstdio>

#include "sim/desktop_win.h"

namespace sim {

namespace {

constexpr char kWindowClass[] = "touchdown-sim";
constexpr DWORD kGraceMs = 50;
constexpr DWORD kArrivalTimeoutMs = 2000;
constexpr DWORD kWaitSliceMs = 1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
      if (auto *d = reinterpret_cast<Desktop *>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
        ++d->key_messages;
      }
      // Not passed on: Alt and F10 would open the window menu's modal loop.
      return 0;
    case WM_SYSCHAR:
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// Sees a keystroke only when every hook before it, the module's among them, passed it on.
LRESULT CALLBACK RecordKeystroke(int code, WPARAM vk, LPARAM flags) {
  if (code >= 0) {
    if (World::Impl *w = CurrentImpl()) {
      w->Record(KeystrokeEvent{static_cast<int>(vk), flags});
    }
  }
  return CallNextHookEx(nullptr, code, vk, flags);
}

void PumpMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

void TakeFocus(HWND window) {
  // A message box, once dismissed, may leave no window active.
  if (GetForegroundWindow() != window) SetForegroundWindow(window);
  if (GetFocus() != window) SetFocus(window);
}

void Deliver(Desktop &d, WPARAM vk, bool release) {
  if (d.window == nullptr || vk == 0 || vk > 0xFE) return;
  TakeFocus(d.window);
  const unsigned before = d.key_messages;
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = static_cast<WORD>(vk);
  // No scan code and no extended-key flag: the flag word holds the repeat count and the two
  // transition bits only, as where the world stands in for the desktop.
  input.ki.dwFlags = release ? KEYEVENTF_KEYUP : 0;
  if (SendInput(1, &input, sizeof input) != 1) {
    std::fprintf(stderr, "touchdown-sim: SendInput refused key 0x%02x\n",
                 static_cast<unsigned>(vk));
    return;
  }
  // Retrieving the keystroke is what runs the hooks. It reaches the window at once unless a
  // hook takes it out of the chain, which leaves no keyboard input in the queue; a moment's
  // grace allows for input the platform delivers late.
  const DWORD start = GetTickCount();
  for (;;) {
    PumpMessages();
    if (d.key_messages != before) return;
    const DWORD waited_ms = GetTickCount() - start;
    const bool queued = HIWORD(GetQueueStatus(QS_KEY)) != 0;
    if ((!queued && waited_ms >= kGraceMs) || waited_ms >= kArrivalTimeoutMs) break;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, kWaitSliceMs, QS_ALLINPUT);
  }
  static bool reported = false;
  if (!reported) {
    std::fprintf(stderr, "touchdown-sim: key 0x%02x never reached the window (a hook kept it?)\n",
                 static_cast<unsigned>(vk));
    reported = true;
  }
}

}  // namespace

void OpenKeyboard(Desktop &d) {
  const HINSTANCE program = GetModuleHandleA(nullptr);
  static const ATOM window_class = [program] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = program;
    wc.lpszClassName = kWindowClass;
    return RegisterClassA(&wc);
  }();
  if (window_class == 0) return;
  d.window = CreateWindowExA(0, kWindowClass, "touchdown-sim", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 320, 200, nullptr, nullptr, program, nullptr);
  if (d.window == nullptr) {
    std::fprintf(stderr, "touchdown-sim: no window on this desktop; keystrokes will be lost\n");
    return;
  }
  SetWindowLongPtrA(d.window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&d));
  ShowWindow(d.window, SW_SHOW);
  TakeFocus(d.window);
  d.recorder = SetWindowsHookExA(WH_KEYBOARD, RecordKeystroke, nullptr, GetCurrentThreadId());
  PumpMessages();
}

void CloseKeyboard(Desktop &d) {
  if (d.recorder != nullptr) UnhookWindowsHookEx(d.recorder);
  if (d.window != nullptr) DestroyWindow(d.window);
  d.recorder = nullptr;
  d.window = nullptr;
}

void World::KeyDown(int vk) { Deliver(*impl_->desktop, static_cast<WPARAM>(vk), false); }

// The key is down already, so the platform marks the repeat in bit 30 itself.
void World::KeyRepeat(int vk) { Deliver(*impl_->desktop, static_cast<WPARAM>(vk), false); }

void World::KeyUp(int vk) { Deliver(*impl_->desktop, static_cast<WPARAM>(vk), true); }

// Only the release bit can be asked for; the platform sets the rest of the flag word.
void World::SendKeystroke(WPARAM vk, LPARAM flags) {
  Deliver(*impl_->desktop, vk, (flags & kKeyReleasingBit) != 0);
}

}  // namespace sim
