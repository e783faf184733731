// Scenario files: TOML in, a checked Scenario out, or a ScenarioError naming file, line and
// field. The file format is described in docs/scenarios.md.
#pragma once

#include <string>

#include "app/scenario/scenario.h"
#include "app/scenario/toml_fields.h"

namespace app {

// The largest scenario file read, and the largest text parsed. The reader holds the whole
// file as a tree of tables some twenty-five times its size, so this bounds what a scenario
// may cost: about 400 MB and a few seconds at the limit. Ten thousand vessels fit in 4 MB,
// the shipped fleet in 21 kB; names are limited by kMaxStringBytes.
inline constexpr size_t kMaxScenarioBytes = size_t{16} << 20;

// display_name is how messages name the text ("scenarios/walker.toml", "<built-in>"); a
// world_from file is found beside it. orbiter_root: the simulator's folder, for the classes
// of a world_from file's ships (scn_parse.h).
Scenario ParseScenarioText(const std::string &text, const std::string &display_name,
                           const std::string &orbiter_root = "");
Scenario ParseScenarioFile(const std::string &path, const std::string &orbiter_root = "");

// Pieces of the parser shared between its files.
// The world of a world_from file, when the top table names one (scenario_world_from.cpp).
void TakeWorldFrom(const Fields &top, const std::string &orbiter_root, Scenario &s);
VesselDef ParseVessel(const Fields &fields);
// Thrust schedule entries of a vessel, as timed thrust events (step not yet set).
void ParseThrustSchedule(const Fields &fields, const std::string &vessel,
                         std::vector<TimedEvent> &events);
// Derived values: each event's step and the events in the order they happen (before the
// checks), the terrain's body when the file gives none (after them).
void PlaceEventsOnSteps(Scenario &scenario);
void FillTerrainBody(Scenario &scenario);
// With steps of changing length and a duration: the run ends by the clock, after at most as
// many steps as the shortest steps could take (after the checks, which count nominal steps).
void LetStepsVary(Scenario &scenario, double duration_s);
// The carrier, the first vessel of the carrier class present or created; its body.
const VesselDef *FindCarrier(const Scenario &scenario);
std::string CarrierBody(const Scenario &scenario);
// Names, references, times and limits across the whole scenario, on its placed events.
void CheckScenario(const Scenario &scenario);

}  // namespace app
