// Which keys are held, as the host thread's keyboard hook last saw them. One entry per
// virtual-key code 0..254, each exactly 0 or 1 (the contact pass uses the period key's entry
// as a number). Read and written only on the host's simulation thread.
#pragma once

#include <cstdint>

#include "platform/desktop.h"

namespace td {

inline constexpr int kKeyCount = 255;

// Virtual-key codes the module reads.
inline constexpr int kKeyEnd = 0x23;
inline constexpr int kKeyNext = 0x22;  // Page Down
inline constexpr int kKeyLeft = 0x25;
inline constexpr int kKeyUp = 0x26;
inline constexpr int kKeyRight = 0x27;
inline constexpr int kKeyDown = 0x28;
inline constexpr int kKeyA = 0x41;
inline constexpr int kKeyC = 0x43;
inline constexpr int kKeyD = 0x44;
inline constexpr int kKeyG = 0x47;
inline constexpr int kKeyS = 0x53;
inline constexpr int kKeyU = 0x55;
inline constexpr int kKeyW = 0x57;
inline constexpr int kKeyPeriod = 0xBE;

// The keys that walk, drive and turn an anchored focus vessel.
inline constexpr int kMovementKeys[] = {kKeyUp, kKeyW,     kKeyDown, kKeyS,   kKeyLeft,
                                        kKeyA,  kKeyRight, kKeyD,    kKeyEnd, kKeyNext};
constexpr bool IsMovementKey(int vk) {
  for (int key : kMovementKeys) {
    if (key == vk) return true;
  }
  return false;
}

// The keys that release every anchored vessel.
constexpr bool IsReleaseKey(int vk) { return vk == kKeyG || vk == kKeyU || vk == kKeyC; }

int32_t KeyEntry(int vk);
bool KeyHeld(int vk);
void ClearKey(int vk);
// Forgets every held key: a key still down counts again only when pressed anew.
void ClearKeyTable();

// Clears the table and hooks the calling thread's keyboard.
void InstallKeyboardHook(HINSTANCE instance);
// Takes the hook out again, so the platform never calls into an unloaded library.
void RemoveKeyboardHook();

LRESULT CALLBACK KeyboardHookProc(int code, WPARAM vk, LPARAM flags);

}  // namespace td
