// The per-step driver behind opcPreStep: find the carrier, run the contact pass, release
// everything when the user's focus strays from the carrier or a release key is pressed,
// move the focus vessel for held movement keys, and free the slots of vanished vessels.
#pragma once

#include <cmath>

#include "host/orbiter_api.h"
#include "math/angles.h"
#include "math/vector.h"

namespace td {

inline constexpr double kFocusReleaseAngle_rad = 0.01;

// The focus test on two places over the body's turning ground (latitude and longitude, rad):
// more than kFocusReleaseAngle_rad apart in latitude or in longitude. Differences of
// colatitude and of longitude, each angle offset by a quarter turn first: the offsets cancel,
// and keeping them keeps the rounding, so a focus right at the edge releases in exactly the
// same steps as it always has. Longitudes jump by a full turn at the antimeridian: two places
// a hair apart on either side of it are close, not a turn apart. Not-a-number stays so and
// releases nothing.
inline bool PlacesApart(double focus_lat, double focus_lon, double carrier_lat,
                        double carrier_lon) {
  const double d_theta_rad = (kQuarterTurn_rad - focus_lat) - (kQuarterTurn_rad - carrier_lat);
  const double d_phi_rad = std::remainder(
      (kQuarterTurn_rad + focus_lon) - (kQuarterTurn_rad + carrier_lon), kFullTurn_rad);
  return Abs(d_theta_rad) > kFocusReleaseAngle_rad || Abs(d_phi_rad) > kFocusReleaseAngle_rad;
}

void RunStep(double simt, double simdt, double mjd);

// The first vessel in the host's order whose class name is exactly "DynamicPlanet", or null.
VESSEL *FindCarrier();

// True when the focus vessel is more than 0.01 rad from the carrier in latitude or in
// longitude (the longitude difference taken the short way round). False without a focus.
bool FocusStrayed(const VESSEL &carrier);

}  // namespace td
