// The library entry stub on Windows: the platform hands DllMain the module's own instance,
// which the host library and ExitModule's look-up need.
#include "module/entry_stub.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hinstDLL, DWORD fdwReason, LPVOID) {
  switch (fdwReason) {
    case DLL_PROCESS_ATTACH:
      td::EntryStubAttach(hinstDLL);
      break;
    case DLL_PROCESS_DETACH:
      td::EntryStubDetach(hinstDLL);
      break;
    default:  // thread attach and detach: the module keeps nothing per thread
      break;
  }
  return TRUE;
}
