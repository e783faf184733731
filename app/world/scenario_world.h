// A scenario's world: bodies, the terrain library's settings and mode, vessels and focus.
#pragma once

#include "app/scenario/scenario.h"
#include "app/world/roster.h"
#include "math/units.h"
#include "sim/world.h"

namespace app {

using td::kDegPerRad;
using td::kRadPerDeg;

// The terrain library's settings for the scenario's relief.
DorvakConfig TerrainConfigOf(const Scenario &scenario);

// Adds the bodies, configures the terrain, adds the vessels and sets the focus. Vessels
// that cannot be placed (no terrain height under them), present from the start or created
// by an event later, end in a ScenarioError here, before anything runs.
void BuildWorld(const Scenario &scenario, sim::World &world);

// A vessel as the world takes it, placed in a world that already has the scenario's bodies
// and terrain; a ScenarioError when it cannot be placed.
sim::VesselSpec VesselSpecOf(const Scenario &scenario, const VesselDef &vessel,
                             const sim::World &world);
OBJHANDLE AddScenarioVessel(const Scenario &scenario, const VesselDef &vessel, sim::World &world);

// The world's live vessels in the host's order, under their names and classes.
Roster RosterOf(const sim::World &world);

}  // namespace app
