// What the world knows of the terrain on every platform: where the executable claims to be,
// which terrain library the scenario wants, and the relief the library was given.
#include "sim/world_impl.h"
#include "terrain/query_memo.h"
#include "terrain/terrain_radius.h"

namespace sim {

void World::SetExecutablePath(const std::string &path) { impl_->executable_path = path; }
const std::string &World::ExecutablePath() const { return impl_->executable_path; }
void World::SetTerrainMode(TerrainMode mode) { impl_->terrain_mode = mode; }

const DorvakConfig &World::TerrainConfig() const { return impl_->terrain_config; }

double World::TerrainRadius(const VECTOR3 &offset) const {
  // The relief is fixed to its body: asked in the body's frame as it has turned by now.
  const BodySpec *body = impl_->Body(impl_->terrain_body);
  const VECTOR3 pos_rel_body =
      body != nullptr && body->turn_rad != 0.0 ? BodyRotation(*body).MulTransposed(offset) : offset;
  if (impl_->terrain_function != nullptr && g_terrain_library_owner == impl_.get()) {
    return impl_->terrain_function(pos_rel_body);
  }
  const DorvakConfig &config = impl_->terrain_config;
  return terrain::RememberedRadius(
      impl_->terrain_memo, pos_rel_body,
      [&config](const VECTOR3 &pos) { return terrain::TerrainRadius(config, pos); });
}

void World::SetTerrainBody(OBJHANDLE body) { impl_->terrain_body = body; }
OBJHANDLE World::TerrainBody() const { return impl_->terrain_body; }

}  // namespace sim
