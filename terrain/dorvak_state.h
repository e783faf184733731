// The terrain library's process-wide state: the settings it was last given, and what it
// has answered under them.
#pragma once

#include "terrain/answers_in_order.h"

namespace terrain {

// This step's answers to the program and the module's of the step before, in order.
AnswersInOrder &ActiveOrder();
// The radius under a position by the settings, through the library's memo.
double ActiveRadius(const VECTOR3 &pos_rel_body);

}  // namespace terrain
