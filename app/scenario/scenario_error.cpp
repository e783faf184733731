#include "app/scenario/scenario_error.h"

#include "app/base/text_format.h"

namespace app {

namespace {

// Messages quote names, keys and characters from the file itself, and the file's own name. A
// control character among them would break the one error line apart, or play tricks on the
// terminal; it is shown as an escape instead.
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
