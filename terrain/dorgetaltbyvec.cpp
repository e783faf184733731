// The function the module binds: the terrain radius under a position relative to a body.
#include "terrain/dorvak_state.h"

extern "C" __attribute__((visibility("default"))) double dorgetaltbyvec(VECTOR3 pos_rel_body) {
  return terrain::ActiveOrder().ModuleRadius(pos_rel_body, terrain::ActiveRadius);
}
