// libFuzzer target: arbitrary bytes as a scenario file, TOML (fuzz_scenario) or the
// simulator's own format (fuzz_scn, built with TD_FUZZ_SCN). touchdown-sim must either run it or
// refuse it with one error that names the file, on one line; anything else escaping the
// reader or the world builder (another exception, a crash, a sanitizer report, a hang, an
// allocation past libFuzzer's limit) is a finding. The run itself is touchdown-sim's: the
// runner steps the world with the module linked in, the account watches every step and is
// printed at the end. Runs are cut to a few steps so that an input stays quick; the
// scenario's own limits on steps, vessels, bodies and events are what is being tried.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/account/account.h"
#include "app/run/runner.h"
#include "app/scenario/scenario_error.h"
#include "app/scenario/scenario_parse.h"
#include "app/scenario/scn_parse.h"
#include "app/world/scenario_world.h"
#include "fuzz/terrain_hold.h"
#include "module/entry_points.h"

namespace {

#ifdef TD_FUZZ_SCN
constexpr char kFileName[] = "fuzz.scn";
app::Scenario Parse(const std::string &text) { return app::ParseScnText(text, kFileName, ""); }
#else
constexpr char kFileName[] = "fuzz.toml";
app::Scenario Parse(const std::string &text) { return app::ParseScenarioText(text, kFileName); }
#endif
constexpr long long kStepsPerInput = 60;
const HINSTANCE kInstance = reinterpret_cast<HINSTANCE>(0x7d00);
std::FILE *g_nowhere = nullptr;

// One line, naming the file first: what touchdown-sim prints after "error: ".
void CheckRefusal(const app::ScenarioError &e) {
  const char *text = e.what();
  const size_t length = std::strlen(text);
  const bool names_file = std::strncmp(text, kFileName, sizeof kFileName - 1) == 0;
  bool one_line = true;
  for (size_t i = 0; i < length; ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7f) one_line = false;
  }
  if (!names_file || !one_line || length > 4096) {
    std::fprintf(stderr, "unclear refusal (%zu bytes): %s\n", length, text);
    std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
  tdfuzz::HoldTerrainLibraries();
  g_nowhere = std::fopen("/dev/null", "w");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string text(reinterpret_cast<const char *>(data), size);
  app::Scenario scenario;
  sim::World world;
  try {
    scenario = Parse(text);
    app::BuildWorld(scenario, world);
  } catch (const app::ScenarioError &e) {
    CheckRefusal(e);
    return 0;
  }
  if (scenario.steps > kStepsPerInput) scenario.steps = kStepsPerInput;

  app::Roster roster;
  for (const OBJHANDLE handle : world.LiveVessels()) {
    const sim::VesselRecord *v = world.Vessel(handle);
    roster.Add(handle, v->name, v->class_name, v->fixed_to_body);
  }
  app::Account account(scenario);
  world.SetRecording(false);
  app::Runner runner(scenario, world, roster,
                     {&InitModule, &ExitModule, &GetModuleVersion, nullptr, &opcPreStep, nullptr,
                      &opcCloseRenderViewport},
                     kInstance, {&account});
  const app::RunTotals totals = runner.Run();
  ExitModule(kInstance);
  account.Print(g_nowhere, totals, GetModuleVersion());
  return 0;
}
