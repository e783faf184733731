// What the world keeps of the Windows desktop: a window on the simulation thread for the
// scenario's keystrokes (keyboard_win.cpp), and a watchdog thread that deals with message
// boxes (desktop_win.cpp).
#pragma once

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "sim/world_impl.h"

namespace sim {

struct Desktop {
  HWND window = nullptr;      // has the keyboard focus while keystrokes are sent
  HHOOK recorder = nullptr;   // installed before the module's hook, so last in the chain
  unsigned key_messages = 0;  // keystroke messages the window has received

  std::thread watchdog;
  std::atomic<bool> watching{false};  // the watchdog runs its own code, past its start-up
  std::atomic<bool> stopping{false};
  std::mutex seen_mutex;
  std::vector<MessageBoxRecord> seen;  // boxes dismissed since the last collection
};

// The window and the recording hook, on the calling thread; and their removal.
void OpenKeyboard(Desktop &d);
void CloseKeyboard(Desktop &d);

}  // namespace sim
