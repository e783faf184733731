// Nothing from a name is ever code: hostile vessel, class, body and file names go through
// every output, and each output is read back by the program that would interpret it (a JSON
// parser, a CSV reader, a browser's HTML tokenizer, gnuplot, the terminal). The scenario
// reader refuses what is too large to read (what cannot be a name is its unit tests').
#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "support/e2e_harness.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

using Names = E2E;

// A TOML basic string holding exactly text: JSON's escapes are TOML's, and no name here holds
// the DEL that TOML would want escaped too.
std::string Toml(const std::string &text) { return Json(text).dump(); }

// The records of a CSV text as RFC 4180 reads them: quoted cells may hold commas, quotes
// (doubled) and line breaks.
std::vector<std::vector<std::string>> ReadCsv(const std::string &text) {
  std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
  bool quoted = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    std::string &cell = rows.back().back();
    if (quoted) {
      if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
        cell += '"', ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      rows.back().emplace_back();
    } else if (c == '\n') {
      rows.emplace_back(1);
    } else {
      cell += c;
    }
  }
  if (rows.back().size() == 1 && rows.back().front().empty()) rows.pop_back();
  return rows;
}

// What a terminal would take as a command: C0 but the line feed, DEL, and C1 (in UTF-8).
bool HasTerminalControl(const std::string &text) {
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool c1 = byte == 0xc2 && i + 1 < text.size() &&
                    (static_cast<unsigned char>(text[i + 1]) & 0xe0) == 0x80;
    if ((byte < 0x20 && byte != '\n') || byte == 0x7f || c1) return true;
  }
  return false;
}

// One line for the terminal: a single line end, at the end, and no other control character.
void ExpectOneCleanLine(const std::string &text) {
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.find('\n'), text.size() - 1) << text;
  EXPECT_FALSE(HasTerminalControl(text)) << text;
}

// A name as the terminal is shown it: each byte of a control character, and bytes that are
// never UTF-8, as \xNN.
std::string Shown(const std::string &text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    const bool c1 = byte == 0xc2 && i + 1 < text.size() &&
                    (static_cast<unsigned char>(text[i + 1]) & 0xe0) == 0x80;
    const size_t n = c1 ? 2 : (byte < 0x20 || byte == 0x7f || byte >= 0xf8) ? 1 : 0;
    if (n == 0) out += text[i];
    for (size_t k = 0; k < n; ++k) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", static_cast<unsigned char>(text[i + k]));
      out += hex;
    }
    if (n > 0) i += n - 1;
  }
  return out;
}

struct Hostile {
  const char *label;
  std::string name;               // the lander's; the carrier is "K" + name, the body "B" + name
  std::string file;               // the scenario's file name, before ".toml"; empty: the name
  std::string file_as_json = "";  // how JSON reads the file name back; empty: as it is
};

const Hostile kHostile[] = {
    {"newline", "lander\nsystem('touch PWNED')\n#", ""},
    {"quotes", "it's a \"quote\"", ""},
    {"backslash at the end", "trail\\", "backslash"},
    {"shell", "$(touch PWNED)`touch PWNED`;touch PWNED", ""},
    {"escape sequences", "\x1b]0;title\x07\x1b[2J", ""},
    {"C1 control", "\302\2332J", ""},
    {"script end", "</script><!--<script>", ""},
    {"line separators", "a\342\200\250b\342\200\251c", ""},
    {"leading =", "=cmd|' /C calc'!A0", ""},
    {"leading +", "+1,2", ""},
    {"leading -", "-2+3", ""},
    {"leading @", "@SUM(A1)", ""},
    {"not UTF-8", "plain", "bad\xff\xfe", "bad\xc3\xbf\xc3\xbe"},
};

std::string Scenario(const std::string &name) {
  const std::string n = Toml(name), body = Toml("B" + name);
  return "[simulation]\nduration_s = 1.5\n[[body]]\nname = " + body +
         "\nradius_m = 1737400.0\nmass_kg = 7.342e22\n[[vessel]]\nname = " + Toml("K" + name) +
         "\nclass = \"DynamicPlanet\"\nbody = " + body +
         "\naltitude_m = 0.0\nfixed_to_body = true\n[[vessel]]\nname = " + n +
         "\nclass = " + Toml("C" + name) +
         "\nheight_over_terrain_m = 0.3\n[[event]]\nt_s = 0.5\nfocus = " + n + "\n";
}

void CheckAccount(const Hostile &h, const std::string &path, const std::string &out) {
  EXPECT_FALSE(HasTerminalControl(out)) << out;
  EXPECT_EQ(out.rfind("touchdown-sim: " + Shown(path) + ": ", 0), 0u) << out;
  EXPECT_NE(out.find("\n" + Shown(h.name) + " (class " + Shown("C" + h.name) + ")\n"),
            std::string::npos)
      << out;
}

void CheckEventLog(const Hostile &h, const std::string &text) {
  EXPECT_FALSE(HasTerminalControl(text));
  std::istringstream lines(text);
  std::set<std::string> vessels;
  int focus = 0;
  for (std::string line; std::getline(lines, line);) {
    Json record;
    ASSERT_NO_THROW(record = Json::parse(line)) << line;
    if (record["kind"] == "Vessel") vessels.insert(record["vessel"].get<std::string>());
    if (record["kind"] == "Vessel" && record["vessel"] == h.name) {
      EXPECT_EQ(record["class"], "C" + h.name);
      EXPECT_EQ(record["body"], "B" + h.name);
    }
    if (record["kind"] == "Focus") focus += record["vessel"] == h.name;
  }
  EXPECT_EQ(vessels, (std::set<std::string>{h.name, "K" + h.name}));
  EXPECT_EQ(focus, 1);
}

void CheckTrace(const Hostile &h, const std::string &text) {
  const auto rows = ReadCsv(text);
  ASSERT_GT(rows.size(), 2u);
  const bool formula = std::string("=+-@").find(h.name.front()) != std::string::npos;
  const std::string cell = formula ? "'" + h.name : h.name;
  size_t lander = 0, anchored = 0;
  for (size_t i = 1; i < rows.size(); ++i) {
    ASSERT_EQ(rows[i].size(), 15u) << i;
    EXPECT_TRUE(rows[i][2] == cell || rows[i][2] == "K" + h.name) << rows[i][2];
    if (rows[i][2] != cell) continue;
    ++lander;
    anchored += rows[i][3] == "K" + h.name;
    EXPECT_NO_THROW(std::stod(rows[i][4]));  // numbers are cells of their own
  }
  EXPECT_GT(lander, 0u);
  EXPECT_GT(anchored, 0u) << "the lander was never anchored: no parent cell was tried";
}

void CheckReplay(const Hostile &h, const std::string &file_as_json, const std::string &page) {
  // An HTML tokenizer ends a script element at the first "</script", in any case.
  std::string lower = page;
  for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(Count(lower, "<script"), 2u);
  EXPECT_EQ(Count(lower, "</script"), 2u);
  const std::string open = "<script type=\"application/json\" id=\"replay-data\">";
  const size_t from = page.find(open), to = page.find("</script>", from);
  ASSERT_NE(from, std::string::npos);
  const std::string data = page.substr(from + open.size(), to - from - open.size());
  EXPECT_EQ(data.find_first_of("<>&"), std::string::npos);
  EXPECT_EQ(data.find("\xe2\x80\xa8"), std::string::npos);
  EXPECT_EQ(data.find("\xe2\x80\xa9"), std::string::npos);
  Json run;
  ASSERT_NO_THROW(run = Json::parse(data));
  EXPECT_EQ(run["scenario"], file_as_json);
  std::set<std::string> names;
  for (const Json &v : run["vessels"]) names.insert(v["name"].get<std::string>());
  EXPECT_EQ(names, (std::set<std::string>{h.name, "K" + h.name}));
}

// Draws the figures again as the script's first line says, and looks for what a command in a
// name would have made.
void CheckPlots(const fs::path &dir, const fs::path &root) {
  ASSERT_TRUE(fs::exists(dir / "plots.gp"));
  const std::string again =
      "cd '" + dir.string() + "' && gnuplot plots.gp > gnuplot-again.log 2>&1";
  EXPECT_EQ(std::system(again.c_str()), 0) << Slurp(dir / "gnuplot-again.log");
  for (const auto &entry : fs::recursive_directory_iterator(root)) {
    EXPECT_NE(entry.path().filename(), "PWNED") << entry.path();
    const std::string ext = entry.path().extension().string();
    if (ext == ".svg") {
      // Valid XML holds no control characters but tab and line ends.
      const std::string svg = Slurp(entry.path());
      EXPECT_TRUE(std::all_of(svg.begin(), svg.end(), [](char c) {
        return static_cast<unsigned char>(c) >= 0x20 || c == '\n' || c == '\r' || c == '\t';
      })) << entry.path();
    }
    if (ext == ".dat") {
      std::istringstream lines(Slurp(entry.path()));
      for (std::string line; std::getline(lines, line);) {
        EXPECT_TRUE(line.empty() || line[0] == '#' || line[0] == '-' || line[0] == 'N' ||
                    std::isdigit(static_cast<unsigned char>(line[0])))
            << entry.path() << ": " << line;
      }
    }
  }
}

TEST_F(Names, AHostileNameOrPathIsDataInEveryOutput) {
  const bool gnuplot = Installed("gnuplot --version");
  const bool page = fs::exists(fs::path(TD_SIM_PROGRAM).parent_path() / "replay" / "replay.js");
  if (!gnuplot) std::cerr << "gnuplot is not installed: the plots are not tried\n";
  if (!page) std::cerr << "the replay page's script is not built: the page is not tried\n";
  int row = 0;
  for (const Hostile &h : kHostile) {
    SCOPED_TRACE(h.label);
    const fs::path dir = work_dir / std::to_string(row++);
    fs::create_directories(dir);
    std::string file = (h.file.empty() ? h.name : h.file) + ".toml";
    for (char &c : file) c = c == '/' ? '_' : c;
    std::ofstream(dir / file, std::ios::binary) << Scenario(h.name);
    std::vector<std::string> args{file, "--events", "events.jsonl", "--trace", "trace.csv"};
    if (page) args.insert(args.end(), {"--replay", "replay.html"});
    if (gnuplot) args.insert(args.end(), {"--plot", "plots"});
    const Ran run = RunIn(dir, args);
    ASSERT_EQ(run.status, 0) << run.err;
    CheckAccount(h, file, run.out);
    CheckEventLog(h, Slurp(dir / "events.jsonl"));
    CheckTrace(h, Slurp(dir / "trace.csv"));
    if (page) {
      CheckReplay(h, h.file_as_json.empty() ? file : h.file_as_json + ".toml",
                  Slurp(dir / "replay.html"));
    }
    if (gnuplot) CheckPlots(dir / "plots", dir);
    // The lines that name the file for people: the check's verdict and an error about it.
    const Ran check = RunIn(dir, {file, "--check"});
    ASSERT_EQ(check.status, 0) << check.err;
    ExpectOneCleanLine(check.out);
    const Ran refused = RunIn(dir, {file, "--events", file + "/events.jsonl"});
    EXPECT_NE(refused.status, 0);
    ExpectOneCleanLine(refused.err);
  }
}

// Refused before anything runs: exit 2, one line naming the file, no output written, and
// quickly, however large the input.
TEST_F(Names, WhatIsTooLargeIsRefusedInOneLine) {
  const std::string body = "[[body]]\nname = \"Moon\"\nradius_m = 1737400.0\n";
  const struct {
    const char *label;
    std::string text;  // the file's text, or with path set, nothing written
    std::string path;
    std::string says;
  } refusals[] = {
      // NOLINTNEXTLINE(bugprone-string-constructor): far above any name's size on purpose
      {"a 50 MB name", body + "[[vessel]]\nname = \"" + std::string(50'000'000, 'n') + "\"\n", "",
       "f.toml: is larger than 16 MiB"},
      {"a device without end", "", "/dev/zero", "/dev/zero: is larger than 16 MiB"},
  };
  for (const auto &r : refusals) {
    SCOPED_TRACE(r.label);
    const std::string path = r.path.empty() ? Write("f.toml", r.text) : r.path;
    const Ran run = RunIn(work_dir, {path, "--events", "events.jsonl"});
    EXPECT_EQ(run.status, 2) << run.err;
    ExpectOneCleanLine(run.err);
    EXPECT_NE(run.err.find(r.says), std::string::npos) << run.err.substr(0, 300);
    EXPECT_LT(run.seconds, 5.0);
    EXPECT_FALSE(fs::exists(work_dir / "events.jsonl"));
  }
}

// On a terminal narrower than the progress line, the line is cut to fit: a line that wrapped
// would leave its first half on the screen at every redraw.
TEST_F(Names, TheProgressLineFitsANarrowTerminal) {
  if (!Installed("script --version")) GTEST_SKIP() << "script (util-linux) is not installed";
  const std::string scenario =
      Write("long.toml", std::string("[simulation]\nsteps = 20000000\n") + kMoonAndGround);
  const std::string command = "script -qec \"stty cols 40 rows 10; timeout -s INT 2 '" +
                              std::string(TD_SIM_PROGRAM) + "' '" + scenario +
                              "' > /dev/null\" /dev/null > '" + (work_dir / "tty.txt").string() +
                              "' 2>&1";
  const int status = std::system(command.c_str());
  (void)status;  // stopped by the interrupt: 130
  const std::string tty = Slurp(work_dir / "tty.txt");
  ASSERT_NE(tty.find(" simulated"), std::string::npos) << tty;
  size_t column = 0;
  for (const char c : tty) {
    column = c == '\r' || c == '\n' ? 0 : column + 1;
    ASSERT_LT(column, 40u) << tty;
  }
}

}  // namespace
}  // namespace e2e
