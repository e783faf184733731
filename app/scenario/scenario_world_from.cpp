// `world_from`: a TOML scenario whose bodies, vessels, focus and date are those of one of the
// simulator's scenario files, to which it adds its own run settings, terrain, keys, events and
// vessels.
#include <filesystem>

#include "app/scenario/scenario_parse.h"
#include "app/scenario/scn_parse.h"
#include "app/scenario/scn_text.h"

namespace app {

void TakeWorldFrom(const Fields &top, const std::string &orbiter_root, Scenario &s) {
  const std::optional<std::string> from = top.String("world_from");
  if (!from) return;
  if (top.Has("body")) {
    top.Fail("body",
             "the bodies come from world_from's file, which names them; a [[body]] "
             "beside it could only clash with them");
  }
  namespace fs = std::filesystem;
  const fs::path path = fs::path(s.file).parent_path() / *from;
  std::error_code error;
  // Not a device or a pipe, which could keep the reader waiting.
  if (from->empty() || !fs::is_regular_file(path, error)) {
    top.Fail("world_from", "no file \"" + path.string() + "\"");
  }
  ScnWorld world = ReadScnWorld(ReadTextFile(path.string()), path.string(), orbiter_root);
  s.world_from = path.string();
  s.bodies = std::move(world.bodies);
  s.vessels = std::move(world.vessels);
  // What the TOML's own [simulation] gives is its own choice over the file's.
  const toml::table *simulation = top.Table("simulation");
  if (simulation == nullptr || !simulation->contains("focus")) s.focus = world.focus;
  if (simulation == nullptr || !simulation->contains("mjd")) s.mjd = world.mjd;
  if (!top.Has("terrain")) s.terrain.relief = Relief::kInstalled;
}

}  // namespace app
