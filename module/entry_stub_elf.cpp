// The library entry stub on ELF platforms: a load-time constructor and an unload-time
// destructor stand where DllMain's process attach and detach are on Windows.
#include "module/entry_stub.h"
#include "platform/self_instance.h"

namespace {

HINSTANCE g_instance = nullptr;

__attribute__((constructor)) void OnLibraryLoad() {
  g_instance = td::PlatformSelfInstance();
  td::EntryStubAttach(g_instance);
}

__attribute__((destructor)) void OnLibraryUnload() { td::EntryStubDetach(g_instance); }

}  // namespace
