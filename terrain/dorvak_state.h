// The terrain library's one piece of process-wide state: the settings it was last given.
#pragma once

#include "terrain/dorvak_config.h"

namespace terrain {

const DorvakConfig &ActiveConfig();

}  // namespace terrain
