// What the host program asks of the library beside the module: the terrain under the places
// it asks about, answered through the library's memo and kept in order for the module, which
// asks about the same vessels after it in the same step; and when a step begins.
#include "terrain/dorvak_state.h"

extern "C" __attribute__((visibility("default"))) double dorvakHostRadius(VECTOR3 pos_rel_body) {
  const double radius_m = terrain::ActiveRadius(pos_rel_body);
  terrain::ActiveOrder().NoteHostAnswer(pos_rel_body, radius_m);
  return radius_m;
}

extern "C" __attribute__((visibility("default"))) void dorvakStepBegins() {
  terrain::ActiveOrder().StepBegins();
}
