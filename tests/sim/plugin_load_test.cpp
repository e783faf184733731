// The plug-in as a host meets it: a shared object loaded by file name, found through its
// five exported entry points, calling back into the host functions this program exports.
// Nothing of the module is linked in here.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "sim/world.h"

namespace {

std::string PluginPath(const sim::World &world) {
  const std::string &exe = world.ExecutablePath();
  return exe.substr(0, exe.rfind('/')) + "/modules/plugin/touchdown.so";
}

template <typename Fn>
Fn Entry(void *library, const char *name) {
  return reinterpret_cast<Fn>(dlsym(library, name));
}

struct Mode {
  sim::TerrainMode terrain;
  const char *message;  // the one message box InitModule shows, or none
};

void PrintTo(const Mode &mode, std::ostream *os) {
  *os << (mode.message != nullptr ? mode.message : "no message");
}

class PluginLoad : public ::testing::TestWithParam<Mode> {
 protected:
  sim::World world;
  void *plugin = nullptr;

  void TearDown() override {
    if (plugin != nullptr) dlclose(plugin);
  }
};

TEST_P(PluginLoad, StartsReportsAndStopsLikeAHostedModule) {
  world.SetTerrainMode(GetParam().terrain);
  DorvakConfig flat{};
  flat.body_radius_m = 1000.0;
  world.ConfigureTerrain(flat);

  plugin = dlopen(PluginPath(world).c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(plugin, nullptr) << dlerror();
  // The entry stub ran on load and handed the host an instance it can look exports up in;
  // InitLib found InitModule through it and started the module before dlopen returned.
  ASSERT_EQ(world.InitLibInstances().size(), 1u);
  const HINSTANCE instance = world.InitLibInstances()[0];
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(GetProcAddress(instance, "ExitModule"),
            reinterpret_cast<FARPROC>(dlsym(plugin, "ExitModule")));
  EXPECT_TRUE(world.HookInstalled());
  if (GetParam().message == nullptr) {
    EXPECT_TRUE(world.MessageBoxes().empty());
  } else {
    ASSERT_EQ(world.MessageBoxes().size(), 1u);
    const sim::MessageBoxRecord &box = world.MessageBoxes()[0];
    EXPECT_EQ(box.text, GetParam().message);
    EXPECT_EQ(box.caption, "Error!");
    EXPECT_EQ(box.owner, nullptr);
    EXPECT_EQ(box.type, 0u);
  }

  sim::ModuleEntryPoints entry;
  entry.exit_module = Entry<void (*)(HINSTANCE)>(plugin, "ExitModule");
  entry.get_module_version = Entry<int (*)()>(plugin, "GetModuleVersion");
  entry.pre_step = Entry<void (*)(double, double, double)>(plugin, "opcPreStep");
  entry.close_render_viewport = Entry<void (*)()>(plugin, "opcCloseRenderViewport");
  ASSERT_TRUE(entry.exit_module && entry.get_module_version && entry.pre_step &&
              entry.close_render_viewport);
  world.SetModule(entry, instance);
  world.Step(0.02);
  EXPECT_EQ(world.MessageBoxes().size(), GetParam().message == nullptr ? 0u : 1u);
  EXPECT_EQ(entry.get_module_version(), 60425);

  // Unloading calls ExitModule, which takes the keyboard hook away with the library.
  ASSERT_EQ(dlclose(plugin), 0);
  plugin = nullptr;
  EXPECT_FALSE(world.HookInstalled());
}

std::string ModeName(const ::testing::TestParamInfo<Mode> &info) {
  static const char *const kNames[] = {"Present", "Missing", "NoFunction"};
  return kNames[static_cast<int>(info.param.terrain)];
}

INSTANTIATE_TEST_SUITE_P(
    TerrainModes, PluginLoad,
    ::testing::Values(Mode{sim::TerrainMode::kPresent, nullptr},
                      Mode{sim::TerrainMode::kMissing, "Dorvak module Not Found!"},
                      Mode{sim::TerrainMode::kNoFunction, "Dorvak module error"}),
    ModeName);

// The dynamic symbols of the plug-in, as `nm -D` lists them: "type name" per symbol.
std::vector<std::pair<char, std::string>> DynamicSymbols(const std::string &options) {
  std::vector<std::pair<char, std::string>> symbols;
  const std::string command = "nm -D " + options + " " + PluginPath(sim::World());
  FILE *pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return symbols;
  char line[512];
  while (std::fgets(line, sizeof line, pipe) != nullptr) {
    std::istringstream fields(line);
    std::vector<std::string> words;
    for (std::string w; fields >> w;) words.push_back(w);
    // Defined symbols have an address in front of the type; undefined ones do not.
    if (words.size() >= 2) symbols.emplace_back(words[words.size() - 2][0], words.back());
  }
  pclose(pipe);
  return symbols;
}

TEST(PluginSymbols, ExportsExactlyTheEntryPointsAndTakesTheHostsFunctionsFromTheHost) {
  std::set<std::string> functions;
  for (const auto &[type, name] : DynamicSymbols("--defined-only")) {
    if (type == 'T' || type == 'W' || type == 'i') functions.insert(name);
  }
  EXPECT_EQ(functions, (std::set<std::string>{"ExitModule", "GetModuleVersion", "InitModule",
                                              "opcCloseRenderViewport", "opcPreStep"}));

  std::set<std::string> undefined;
  for (const auto &[type, name] : DynamicSymbols("--undefined-only")) undefined.insert(name);
  for (const char *name : {"_Z18oapiGetVesselCountv", "_ZNK6VESSEL8AddForceERK7VECTOR3S2_",
                           "LoadLibraryA", "GetProcAddress", "MessageBoxA", "SetWindowsHookExA",
                           "_Z7InitLibP11HINSTANCE__", "_Z8Date2IntPc"}) {
    EXPECT_EQ(undefined.count(name), 1u) << name;
  }
}

}  // namespace
