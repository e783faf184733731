// The frame the terrain is asked in. The relief belongs to the ground, and on a turning body
// the ground turns under the global frame; asked with plain global offsets, the relief would
// slide under everything standing on it (at the Moon's equator by 4.6 m every second). The
// carrier is fixed to the ground, so its turn since the module first found it is the
// ground's: an offset turned back by it asks the terrain where it lay under that spot then.
// While the carrier has not turned, offsets are asked exactly as they are.
#pragma once

#include "host/orbiter_api.h"

namespace td {

// Follows this step's carrier (null: none): the first step with a carrier takes its axes as
// the ground's, every later one finds how far it has turned since.
void FollowGround(const VESSEL *carrier);
// Forgets the carrier and its axes: the module's start-up and a session's end.
void ForgetGround();

// pos_rel_body (from the body's centre, global frame, m) as the terrain is asked with it: turned
// back by the ground's turn when the body is the carrier's, as it is otherwise.
VECTOR3 OnGround(OBJHANDLE body, const VECTOR3 &pos_rel_body);

}  // namespace td
