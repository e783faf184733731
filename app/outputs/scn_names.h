// Names as the simulator's scenario files can hold them (--save-scn). The simulator reads a
// vessel's header line as `name:class` split at the first colon, cuts every line at a `;`
// (a comment), trims spaces and tabs off both ends, reads lines of at most 255 characters,
// and takes a vessel's name in an ATTACHED or DOCKINFO line as one word. A name that breaks
// one of these would come back as another name, or as none: the saved scenario is refused
// before the run rather than written with names changed behind the user's back.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "app/scenario/scenario.h"

namespace app {

// Why the simulator could not read this vessel's header back as written; empty when it can.
std::string ScnVesselNameProblem(std::string_view name,
                                 const std::optional<std::string> &class_name);
// The same for a body's name on a STATUS line.
std::string ScnBodyNameProblem(std::string_view name);

// Throws UsageError for the first vessel (present from the start or created by an event) or
// body of the scenario that a saved scenario could not name.
void CheckScnNames(const Scenario &scenario);

}  // namespace app
