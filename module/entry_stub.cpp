#include "module/entry_stub.h"

#include "platform/desktop.h"

namespace td {

namespace {
typedef void (*ExitModuleFn)(HINSTANCE);
ExitModuleFn g_exitFunction = nullptr;
}  // namespace

void EntryStubAttach(HINSTANCE instance) {
  InitLib(instance);
  g_exitFunction = ProcAs<ExitModuleFn>(GetProcAddress(instance, "ExitModule"));
}

void EntryStubDetach(HINSTANCE instance) {
  if (g_exitFunction != nullptr) g_exitFunction(instance);
}

}  // namespace td
