// Numbers and strings for the machine-readable outputs and the terminal. Doubles are written
// in the shortest form that reads back to the same value, so two runs give the same bytes
// and a reader gets every bit; numbers that are not finite are written as null (JSON) or left
// empty (CSV). Names come from the scenario and paths from the command line: each format
// takes them through its one function here, so that no name can end a string, a cell or a
// line, or act on the terminal (docs/outputs.md, "Names in the outputs").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/orbiter_api.h"

namespace app {

void AppendNumber(std::string &out, double value, const char *non_finite);
void AppendInteger(std::string &out, int64_t value);
// A JSON string literal. Control characters, U+2028 and U+2029 are escaped, so the text is
// also a JavaScript literal; a byte that is not part of valid UTF-8 is written as \u00XX of
// its value (reading back as the Latin-1 character of that byte).
void AppendJsonString(std::string &out, std::string_view text);
// A CSV cell: quoted when it holds a comma, a quote, a line break or any other control
// character; a cell that begins with =, +, -, @, a tab or a carriage return is written with
// a leading apostrophe and quoted, so that a spreadsheet shows it rather than runs it.
void AppendCsvCell(std::string &out, std::string_view text);
// Text for a terminal or a one-line message: control characters (C0, DEL and C1) and bytes
// that are not UTF-8 shown as \xNN, each byte of them; everything else as it is.
std::string Printable(std::string_view text);

// printf's "%.*f" and "%.*g" without a buffer that a large number could overrun (1e300 has
// 301 digits before the point).
void AppendFixedForm(std::string &out, double value, int decimals);
std::string FormatFixed(double value, int decimals);
// Six significant digits by default, as printf's "%g" has them.
std::string FormatGeneral(double value, int precision = 6);
// For JSON read by the pages: at most `decimals` places and no trailing zeros ("1.5", "-3",
// "0"), null when not finite.
void AppendFixed(std::string &out, double value, int decimals);
// For people: a number with a fixed count of decimals that never reads "-0.000" (a value
// that rounds to zero has no sign); with plus_sign, positive numbers get a "+".
std::string Fixed(double value, int decimals, bool plus_sign = false);
// "1 step", "2 steps"; counts of four digits and more grouped by thousands ("1 500").
std::string Counted(long long n, const char *one, const char *many);

// A JSON object on one line, built field by field.
class JsonLine {
 public:
  explicit JsonLine(std::string &buffer) : out_(buffer) { out_ += '{'; }
  JsonLine &Number(const char *key, double value);
  JsonLine &Integer(const char *key, int64_t value);
  JsonLine &String(const char *key, std::string_view value);
  JsonLine &StringOrNull(const char *key, std::string_view value);  // "" gives null
  JsonLine &Bool(const char *key, bool value);
  JsonLine &Vector(const char *key, const VECTOR3 &v);
  // Opens a nested object under key; Close() ends it.
  JsonLine &Open(const char *key);
  JsonLine &Close();
  void End() { out_ += "}\n"; }

 private:
  void Key(const char *key);
  std::string &out_;
  bool first_ = true;
};

}  // namespace app
