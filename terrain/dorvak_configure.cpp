// dorvakConfigure: how the host sets the relief before the module loads the library. The
// settings live as long as the library stays loaded.
#include "terrain/dorvak_state.h"
#include "terrain/terrain_radius.h"

namespace terrain {

namespace {
DorvakConfig g_config = DefaultConfig();
QueryMemo<> g_memo;
AnswersInOrder g_order;
}  // namespace

AnswersInOrder &ActiveOrder() { return g_order; }

double ActiveRadius(const VECTOR3 &pos_rel_body) {
  return RememberedRadius(g_memo, pos_rel_body,
                          [](const VECTOR3 &pos) { return TerrainRadius(g_config, pos); });
}

}  // namespace terrain

extern "C" __attribute__((visibility("default"))) void dorvakConfigure(const DorvakConfig *config) {
  if (config == nullptr) return;
  terrain::g_config = *config;
  terrain::g_memo.Forget();
  terrain::g_order.Forget();
}
