// The local horizon at a place on a body, in the body frame (+x towards latitude 0 /
// longitude 0, +y towards the north pole, longitude = atan2(z, x)).
#pragma once

#include "host/orbiter_api.h"

namespace terrain {

struct Horizon {
  VECTOR3 up;     // away from the body's centre
  VECTOR3 east;   // towards growing longitude
  VECTOR3 north;  // towards growing latitude
};

Horizon HorizonAt(double lat_rad, double lon_rad);

}  // namespace terrain
