#include "app/live/live_feed.h"

#include <algorithm>
#include <cmath>

#include "app/base/text_format.h"
#include "app/visuals/replay_page.h"

namespace app {

namespace {

// The terrain around the carrier that the page draws: the vessels' places with room to
// walk and drive around them.
constexpr double kMinHalfWidth_m = 200.0;
constexpr double kMaxHalfWidth_m = 5000.0;
constexpr size_t kMarksPerFrame = 20;  // a page that missed frames catches up on these

}  // namespace

Scenario LiveFeed::Paced(const Scenario &scenario) {
  Scenario paced = scenario;
  const double steps_per_frame = std::max(1.0, std::round(1.0 / (kFramesPerSecond * paced.step_s)));
  paced.steps = static_cast<long long>(steps_per_frame) * RunRecorder::kMaxFrames;
  return paced;
}

LiveFeed::LiveFeed(const Scenario &scenario, int run, const LiveStatus &status,
                   LiveChannel &channel)
    : paced_(Paced(scenario)), recorder_(paced_), status_(status), channel_(channel), run_(run) {}

void LiveFeed::OnStart(const StepContext &ctx) {
  recorder_.OnStart(ctx);
  PublishScene(ctx);
  PublishFrame(ctx);
}

void LiveFeed::OnAction(const StepContext &ctx, const ScenarioAction &action) {
  recorder_.OnAction(ctx, action);
  if (ctx.roster.Entries().size() != vessels_in_scene_) PublishScene(ctx);
}

void LiveFeed::AfterModuleStep(const StepContext &ctx) {
  recorder_.AfterModuleStep(ctx);
  const auto now = std::chrono::steady_clock::now();
  const bool new_frame = recorder_.Record().frame_t_s.size() > frames_sent_;
  if (new_frame && now - last_sent_ >= std::chrono::duration<double>(1.0 / kFramesPerSecond)) {
    PublishFrame(ctx);
  }
}

void LiveFeed::PublishScene(const StepContext &ctx) {
  const RunRecord &r = recorder_.Record();
  double half = kMinHalfWidth_m;
  for (const VesselTrack &v : r.vessels) {
    if (v.samples.empty()) continue;
    const Sample &s = v.samples.back();
    const double reach = std::max(std::abs(s.east_m), std::abs(s.north_m)) * 1.2 + 50.0;
    if (reach <= kMaxHalfWidth_m) half = std::max(half, reach);
  }
  const TerrainGrid terrain =
      SampleTerrain(ctx.world, r.frame, 0.0, 0.0, half, RunRecorder::kTerrainGridSize);
  std::string b = "{\"run\":" + std::to_string(run_) + ",\"scenario\":";
  AppendJsonString(b, r.scenario);
  b += ",\"stepS\":";
  AppendNumber(b, r.step_s, "null");
  b += ",\"carrier\":" + std::to_string(r.carrier) + ",\"terrain\":";
  AppendTerrainJson(b, terrain);
  b += ",\"vessels\":[";
  for (size_t i = 0; i < r.vessels.size(); ++i) {
    const VesselTrack &v = r.vessels[i];
    b += i > 0 ? ",{\"name\":" : "{\"name\":";
    AppendJsonString(b, v.name);
    b += ",\"class\":";
    AppendJsonString(b, v.class_name);
    b += ",\"kind\":\"" + std::string(VesselKind(v)) + "\",\"fixed\":";
    b += v.fixed_to_body ? "true" : "false";
    b += ",\"cogElev\":";
    AppendFixed(b, v.cog_elev_m, 3);
    b += '}';
  }
  b += "]}";
  vessels_in_scene_ = r.vessels.size();
  std::vector<std::string> names;
  for (size_t i = 0; i < ctx.roster.Entries().size(); ++i)
    names.push_back(ctx.roster.Label(i).name);
  channel_.PublishVessels(std::move(names));
  channel_.PublishScene(std::move(b));
}

void LiveFeed::PublishFrame(const StepContext &ctx) {
  const RunRecord &r = recorder_.Record();
  const size_t frames = r.frame_t_s.size();
  std::string &b = vessels_json_;
  b = "[";
  for (size_t i = 0; i < r.vessels.size(); ++i) {
    const VesselTrack &v = r.vessels[i];
    if (i > 0) b += ',';
    // Present only when it was sampled in the latest frame: a deleted vessel is not.
    if (v.samples.empty() || v.first_frame + v.samples.size() != frames) {
      b += "null";
      continue;
    }
    const Sample &s = v.samples.back();
    b += '[';
    // The scene: x east, y up, z south.
    for (const double x : {double(s.east_m), double(s.up_m), double(-s.north_m)}) {
      AppendFixed(b, x, 2), b += ',';
    }
    for (const float q : {s.qx, s.qy, s.qz, s.qw}) AppendFixed(b, q, 3), b += ',';
    AppendFixed(b, s.clearance_m, 2);
    b += ',' + std::to_string(static_cast<int>(s.state)) + ']';
  }
  b += ']';
  frames_sent_ = frames;
  focus_ = ctx.roster.IndexOf(ctx.world.Focus());
  t_s_ = ctx.simt;
  Republish();
}

void LiveFeed::Republish() {
  const RunRecord &r = recorder_.Record();
  std::string b = "{\"t\":";
  AppendFixed(b, t_s_, 3);
  b += ",\"paused\":";
  b += status_.paused ? "true" : "false";
  b += ",\"rate\":";
  AppendFixed(b, status_.rate, 3);
  b += ",\"focus\":" + std::to_string(focus_) + ",\"throttle\":";
  AppendFixed(b, status_.throttle, 3);
  b += ",\"keyToHookMs\":";
  AppendFixed(b, status_.key_to_hook_ms, 2);
  b += ",\"keyToStepMs\":";
  AppendFixed(b, status_.key_to_step_ms, 2);
  b += ",\"v\":" + vessels_json_;
  const size_t from = r.marks.size() > kMarksPerFrame ? r.marks.size() - kMarksPerFrame : 0;
  b += ",\"marksFrom\":" + std::to_string(from) + ",\"marks\":[";
  for (size_t i = from; i < r.marks.size(); ++i) {
    const Mark &m = r.marks[i];
    b += i > from ? ",{\"t\":" : "{\"t\":";
    AppendFixed(b, m.t_s, 3);
    b += ",\"kind\":\"" + std::string(MarkKindName(m.kind)) +
         "\",\"vessel\":" + std::to_string(m.vessel) + ",\"text\":";
    AppendJsonString(b, m.text);
    b += '}';
  }
  b += "]}";
  last_sent_ = std::chrono::steady_clock::now();
  channel_.PublishFrame(std::move(b));
}

}  // namespace app
