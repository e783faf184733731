// The function the module binds: the terrain radius under a position relative to a body.
#include "terrain/dorvak_state.h"
#include "terrain/terrain_radius.h"

extern "C" __attribute__((visibility("default"))) double dorgetaltbyvec(VECTOR3 pos_rel_body) {
  return terrain::RememberedRadius(terrain::ActiveMemo(), pos_rel_body, [](const VECTOR3 &pos) {
    return terrain::TerrainRadius(terrain::ActiveConfig(), pos);
  });
}
