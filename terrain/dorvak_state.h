// The terrain library's process-wide state: the settings it was last given, and what it
// has answered under them.
#pragma once

#include "terrain/dorvak_config.h"
#include "terrain/query_memo.h"

namespace terrain {

const DorvakConfig &ActiveConfig();
// What the library's function has answered under these settings.
QueryMemo &ActiveMemo();

}  // namespace terrain
