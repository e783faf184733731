// libFuzzer target: arbitrary bytes as the body of the live page's POST /input. The parser
// must refuse it or return inputs that the run can take as they are: key codes 1 ... 254,
// page times finite, at least 0 and at most kMaxPressedMs (so the latency the page shows
// stays a short number), focus names that are whole lines; and each input written back as
// the page would write it reads back the same. Anything else (a crash, a sanitizer report)
// is a finding.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "app/live/live_input_parse.h"

namespace {

void Require(bool holds) {
  if (!holds) std::abort();
}

std::string Written(const app::LiveInput &in) {
  static const char *const kWords[] = {"down",         "repeat",     "up",          "release-all",
                                       "focus",        "focus-next", "throttle-up", "throttle-down",
                                       "throttle-cut", "pause",      "resume",      "restart"};
  std::string line = kWords[in.kind];
  switch (in.kind) {
    case app::LiveInput::kKeyDown:
    case app::LiveInput::kKeyRepeat: {
      char ms[64];
      const auto r = std::to_chars(ms, ms + sizeof ms, in.pressed_ms, std::chars_format::fixed);
      Require(r.ec == std::errc());
      return line + " " + std::to_string(in.vk) + " " + std::string(ms, r.ptr);
    }
    case app::LiveInput::kKeyUp:
      return line + " " + std::to_string(in.vk);
    case app::LiveInput::kFocus:
      return line + " " + in.vessel;
    default:
      return line;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string_view body(reinterpret_cast<const char *>(data), size);
  std::vector<app::LiveInput> inputs;
  size_t refused = 0;
  if (!app::ParseLiveInputs(body, inputs, &refused)) {
    Require(inputs.empty() && refused >= 1);
    return 0;
  }
  for (const app::LiveInput &in : inputs) {
    switch (in.kind) {
      case app::LiveInput::kKeyDown:
      case app::LiveInput::kKeyRepeat:
      case app::LiveInput::kKeyUp:
        Require(in.vk >= app::kMinVk && in.vk <= app::kMaxVk);
        Require(std::isfinite(in.pressed_ms) && in.pressed_ms >= 0.0 &&
                in.pressed_ms <= app::kMaxPressedMs);
        break;
      case app::LiveInput::kFocus:
        Require(!in.vessel.empty() && in.vessel.find('\n') == std::string::npos);
        break;
      default:
        Require(in.kind >= app::LiveInput::kReleaseKeys && in.kind <= app::LiveInput::kRestart);
        break;
    }
    app::LiveInput again{};
    Require(app::ParseLiveInput(Written(in), again));
    Require(again.kind == in.kind && again.vk == in.vk && again.pressed_ms == in.pressed_ms &&
            again.vessel == in.vessel);
  }
  return 0;
}
