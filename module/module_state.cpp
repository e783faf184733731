#include "module/module_state.h"

namespace td {

// Zero-initialised before any code of the library runs, the entry stub's included.
ModuleState g_module_state;

}  // namespace td
