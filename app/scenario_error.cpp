#include "app/scenario_error.h"

namespace app {

namespace {

// Messages quote names, keys and characters from the file itself. A control character among
// them would break the one error line apart, or play tricks on the terminal; it is shown as
// an escape instead.
std::string Printable(const std::string &text) {
  static const char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(text.size());
  for (const char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      out += c;
    } else {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xf];
    }
  }
  return out;
}

std::string Describe(const std::string &file, int line, const std::string &field,
                     const std::string &message) {
  std::string text = file;
  if (line > 0) text += ":" + std::to_string(line);
  text += ": ";
  if (!field.empty()) text += field + ": ";
  return Printable(text + message);
}

}  // namespace

ScenarioError::ScenarioError(const std::string &file, int line, const std::string &field,
                             const std::string &message)
    : std::runtime_error(Describe(file, line, field, message)) {}

}  // namespace app
