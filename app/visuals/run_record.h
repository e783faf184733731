// What the pictures of a run are drawn from: every vessel's state at evenly spaced frames
// (at most kMaxFrames, so a long run costs bounded memory), the moments that matter
// (touchdowns, anchorings, releases, what the scenario did) at the exact step they happened,
// and the terrain around the carrier. Kept in memory while the run goes; the plots and the
// replay page are written from it afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/run/observer.h"
#include "app/scenario/scenario.h"
#include "app/visuals/surface_frame.h"
#include "app/world/contact_watch.h"

namespace app {

enum class ContactState : uint8_t { kFree = 0, kContact = 1, kAnchored = 2 };

// One vessel at one frame. Floats: centimetres at a few hundred kilometres are all a picture
// needs, and a hundred vessels over thousands of frames stay small.
struct Sample {
  float east_m = 0, north_m = 0, up_m = 0;  // origin, in the surface frame
  float clearance_m = 0;                    // touchdown plane over the terrain; NaN: no terrain
  float up_speed_mps = 0;                   // along its own vertical, positive upwards
  // The module's forces since the previous frame, at their largest: the part along the
  // vessel's vertical (stopping and support) and the part across it (brakes), N.
  float force_up_N = 0, force_across_N = 0;
  // Attitude for a right-handed, y-up scene (x east, y up, z south), as a unit quaternion
  // turning a shape whose nose points along -z and top along +y.
  float qx = 0, qy = 0, qz = 0, qw = 1;
  ContactState state = ContactState::kFree;  // the strongest state seen since the last frame
};

struct VesselTrack {
  std::string name;
  std::string class_name;  // "" without one
  bool fixed_to_body = false;
  bool carrier = false;
  double cog_elev_m = 0.0;
  size_t first_frame = 0;       // the frame of its first sample
  std::vector<Sample> samples;  // one a frame from first_frame for as long as it lives
  double path_length_m = 0.0;   // over the ground, east and north, between frames
  double travel_m = 0.0;        // the same in three dimensions: a climb counts too
};

struct Mark {
  enum Kind { kTouchdown, kAnchored, kReleased, kKey, kFocus, kThrust, kCreated, kDeleted };
  double t_s = 0.0;
  Kind kind = kTouchdown;
  long vessel = -1;  // index into the vessels, or -1 for none
  std::string text;  // a short label: "touchdown 6.04 m/s", "key G", ...
};

struct RunRecord {
  std::string scenario;  // the scenario's name as people know it
  double step_s = 0.0;
  std::vector<double> frame_t_s;     // the time of each frame
  std::vector<VesselTrack> vessels;  // in the host's order, created vessels appended
  std::vector<Mark> marks;           // in the order they happened
  long carrier = -1;                 // the vessel the frame is centred on, or -1
  SurfaceFrame frame;
  TerrainGrid terrain;  // around the carrier and everything that moved near it
};

class RunRecorder : public StepObserver {
 public:
  static constexpr size_t kMaxFrames = 5000;
  static constexpr int kTerrainGridSize = 121;
  static constexpr size_t kMaxMarks = 20000;  // the first ones are kept

  // The recorder reads the module's AddForce calls from the world's record of host calls,
  // which must be on, in AfterModuleStep.
  explicit RunRecorder(const Scenario &scenario);

  void OnStart(const StepContext &ctx) override;
  void OnAction(const StepContext &ctx, const ScenarioAction &action) override;
  void BeforeModuleStep(const StepContext &ctx) override;
  void AfterModuleStep(const StepContext &ctx) override;
  void OnFinish(const StepContext &ctx) override;

  const RunRecord &Record() const { return record_; }

 private:
  // What is followed between frames.
  struct Watch {
    OBJHANDLE parent = nullptr;
    double step_up_N = 0.0, step_across_N = 0.0;  // this step's sums
    bool pushed = false;                          // a force was added in this step
    float peak_up_N = 0, peak_across_N = 0;
    ContactState peak_state = ContactState::kFree;
  };

  void Ensure(const StepContext &ctx);
  void NoteParentChanges(const StepContext &ctx);
  void TakeSample(const StepContext &ctx);
  Sample SampleOf(const StepContext &ctx, const sim::VesselRecord &v, const sim::BodySpec &body,
                  const Watch &w) const;
  void DropStartSample();
  // False when the marks are full and this one is left out.
  bool AddMark(double t_s, Mark::Kind kind, long vessel, std::string text);

  const Scenario &scenario_;
  int64_t stride_ = 1;         // steps between frames
  int64_t sampled_step_ = -1;  // the step of the latest frame
  RunRecord record_;
  ContactWatch contacts_;
  std::vector<Watch> watch_;  // parallel to the roster
  struct HeldKey {
    int vk;
    size_t mark;
    double down_s;
  };
  std::vector<HeldKey> held_;
};

}  // namespace app
