// Everything the module keeps from one call of the host to the next, in one object. Each part
// has one owner, and only its owner's source file includes this header: the key table
// (module/key_table.cpp), the anchor table with its carrier (anchor/anchor_table.cpp), the
// ground's frame (anchor/ground_frame.cpp), the terrain slot (host/terrain.cpp, filled by
// module/terrain_library.cpp), the version (module/lifecycle.cpp) and the entry stub's
// look-up (module/entry_stub.cpp). Everyone else, tests included, goes through those owners'
// functions or module/test_access.h.
#pragma once

#include <cstdint>

#include "anchor/anchor_index.h"
#include "anchor/anchor_table.h"
#include "host/terrain_api.h"
#include "module/key_table.h"
#include "platform/desktop.h"

namespace td {

struct KeyTableState {
  int32_t entry[kKeyCount];
  HHOOK hook;
};

// A slot is in use exactly when its vessel handle is not null; the two point columns are
// written together, when the slot is taken, and keep their values when it is freed.
struct AnchorTableState {
  VESSEL *carrier;  // this step's carrier, or null
  // The carrier whose points the slots' vessels hang on; null until one is first seen.
  OBJHANDLE slots_carrier;
  OBJHANDLE vessel[kAnchorSlotCount];
  ATTACHMENTHANDLE child_point[kAnchorSlotCount];
  ATTACHMENTHANDLE carrier_point[kAnchorSlotCount];
  // Every slot below this one is in use. Whatever frees a slot lowers it; the search for a
  // free slot starts here and moves it up, so a step that anchors many vessels does not walk
  // the used slots again for each.
  int used_below;
  // The slot of each vessel in use, by its handle (anchor/anchor_index.h).
  uint8_t index[kAnchorIndexSize];
};

// The carrier whose axes the terrain is asked in, its body, its axes (global frame) when first
// found and in this step, and whether it has turned since (anchor/ground_frame.h).
struct GroundFrameState {
  OBJHANDLE carrier;
  OBJHANDLE body;
  VECTOR3 first_axes_global[3];
  VECTOR3 axes_global[3];
  bool turned;
};

struct TerrainState {
  TerrainRadiusFn radius;  // null while unbound
  HMODULE module;          // the loaded terrain library, null while none
};

typedef void (*ExitModuleFn)(HINSTANCE);

struct EntryStubState {
  HINSTANCE instance;
  ExitModuleFn exit_function;
};

struct ModuleState {
  KeyTableState keys;
  AnchorTableState anchors;
  GroundFrameState ground;
  TerrainState terrain;
  int32_t version_cache;  // 0: not yet computed
  EntryStubState entry;
};

extern ModuleState g_module_state;

}  // namespace td
