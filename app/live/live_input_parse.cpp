#include "app/live/live_input_parse.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <utility>

namespace app {

namespace {

// from_chars alone would take a sign, "nan", "inf" and a prefix of the text.
bool WholeVk(std::string_view text, int &vk) {
  if (text.empty() || text.size() > 3 ||
      !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return false;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), vk);
  return r.ec == std::errc() && vk >= kMinVk && vk <= kMaxVk;
}

bool WholeMs(std::string_view text, double &ms) {
  // Digits and one point, as the page writes it: no sign, exponent, "nan" or "inf".
  if (text.empty() || text.size() > 24 || text.front() == '.' || text.back() == '.' ||
      std::count(text.begin(), text.end(), '.') > 1 ||
      !std::all_of(text.begin(), text.end(),
                   [](char c) { return (c >= '0' && c <= '9') || c == '.'; }))
    return false;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), ms);
  return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(ms) &&
         ms >= 0.0 && ms <= kMaxPressedMs;
}

// Splits off the first word at a single space; rest is empty without one.
std::string_view FirstWord(std::string_view text, std::string_view &rest) {
  const size_t space = text.find(' ');
  rest = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
  return text.substr(0, space);
}

constexpr std::pair<std::string_view, LiveInput::Kind> kWords[] = {
    {"down", LiveInput::kKeyDown},
    {"repeat", LiveInput::kKeyRepeat},
    {"up", LiveInput::kKeyUp},
    {"release-all", LiveInput::kReleaseKeys},
    {"focus", LiveInput::kFocus},
    {"focus-next", LiveInput::kFocusNext},
    {"throttle-up", LiveInput::kThrottleUp},
    {"throttle-down", LiveInput::kThrottleDown},
    {"throttle-cut", LiveInput::kThrottleCut},
    {"pause", LiveInput::kPause},
    {"resume", LiveInput::kResume},
    {"restart", LiveInput::kRestart},
};

// What follows the word of an input of the given kind; rest is all after the first space,
// has_rest whether there was one at all.
bool ParseArguments(std::string_view rest, bool has_rest, LiveInput &parsed) {
  switch (parsed.kind) {
    case LiveInput::kKeyDown:
    case LiveInput::kKeyRepeat: {
      std::string_view ms;
      const bool has_ms = rest.find(' ') != std::string_view::npos;
      if (!WholeVk(FirstWord(rest, ms), parsed.vk)) return false;
      return !has_ms || WholeMs(ms, parsed.pressed_ms);
    }
    case LiveInput::kKeyUp:
      return WholeVk(rest, parsed.vk);
    case LiveInput::kFocus:
      if (rest.empty()) return false;
      parsed.vessel = std::string(rest);
      return true;
    default:
      return !has_rest;
  }
}

}  // namespace

bool ParseLiveInput(std::string_view line, LiveInput &input) {
  std::string_view rest;
  const bool has_rest = line.find(' ') != std::string_view::npos;
  const std::string_view word = FirstWord(line, rest);
  const auto known = std::find_if(std::begin(kWords), std::end(kWords),
                                  [word](const auto &w) { return w.first == word; });
  if (known == std::end(kWords)) return false;
  LiveInput parsed{};
  parsed.kind = known->second;
  if (!ParseArguments(rest, has_rest, parsed)) return false;
  input = std::move(parsed);
  return true;
}

bool ParseLiveInputs(std::string_view body, std::vector<LiveInput> &inputs, size_t *refused_line) {
  inputs.clear();
  size_t number = 0;
  while (!body.empty()) {
    ++number;
    const size_t end = body.find('\n');
    const std::string_view line = body.substr(0, end);
    body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
    if (line.empty()) continue;
    if (!ParseLiveInput(line, inputs.emplace_back())) {
      inputs.clear();
      if (refused_line != nullptr) *refused_line = number;
      return false;
    }
  }
  return true;
}

}  // namespace app
