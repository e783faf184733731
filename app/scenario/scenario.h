// A scenario as read from its file: the world to build, how long to run it, and what
// happens at given times. Plain data; angles are kept in the file's degrees until the world
// is built. Every value that can still turn out wrong when the world is built carries the
// place in the file it came from, so that error names it too.
#pragma once

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "module/vessel_class.h"

namespace app {

using Vec3 = std::array<double, 3>;

// Where a value came from: the line in the file and the dotted field name.
struct SourceRef {
  int line = 0;
  std::string field;
};

struct BodyDef {
  std::string name;
  double radius_m = 0.0;
  double mass_kg = 0.0;
  Vec3 position_m{};               // global frame, at the start
  double rotation_period_s = 0.0;  // sidereal, about its +y pole; 0: does not turn
  Vec3 velocity_mps{};             // constant, global frame
};

enum class TerrainLibrary { kPresent, kMissing, kNoFunction };
// kInstalled: what the terrain library computes when no host configures it, as in the
// simulator (terrain/dorvak_config.h); it takes no parameters.
enum class Relief { kFlat, kHills, kNaN, kSlope, kCrater, kInstalled };

struct TerrainDef {
  TerrainLibrary presence = TerrainLibrary::kPresent;
  Relief relief = Relief::kFlat;
  std::string body;        // the carrier's body, else the first; set once the scenario is read
  double offset_m = 0.01;  // kDorvakDefaultFlatOffset_m for flat; 0 for the other reliefs
  double amplitude_m = 5.0;
  double wavelength_m = 100.0;
  double slope_deg = 0.0;
  double azimuth_deg = 0.0;
  double ref_lat_deg = 0.0;
  double ref_lon_deg = 0.0;
  double crater_radius_m = 100.0;
  double crater_depth_m = 10.0;
};

// Placement over a body at a latitude and longitude: either the touchdown plane's height
// over the terrain below, or the origin's altitude over the body's mean radius.
struct SurfacePlacement {
  double lat_deg = 0.0;
  double lon_deg = 0.0;
  std::optional<double> height_over_terrain_m;
  std::optional<double> altitude_m;
};

// Yaw, pitch and roll from standing upright at the vessel's place, facing north.
struct UprightAttitude {
  double yaw_deg = 0.0;
  double pitch_deg = 0.0;
  double roll_deg = 0.0;
};

// The vessel's x, y and z axes in the global frame.
struct ExplicitAxes {
  Vec3 x{}, y{}, z{};
};

struct VesselDef {
  std::string name;
  std::optional<std::string> class_name;           // a file without one gives the name
  std::string body;                                // empty: the first body
  std::variant<SurfacePlacement, Vec3> placement;  // Vec3: global position
  bool velocity_is_global = false;                 // otherwise east, up, north of the local horizon
  Vec3 velocity_mps{};
  std::variant<UprightAttitude, ExplicitAxes> attitude;
  double mass_kg = 1000.0;
  double cog_elev_m = 0.0;
  bool fixed_to_body = false;
  bool landed = false;  // starts in the host's landed state, held to its body's ground
  Vec3 thrust_N{};      // vessel frame
  // Where it stands on the host's own ground, vessel frame; none: three under its centre.
  std::vector<Vec3> touchdown_points;
  SourceRef where;         // the vessel's table
  SourceRef height_where;  // its height over the terrain, which only placing can check
};

struct KeyAction {
  bool down = true;  // false: key up
  int vk = 0;
  bool repeat = false;  // an auto-repeat of a held key, at a time of its own
};
struct FocusAction {
  std::string vessel;  // empty: no focus vessel
};
struct DeleteAction {
  std::string vessel;
};
struct CreateAction {
  VesselDef vessel;
};
struct ThrustAction {
  std::string vessel;
  Vec3 thrust_N{};
};

// The host's time acceleration: every step from then on is this many times longer.
struct TimeAccelerationAction {
  double factor = 1.0;
};

using Action = std::variant<KeyAction, FocusAction, DeleteAction, CreateAction, ThrustAction,
                            TimeAccelerationAction>;

struct TimedEvent {
  double t_s = 0.0;
  // Number of steps completed when it happens: the event falls between that step and the
  // next, at the first step boundary at or after t_s.
  long long step = 0;
  Action action;
  int order = 0;         // line in the file, so that simultaneous events keep the file's order
  bool implied = false;  // the key-up that ends a key's hold_s: dropped past the run's end
  SourceRef where;
};

// Which state the module's queries answer in its post-step ([host] post_step_sees).
enum class FrameOrder { kEndOfStep, kStartOfStep };

// The host's first frames of a session are not timed by the wall clock: each takes this long
// (times the time acceleration), whatever the frame rate.
inline constexpr double kLaunchStep_s = 0.01;
inline constexpr int kLaunchSteps = 3;

// The class of the vessel that is the module's ground: the module's own name for it.
using td::kCarrierClass;

struct Scenario {
  std::string file;        // as named in messages
  std::string world_from;  // the simulator's scenario file the world was read from; empty: none
  double step_s = 0.01;
  // Steps of changing length: each step_s drawn within +- step_jitter_s from seed, times the
  // time acceleration. They are placed by the clock: the run ends at the first step boundary
  // at or after run_s (unless the file gives steps), an event at the first at or after its t_s.
  double step_jitter_s = 0.0;
  unsigned long long seed = 0;
  bool steps_vary = false;  // jitter, or a time_acceleration event
  double run_s = 0.0;       // with steps_vary: the run's length by the clock; 0: `steps` steps
  long long steps = 0;      // number of host steps to run; with steps_vary and run_s, at most
  FrameOrder post_step_sees = FrameOrder::kStartOfStep;  // the host's code
  double mjd = 51544.5;
  std::string focus;  // empty: the first vessel
  double repeat_delay_s = 0.5;
  double repeat_interval_s = 1.0 / 30.0;
  TerrainDef terrain;
  std::vector<BodyDef> bodies;
  std::vector<VesselDef> vessels;
  std::vector<TimedEvent> events;  // sorted by time, file order among equal times
};

// Limits against absurd input; a file beyond them is refused, not run.
inline constexpr long long kMaxSteps = 100'000'000;

// A number of steps worked out from decimal times, rounded up to whole steps; the tolerance
// keeps 60 s of 0.01 s steps at 6000, and an event at 1.0 s of 0.01 s steps on step 100.
inline long long WholeStepsFrom(double steps) {
  return static_cast<long long>(std::ceil(steps - 1e-9));
}
inline constexpr int kMaxVessels = 10'000;  // present at the start plus created later
inline constexpr int kMaxBodies = 100;
inline constexpr int kMaxEvents = 1'000'000;
inline constexpr double kMinRepeatInterval_s = 0.001;

// What can exist: every number of a scenario lies in one of these (docs/scenarios.md).
struct Range {
  double lo, hi;
};
inline constexpr double kSpeedOfLight_mps = 299'792'458.0;
inline constexpr double kSolarSystem_m = 1e14;  // ~670 AU from the global origin
inline constexpr Range kMjdRange{-1e6, 1e6};
inline constexpr Range kKeyDelayRange_s{0.0, 60.0};
inline constexpr Range kReliefHeightRange_m{-1e5, 1e5};  // offsets, hills, crater depths
inline constexpr Range kReliefLengthRange_m{0.01, 1e8};  // wavelengths, crater radii
inline constexpr Range kBodyRadiusRange_m{1.0, 1e9};     // a boulder up to the Sun and more
inline constexpr Range kBodyMassRange_kg{0.0, 1e31};
inline constexpr Range kVesselMassRange_kg{1e-3, 1e10};
inline constexpr Range kCogElevRange_m{0.0, 1e4};
inline constexpr Range kHeightRange_m{-1e5, 1e12};  // over terrain or mean radius
inline constexpr Range kAngleRange_deg{-360.0, 360.0};
inline constexpr double kMaxThrust_N = 1e10;
inline constexpr Range kRotationPeriodRange_s{0.0, 1e12};
inline constexpr Range kTimeAccelerationRange{1e-3, 1e5};

}  // namespace app
