#include "module/key_table.h"

#include "module/module_state.h"
#include "module/td_assert.h"

namespace td {

namespace {

KeyTableState &Keys() { return g_module_state.keys; }

bool IsKey(int vk) { return vk >= 0 && vk < kKeyCount; }

}  // namespace

int32_t KeyEntry(int vk) {
  TD_ASSERT(IsKey(vk));
  // The contact pass uses the entry as a number: anything but 0 or 1 would scale a force.
  TD_ASSERT(Keys().entry[vk] == 0 || Keys().entry[vk] == 1);
  return Keys().entry[vk];
}

bool KeyHeld(int vk) { return KeyEntry(vk) != 0; }

void ClearKey(int vk) {
  TD_ASSERT(IsKey(vk));
  Keys().entry[vk] = 0;
}

void ClearKeyTable() {
  for (int32_t &entry : Keys().entry) entry = 0;
}

void InstallKeyboardHook(HINSTANCE instance) {
  ClearKeyTable();
  Keys().hook = SetWindowsHookExA(WH_KEYBOARD, KeyboardHookProc, instance, GetCurrentThreadId());
}

void RemoveKeyboardHook() {
  if (Keys().hook == nullptr) return;
  UnhookWindowsHookEx(Keys().hook);
  Keys().hook = nullptr;
}

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM vk, LPARAM flags) {
  // Codes 255 and up have no entry; nothing reads them, so they are passed on untouched.
  if (code >= 0 && vk < static_cast<WPARAM>(kKeyCount)) {
    // Only a key that was up before this message sets its entry: auto-repeat leaves an entry
    // that the step driver cleared at 0 until the key is released and pressed again.
    if ((flags & kKeyWasDownBit) == 0) Keys().entry[vk] = 1;
    if ((flags & kKeyReleasingBit) != 0) Keys().entry[vk] = 0;
  }
  return CallNextHookEx(Keys().hook, code, vk, flags);
}

}  // namespace td
