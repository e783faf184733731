#include "app/scenario/scn_text.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "app/scenario/scenario_error.h"
#include "app/scenario/scenario_parse.h"

namespace app {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

}  // namespace

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsNoCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::vector<std::string_view> SplitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

int ReadNumbers(std::string_view text, double *out, int count) {
  // strtod needs a terminated string; a value is one line, short against the file's limit.
  const std::string copy(text);
  const char *at = copy.c_str();
  for (int i = 0; i < count; ++i) {
    char *end = nullptr;
    const double value = std::strtod(at, &end);
    if (end == at) return i;
    out[i] = value;
    at = end;
  }
  return count;
}

void RefuseIfTooLarge(const std::string &text, const std::string &display_name) {
  if (text.size() > kMaxScenarioBytes) {
    throw ScenarioError(display_name, 0, "",
                        "is larger than " + std::to_string(kMaxScenarioBytes >> 20) +
                            " MiB, the largest file read");
  }
}

std::string ReadTextFile(const std::string &path, const std::string &kind) {
  std::error_code error;
  if (std::filesystem::is_directory(path, error)) {
    throw ScenarioError(path, 0, "", "is a folder, not a " + kind);
  }
  // The system's own reason: no such file, permission denied, ...
  std::FILE *file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) throw ScenarioError(path, 0, "", std::strerror(errno));
  // One byte past the limit tells a file too large, and ends reading a device without end
  // (/dev/zero) as soon as it is known to be too large.
  std::string text;
  char chunk[1 << 16];
  size_t got;
  while (text.size() <= kMaxScenarioBytes && (got = std::fread(chunk, 1, sizeof chunk, file)) > 0) {
    text.append(chunk, got);
  }
  const int reason = std::ferror(file) ? errno : 0;
  std::fclose(file);
  if (reason != 0) throw ScenarioError(path, 0, "", std::strerror(reason));
  RefuseIfTooLarge(text, path);
  return text;
}

}  // namespace app
