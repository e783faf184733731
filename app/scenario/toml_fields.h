// Reading one TOML table of a scenario with checked types and domains. Every failure is a
// ScenarioError naming the file, the line of the offending value (or of the table when a
// field is missing) and the field's dotted path.
#pragma once

#include <toml++/toml.h>

#include <initializer_list>
#include <optional>
#include <string>

#include "app/scenario/scenario.h"
#include "app/scenario/scenario_error.h"

namespace app {

// The longest string a scenario may give: a name, a key's name, a relief.
inline constexpr size_t kMaxStringBytes = 1024;

class Fields {
 public:
  // path: the table's dotted name in messages ("terrain", "vessel[2]").
  Fields(const toml::table &table, std::string file, std::string path);

  // Fails on the first key that is not among the allowed ones.
  void AllowOnly(std::initializer_list<const char *> allowed) const;
  bool Has(const char *key) const;
  bool IsInteger(const char *key) const;

  std::optional<double> Number(const char *key) const;
  std::optional<long long> Integer(const char *key) const;
  // Refuses a string with a NUL or longer than kMaxStringBytes.
  std::optional<std::string> String(const char *key) const;
  std::optional<bool> Bool(const char *key) const;
  std::optional<Vec3> Vector(const char *key) const;  // an array of three numbers
  const toml::table *Table(const char *key) const;
  const toml::array *Array(const char *key) const;

  double RequiredNumber(const char *key) const;
  std::string RequiredString(const char *key) const;

  // Domain checks that name the field.
  double Positive(const char *key, double value) const;     // > 0
  double NonNegative(const char *key, double value) const;  // >= 0
  // Within a range of what can exist; unit for the message ("m", "kg", "deg", ...).
  double Within(const char *key, double value, const Range &range, const char *unit) const;
  // A vector no longer than max (a speed below light's, a place within the solar system).
  Vec3 LengthAtMost(const char *key, const Vec3 &v, double max, const char *unit) const;

  int Line(const char *key) const;  // the value's line, or the table's when absent
  int TableLine() const;
  std::string FieldPath(const char *key) const;
  SourceRef Ref(const char *key) const;
  [[noreturn]] void Fail(const char *key, const std::string &message) const;
  [[noreturn]] void FailTable(const std::string &message) const;

  const std::string &File() const { return file_; }
  const std::string &Path() const { return path_; }

 private:
  const toml::node *Node(const char *key) const;
  [[noreturn]] void WrongType(const char *key, const char *wanted) const;

  const toml::table &table_;
  std::string file_;
  std::string path_;
};

// "a string", "an integer", ... for messages.
const char *TypeName(const toml::node &node);

}  // namespace app
