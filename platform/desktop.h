// The desktop calls the module makes, under their Win32 names. On Windows they are the
// system's own; on other platforms the program that hosts the module defines them (the
// stand-in host does), with the same meaning and flag words.
#pragma once

#include <cstdint>

#include "host/orbiter_api.h"

#ifndef _WIN32

typedef HINSTANCE HMODULE;
struct HWND__;
typedef HWND__ *HWND;
struct HHOOK__;
typedef HHOOK__ *HHOOK;
typedef intptr_t LRESULT;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t (*FARPROC)();
#define CALLBACK
typedef LRESULT(CALLBACK *HOOKPROC)(int code, WPARAM wParam, LPARAM lParam);

inline constexpr int WH_KEYBOARD = 2;
inline constexpr unsigned MB_OK = 0;

#define TD_DESKTOP_FUNC extern "C" __attribute__((visibility("default")))
TD_DESKTOP_FUNC HMODULE LoadLibraryA(const char *name);
TD_DESKTOP_FUNC FARPROC GetProcAddress(HMODULE module, const char *name);
TD_DESKTOP_FUNC BOOL FreeLibrary(HMODULE module);
TD_DESKTOP_FUNC int MessageBoxA(HWND owner, const char *text, const char *caption, unsigned type);
TD_DESKTOP_FUNC HHOOK SetWindowsHookExA(int idHook, HOOKPROC proc, HINSTANCE hmod, DWORD threadId);
TD_DESKTOP_FUNC LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam);
TD_DESKTOP_FUNC DWORD GetCurrentThreadId();
TD_DESKTOP_FUNC DWORD GetModuleFileNameA(HMODULE module, char *path, DWORD size);
TD_DESKTOP_FUNC BOOL UnhookWindowsHookEx(HHOOK hook);
#undef TD_DESKTOP_FUNC
#endif

// Keystroke flag word bits (lParam of a keyboard hook call).
inline constexpr LPARAM kKeyWasDownBit = LPARAM{1} << 30;
// Bit 31 of the 32-bit flag word: zero-extended where LPARAM is 64 bits wide, the sign bit
// where it is 32, as Windows delivers it either way.
// NOLINTNEXTLINE(bugprone-misplaced-widening-cast)
inline constexpr LPARAM kKeyReleasingBit = static_cast<LPARAM>(uint32_t{1} << 31);

// A looked-up procedure as the function type it really has. Going through void(*)() is the
// one cast between function types that compilers accept without a warning.
template <typename Fn>
inline Fn ProcAs(FARPROC proc) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(proc));
}
