#include "app/visuals/replay_page.h"

#include <algorithm>
#include <cmath>

#include "app/base/text_format.h"
#include "module/vessel_class.h"

namespace app {

namespace {

// The page's names of the marks, in the order of Mark::Kind.
constexpr const char *kMarkKinds[] = {"touchdown", "anchored", "released", "key",
                                      "focus",     "thrust",   "created",  "deleted"};
static_assert(std::size(kMarkKinds) == Mark::kDeleted + 1);
// Many vessels over a long run would make a page of many megabytes; past this many vessel
// frames the frame rate drops instead.
constexpr size_t kMaxVesselFrames = 150000;
constexpr size_t kMaxFrames = 6000;

// The recorded frames the page shows: evenly thinned, the last one always kept.
std::vector<size_t> ChosenFrames(const RunRecord &record) {
  const size_t n = record.frame_t_s.size();
  std::vector<size_t> chosen;
  if (n == 0) return chosen;
  const double span_s = record.frame_t_s.back() - record.frame_t_s.front();
  size_t wanted = static_cast<size_t>(span_s * kReplayFramesPerSecond) + 1;
  wanted = std::min(
      {wanted, kMaxFrames,
       std::max<size_t>(2, kMaxVesselFrames / std::max<size_t>(1, record.vessels.size()))});
  const size_t stride = std::max<size_t>(1, (n + wanted - 1) / wanted);
  for (size_t j = 0; j < n; j += stride) chosen.push_back(j);
  if (chosen.back() != n - 1) chosen.push_back(n - 1);
  return chosen;
}

// The vessel's frames as the page reads them, one entry per frame of the page in its life.
struct VesselFrames {
  std::string pos, quat, clear, state;
  long first = -1;  // the page's first frame with the vessel

  void Add(const Sample &s, ContactState strongest) {
    const char *sep = pos.empty() ? "" : ",";
    // The scene: x east, y up, z south.
    pos += sep, AppendFixed(pos, s.east_m, 2), pos += ',', AppendFixed(pos, s.up_m, 2), pos += ',',
        AppendFixed(pos, -s.north_m, 2);
    quat += sep, AppendFixed(quat, s.qx, 3), quat += ',', AppendFixed(quat, s.qy, 3), quat += ',',
        AppendFixed(quat, s.qz, 3), quat += ',', AppendFixed(quat, s.qw, 3);
    clear += sep, AppendFixed(clear, s.clearance_m, 2);
    state += static_cast<char>('0' + static_cast<int>(strongest));
  }
};

// The page's frames that fall in the vessel's life, each with the strongest contact state of
// the recorded frames since the one before, so that a brief contact still shows.
VesselFrames FramesOf(const VesselTrack &v, const std::vector<size_t> &frames) {
  VesselFrames out;
  size_t previous = 0;
  const size_t last = v.first_frame + v.samples.size();  // one past
  for (size_t f = 0; f < frames.size(); ++f) {
    const size_t j = frames[f];
    if (j < v.first_frame || j >= last) {
      previous = j + 1;
      continue;
    }
    if (out.first < 0) out.first = static_cast<long>(f);
    const Sample &s = v.samples[j - v.first_frame];
    ContactState strongest = s.state;
    for (size_t k = std::max(previous, v.first_frame); k < j; ++k) {
      strongest = std::max(strongest, v.samples[k - v.first_frame].state);
    }
    previous = j + 1;
    out.Add(s, strongest);
  }
  return out;
}

void VesselJson(std::string &b, const VesselTrack &v, const std::vector<size_t> &frames) {
  b += "{\"name\":";
  AppendJsonString(b, v.name);
  b += ",\"class\":";
  AppendJsonString(b, v.class_name);
  b += ",\"kind\":\"";
  b += VesselKind(v);
  b += "\",\"fixed\":";
  b += v.fixed_to_body ? "true" : "false";
  b += ",\"cogElev\":";
  AppendFixed(b, v.cog_elev_m, 3);
  b += ",\"moved\":";
  b += v.travel_m > 1.0 ? "true" : "false";
  const VesselFrames f = FramesOf(v, frames);
  b += ",\"first\":" + std::to_string(std::max(f.first, 0L));
  b += ",\"pos\":[" + f.pos + "],\"quat\":[" + f.quat + "],\"clear\":[" + f.clear +
       "],\"state\":\"" + f.state + "\"}";
}

std::string HtmlText(const std::string &text) {
  std::string out;
  for (const char c : text) {
    if (c == '<')
      out += "&lt;";
    else if (c == '>')
      out += "&gt;";
    else if (c == '&')
      out += "&amp;";
    else
      out += c;
  }
  return out;
}

}  // namespace

const char *VesselKind(const VesselTrack &v) {
  if (v.carrier) return "carrier";
  if (td::IsWalkerClass(v.class_name.c_str())) return "walker";
  if (td::IsCarClass(v.class_name.c_str())) return "car";
  return "craft";
}

void AppendTerrainJson(std::string &b, const TerrainGrid &g) {
  if (!g.HasHeights()) {
    b += "null";
    return;
  }
  b += "{\"east0\":";
  AppendFixed(b, g.east0_m, 3);
  b += ",\"north0\":";
  AppendFixed(b, g.north0_m, 3);
  b += ",\"spacing\":";
  AppendFixed(b, g.spacing_m, 4);
  b += ",\"size\":" + std::to_string(g.size) + ",\"up\":[";
  for (size_t i = 0; i < g.up_m.size(); ++i) {
    if (i > 0) b += ',';
    AppendFixed(b, g.up_m[i], 2);
  }
  b += "]}";
}

// Text inside a script element ends at the first "</script"; "<!--" can start a mode in
// which it does not. Both are taken apart with a backslash, which JavaScript ignores there.
std::string ScriptSafe(const std::string &js) {
  std::string out;
  out.reserve(js.size());
  for (size_t i = 0; i < js.size(); ++i) {
    out += js[i];
    if (js[i] != '<' || i + 1 >= js.size()) continue;
    if (js[i + 1] == '/' || js.compare(i + 1, 3, "!--") == 0) out += '\\';
  }
  return out;
}

const char *MarkKindName(Mark::Kind kind) { return kMarkKinds[kind]; }

std::string ReplayData(const RunRecord &record) {
  const std::vector<size_t> frames = ChosenFrames(record);
  std::string b = "{\"scenario\":";
  AppendJsonString(b, record.scenario);
  b += ",\"stepS\":";
  AppendNumber(b, record.step_s, "null");
  b += ",\"carrier\":" + std::to_string(record.carrier) + ",\"t\":[";
  for (size_t f = 0; f < frames.size(); ++f) {
    if (f > 0) b += ',';
    AppendFixed(b, record.frame_t_s[frames[f]], 3);
  }
  b += "],\"terrain\":";
  AppendTerrainJson(b, record.terrain);
  b += ",\"vessels\":[";
  for (size_t i = 0; i < record.vessels.size(); ++i) {
    if (i > 0) b += ',';
    VesselJson(b, record.vessels[i], frames);
  }
  b += "],\"marks\":[";
  for (size_t i = 0; i < record.marks.size(); ++i) {
    const Mark &m = record.marks[i];
    b += i > 0 ? ",{\"t\":" : "{\"t\":";
    AppendFixed(b, m.t_s, 3);
    b += ",\"kind\":\"";
    b += MarkKindName(m.kind);
    b += "\",\"vessel\":" + std::to_string(m.vessel) + ",\"text\":";
    AppendJsonString(b, m.text);
    b += '}';
  }
  b += "]}";
  return b;
}

// JSON made safe to stand inside a script element: with no '<' in it, no "</script" or
// "<!--" can end the element or change how it is read. '<', '>' and '&' can stand only inside
// JSON strings, where their \u escapes read back as the same characters; AppendJsonString has
// already escaped what else a script could trip on (U+2028, U+2029, control characters).
std::string ScriptJson(const std::string &json) {
  std::string out;
  out.reserve(json.size());
  for (const char c : json) {
    if (c == '<') {
      out += "\\u003c";
    } else if (c == '>') {
      out += "\\u003e";
    } else if (c == '&') {
      out += "\\u0026";
    } else {
      out += c;
    }
  }
  return out;
}

std::string ReplayPage(const RunRecord &record, const std::string &script) {
  const std::string data = ScriptJson(ReplayData(record));
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
         "<title>" +
         HtmlText(Printable("touchdown-sim replay: " + record.scenario)) +
         "</title>\n"
         "</head>\n<body>\n<script type=\"application/json\" id=\"replay-data\">" +
         data + "</script>\n<script>\n" + ScriptSafe(script) + "\n</script>\n</body>\n</html>\n";
}

}  // namespace app
