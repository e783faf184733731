// Storage of the terrain function slot.
#include "host/terrain.h"

namespace td {

TerrainRadiusFn g_terrainRadius = nullptr;

}  // namespace td
