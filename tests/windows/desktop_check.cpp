// The stand-in host's Windows desktop without the module, run under Wine by
// scripts/windows.sh: keystrokes reach a thread keyboard hook with the platform's flag words
// and are recorded only when passed on, and each message box is dismissed and recorded once,
// with its text, caption, owner and type.
#include <cstdio>
#include <string>
#include <vector>

#include "sim/world.h"

namespace {

int g_checks = 0;
int g_failed = 0;

void Check(bool ok, const std::string &what) {
  ++g_checks;
  if (ok) return;
  ++g_failed;
  std::printf("FAILED: %s\n", what.c_str());
}

struct Keystroke {
  WPARAM vk;
  uint32_t flags;
  bool operator==(const Keystroke &) const = default;
};

std::vector<Keystroke> g_hooked;
HHOOK g_hook = nullptr;
bool g_keep = false;  // the hook keeps keystrokes from the rest of the chain

LRESULT CALLBACK Hook(int code, WPARAM vk, LPARAM flags) {
  if (code < 0) return CallNextHookEx(g_hook, code, vk, flags);
  g_hooked.push_back({vk, static_cast<uint32_t>(flags)});
  return g_keep ? 1 : CallNextHookEx(g_hook, code, vk, flags);
}

std::vector<Keystroke> Recorded(const sim::World &world) {
  std::vector<Keystroke> keys;
  for (const sim::HostEvent &e : world.Events()) {
    if (const auto *key = e.As<sim::KeystrokeEvent>()) {
      keys.push_back({static_cast<WPARAM>(key->vk), static_cast<uint32_t>(key->flags)});
    }
  }
  return keys;
}

void KeystrokesCarryThePlatformsFlagWords() {
  sim::World world;
  g_hook = SetWindowsHookExA(WH_KEYBOARD, Hook, nullptr, GetCurrentThreadId());
  g_hooked.clear();
  world.KeyDown('W');
  world.KeyRepeat('W');
  world.KeyDown(VK_NEXT);
  world.KeyRepeat('W');
  world.KeyUp('W');
  world.SendKeystroke(VK_NEXT, kKeyWasDownBit | kKeyReleasingBit);
  const std::vector<Keystroke> expected = {{'W', 0x00000001},     {'W', 0x40000001},
                                           {VK_NEXT, 0x00000001}, {'W', 0x40000001},
                                           {'W', 0xC0000001},     {VK_NEXT, 0xC0000001}};
  Check(g_hooked == expected, "the hook sees first key-down, repeats and key-ups in order");
  Check(Recorded(world) == expected, "the world records each keystroke passed on to it");

  g_keep = true;
  const DWORD start = GetTickCount();
  world.ClearEvents();
  world.KeyDown('G');
  Check(GetTickCount() - start < 1000, "a keystroke a hook keeps does not hold up the step");
  Check(Recorded(world).empty(), "a keystroke a hook keeps is not recorded");
  g_keep = false;
  world.KeyUp('G');
  UnhookWindowsHookEx(g_hook);
}

HWND g_owner = nullptr;
std::vector<unsigned> g_types;

void ShowBoxes(HINSTANCE) {
  for (const unsigned type : g_types) MessageBoxA(g_owner, "Dorvak module error", "Error!", type);
}

void MessageBoxesAreDismissedAndRecordedOnce() {
  const unsigned kinds[] = {MB_OK, MB_OKCANCEL | MB_ICONHAND, MB_YESNO | MB_ICONQUESTION,
                            MB_RETRYCANCEL | MB_ICONEXCLAMATION};
  for (const unsigned type : kinds) {
    sim::World world;
    g_types = {type};
    world.SetModule({ShowBoxes, nullptr, nullptr, nullptr}, nullptr);
    world.InitModule();
    const auto &boxes = world.MessageBoxes();
    const std::string name = "type " + std::to_string(type) + ": ";
    Check(boxes.size() == 1, name + "one box recorded");
    if (boxes.size() != 1) continue;
    Check(boxes[0].text == "Dorvak module error" && boxes[0].caption == "Error!",
          name + "text and caption");
    Check(boxes[0].type == type, name + "type read back as " + std::to_string(boxes[0].type));
    Check(boxes[0].owner == nullptr, name + "no owner");
    Check(world.Events().size() == 1 && world.Events()[0].step == 0, name + "recorded in step 0");
  }

  sim::World world;
  g_owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED, 0, 0, 100, 100, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
  g_types = {MB_OK, MB_OK};
  world.SetModule({ShowBoxes, nullptr, nullptr, nullptr}, nullptr);
  world.InitModule();
  Check(world.MessageBoxes().size() == 2, "two boxes in one call: two records");
  for (const sim::MessageBoxRecord &box : world.MessageBoxes()) {
    Check(box.owner == g_owner, "a box's owner is recorded");
  }
  DestroyWindow(g_owner);
}

}  // namespace

int main() {
  KeystrokesCarryThePlatformsFlagWords();
  MessageBoxesAreDismissedAndRecordedOnce();
  std::printf("%d checks, %d failed\n", g_checks, g_failed);
  return g_failed == 0 ? 0 : 1;
}
