// Numbers and strings for the machine-readable outputs. Doubles are written in the
// shortest form that reads back to the same value, so two runs give the same bytes and a
// reader gets every bit; numbers that are not finite are written as null (JSON) or left
// empty (CSV).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host/orbiter_api.h"

namespace app {

void AppendNumber(std::string &out, double value, const char *non_finite);
void AppendInteger(std::string &out, int64_t value);
void AppendJsonString(std::string &out, std::string_view text);

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
