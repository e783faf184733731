#include "module/key_table.h"

namespace td {

int32_t g_keyTable[kKeyCount];

namespace {
HHOOK g_hook = nullptr;
}

void InstallKeyboardHook(HINSTANCE instance) {
  for (int32_t &entry : g_keyTable) entry = 0;
  g_hook = SetWindowsHookExA(WH_KEYBOARD, KeyboardHookProc, instance, GetCurrentThreadId());
}

void RemoveKeyboardHook() {
  if (g_hook == nullptr) return;
  UnhookWindowsHookEx(g_hook);
  g_hook = nullptr;
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM vk, LPARAM flags) {
  // Codes 255 and up have no entry; nothing reads them, so they are passed on untouched.
  if (code >= 0 && vk < static_cast<WPARAM>(kKeyCount)) {
    // Only a key that was up before this message sets its entry: auto-repeat leaves an entry
    // that the step driver cleared at 0 until the key is released and pressed again.
    if ((flags & kKeyWasDownBit) == 0) g_keyTable[vk] = 1;
    if ((flags & kKeyReleasingBit) != 0) g_keyTable[vk] = 0;
  }
  return CallNextHookEx(g_hook, code, vk, flags);
}

}  // namespace td
