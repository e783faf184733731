// The terrain library's one function, as the module binds it: given a position relative to
// a body's centre (global frame, m), the distance from that centre to the terrain surface in
// that direction (m). A plain C function; the caller removes the arguments.
#pragma once

#include "host/orbiter_api.h"

extern "C" {
typedef double (*TerrainRadiusFn)(VECTOR3 pos_rel_body);
}

// File and symbol names, in the host's own spelling; the platform layer resolves the path.
inline constexpr const char kTerrainLibraryName[] = "modules\\dorvak.dll";
inline constexpr const char kTerrainFunctionName[] = "dorgetaltbyvec";
