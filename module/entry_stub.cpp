#include "module/entry_stub.h"

#include "module/module_state.h"
#include "platform/desktop.h"

namespace td {

void EntryStubAttach(HINSTANCE instance) {
  EntryStubState &entry = g_module_state.entry;
  entry.instance = instance;
  InitLib(instance);
  entry.exit_function = ProcAs<ExitModuleFn>(GetProcAddress(instance, "ExitModule"));
}

void EntryStubDetach(HINSTANCE instance) {
  if (g_module_state.entry.exit_function != nullptr) g_module_state.entry.exit_function(instance);
}

HINSTANCE AttachedInstance() { return g_module_state.entry.instance; }

}  // namespace td
