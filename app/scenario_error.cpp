#include "app/scenario_error.h"

namespace app {

namespace {

std::string Describe(const std::string &file, int line, const std::string &field,
                     const std::string &message) {
  std::string text = file;
  if (line > 0) text += ":" + std::to_string(line);
  text += ": ";
  if (!field.empty()) text += field + ": ";
  return text + message;
}

}  // namespace

ScenarioError::ScenarioError(const std::string &file, int line, const std::string &field,
                             const std::string &message)
    : std::runtime_error(Describe(file, line, field, message)) {}

}  // namespace app
