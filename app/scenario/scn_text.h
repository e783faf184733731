// The simulator's own text files, line by line as the simulator reads them: scenario files
// (.scn) and vessel class files (.cfg). Keys are matched without regard to case, lines are
// trimmed of blanks, and numbers are read one after another from the start of a value.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace app {

// Blanks at both ends: spaces, tabs, and the carriage return a Windows-written file keeps.
std::string_view TrimBlanks(std::string_view text);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
bool EqualsNoCase(std::string_view a, std::string_view b);

// The file split into lines, without their line ends.
std::vector<std::string_view> SplitLines(std::string_view text);

// Up to `count` numbers from the start of text, as the simulator's scanning reads them: each
// after optional blanks, stopping at the first that is not one. How many were read.
int ReadNumbers(std::string_view text, double *out, int count);

// A ScenarioError naming the text when it is longer than kMaxScenarioBytes.
void RefuseIfTooLarge(const std::string &text, const std::string &display_name);

// The whole of a file up to kMaxScenarioBytes, or a ScenarioError naming it: a folder ("is a
// folder, not a <kind>"), the system's reason it cannot be read, or too large.
std::string ReadTextFile(const std::string &path, const std::string &kind = "file");

}  // namespace app
