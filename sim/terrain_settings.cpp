// What the world knows of the terrain on every platform: where the executable claims to be,
// which terrain library the scenario wants, and the relief the library was given.
#include "sim/world_impl.h"
#include "terrain/terrain_radius.h"

namespace sim {

void World::SetExecutablePath(const std::string &path) { impl_->executable_path = path; }
const std::string &World::ExecutablePath() const { return impl_->executable_path; }
void World::SetTerrainMode(TerrainMode mode) { impl_->terrain_mode = mode; }

const DorvakConfig &World::TerrainConfig() const { return impl_->terrain_config; }

double World::TerrainRadius(const VECTOR3 &pos_rel_body) const {
  return terrain::TerrainRadius(impl_->terrain_config, pos_rel_body);
}

void World::SetTerrainBody(OBJHANDLE body) { impl_->terrain_body = body; }
OBJHANDLE World::TerrainBody() const { return impl_->terrain_body; }

}  // namespace sim
