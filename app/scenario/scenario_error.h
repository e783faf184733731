// The one error a scenario can end in: which file, which line, which field, and what is
// wrong with it. Thrown by the parser and the world builder, turned into the program's single
// error line and exit status 2 by main.
#pragma once

#include <stdexcept>
#include <string>

namespace app {

class ScenarioError : public std::runtime_error {
 public:
  // field may be empty (a syntax error names no field); line 0 means no line is known.
  ScenarioError(const std::string &file, int line, const std::string &field,
                const std::string &message);
};

}  // namespace app
