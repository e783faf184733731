// The library entry stub on ELF platforms: a load-time constructor and an unload-time
// destructor stand where DllMain's process attach and detach are on Windows.
#include "module/entry_stub.h"
#include "platform/self_instance.h"

namespace {

__attribute__((constructor)) void OnLibraryLoad() {
  td::EntryStubAttach(td::PlatformSelfInstance());
}

__attribute__((destructor)) void OnLibraryUnload() { td::EntryStubDetach(td::AttachedInstance()); }

}  // namespace
