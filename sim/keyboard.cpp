// The thread keyboard hook: installed and removed by the module, fed by the world with the
// Win32 flag words of first key-down, auto-repeat and key-up.
#include <algorithm>

#include "sim/world_impl.h"

namespace {

constexpr LPARAM kRepeatCountOne = 1;

}  // namespace

HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE hmod, DWORD threadId) {
  sim::World::Impl *w = sim::HostQuery();
  if (w == nullptr || idHook != WH_KEYBOARD || proc == nullptr) return nullptr;
  HHOOK handle = static_cast<HHOOK>(sim::MakeHandle(sim::HandleKind::kHook, ++w->hook_serial));
  w->hooks.push_back({handle, proc, hmod, threadId});
  return handle;
}

LRESULT CallNextHookEx(HHOOK, int, WPARAM, LPARAM) {
  sim::HostQuery();
  return 0;  // nothing further down the chain wants the keystroke
}

BOOL UnhookWindowsHookEx(HHOOK hook) {
  sim::World::Impl *w = sim::HostQuery();
  if (w == nullptr) return 0;
  auto it = std::find_if(w->hooks.begin(), w->hooks.end(),
                         [hook](const sim::KeyboardHook &h) { return h.handle == hook; });
  if (it == w->hooks.end()) return 0;
  w->hooks.erase(it);
  return 1;
}

namespace sim {

void World::KeyDown(int vk) { SendKeystroke(static_cast<WPARAM>(vk), kRepeatCountOne); }

void World::KeyRepeat(int vk) {
  SendKeystroke(static_cast<WPARAM>(vk), kRepeatCountOne | kKeyWasDownBit);
}

void World::KeyUp(int vk) {
  SendKeystroke(static_cast<WPARAM>(vk), kRepeatCountOne | kKeyWasDownBit | kKeyReleasingBit);
}

void World::SendKeystroke(WPARAM vk, LPARAM flags) {
  if (impl_->hooks.empty()) return;
  impl_->Record(KeystrokeEvent{static_cast<int>(vk), flags});
  // The newest hook is first in the chain.
  impl_->hooks.back().proc(0, vk, flags);
}

bool World::HookInstalled() const { return !impl_->hooks.empty(); }

}  // namespace sim
