#include "app/scenario/toml_fields.h"

#include <cmath>

#include "app/base/text_format.h"

namespace app {

namespace {

std::string Number17(double value) { return FormatGeneral(value, 17); }
std::string Number6(double value) { return FormatGeneral(value, 6); }

// Numbers of either TOML kind; a value that is neither gives none.
std::optional<double> AsDouble(const toml::node &node) {
  if (const auto *i = node.as_integer()) return static_cast<double>(i->get());
  if (const auto *f = node.as_floating_point()) return f->get();
  return std::nullopt;
}

}  // namespace

const char *TypeName(const toml::node &node) {
  switch (node.type()) {
    case toml::node_type::table:
      return "a table";
    case toml::node_type::array:
      return "an array";
    case toml::node_type::string:
      return "a string";
    case toml::node_type::integer:
      return "an integer";
    case toml::node_type::floating_point:
      return "a floating-point number";
    case toml::node_type::boolean:
      return "a boolean";
    case toml::node_type::date:
    case toml::node_type::time:
    case toml::node_type::date_time:
      return "a date or time";
    default:
      return "nothing";
  }
}

Fields::Fields(const toml::table &table, std::string file, std::string path)
    : table_(table), file_(std::move(file)), path_(std::move(path)) {}

void Fields::AllowOnly(std::initializer_list<const char *> allowed) const {
  for (auto &&[key, node] : table_) {
    bool known = false;
    for (const char *name : allowed) known = known || key.str() == name;
    if (known) continue;
    std::string list;
    for (const char *name : allowed) list += (list.empty() ? "" : ", ") + std::string(name);
    const int line = static_cast<int>(key.source().begin.line);
    throw ScenarioError(file_, line > 0 ? line : TableLine(),
                        FieldPath(std::string(key.str()).c_str()),
                        "unknown field (known here: " + list + ")");
  }
}

bool Fields::Has(const char *key) const { return Node(key) != nullptr; }

bool Fields::IsInteger(const char *key) const {
  const toml::node *node = Node(key);
  return node != nullptr && node->is_integer();
}

const toml::node *Fields::Node(const char *key) const { return table_.get(key); }

int Fields::TableLine() const { return static_cast<int>(table_.source().begin.line); }

int Fields::Line(const char *key) const {
  const toml::node *node = Node(key);
  const int line = node != nullptr ? static_cast<int>(node->source().begin.line) : 0;
  return line > 0 ? line : TableLine();
}

std::string Fields::FieldPath(const char *key) const {
  return path_.empty() ? std::string(key) : path_ + "." + key;
}

SourceRef Fields::Ref(const char *key) const { return {Line(key), FieldPath(key)}; }

void Fields::Fail(const char *key, const std::string &message) const {
  throw ScenarioError(file_, Line(key), FieldPath(key), message);
}

void Fields::FailTable(const std::string &message) const {
  throw ScenarioError(file_, TableLine(), path_, message);
}

void Fields::WrongType(const char *key, const char *wanted) const {
  Fail(key, std::string("must be ") + wanted + ", not " + TypeName(*Node(key)));
}

std::optional<double> Fields::Number(const char *key) const {
  const toml::node *node = Node(key);
  if (node == nullptr) return std::nullopt;
  const std::optional<double> value = AsDouble(*node);
  if (!value) WrongType(key, "a number");
  if (!std::isfinite(*value)) Fail(key, "must be a finite number, not " + Number17(*value));
  return value;
}

std::optional<long long> Fields::Integer(const char *key) const {
  const toml::node *node = Node(key);
  if (node == nullptr) return std::nullopt;
  const auto *i = node->as_integer();
  if (i == nullptr) WrongType(key, "an integer");
  return static_cast<long long>(i->get());
}

std::optional<std::string> Fields::String(const char *key) const {
  const toml::node *node = Node(key);
  if (node == nullptr) return std::nullopt;
  const auto *s = node->as_string();
  if (s == nullptr) WrongType(key, "a string");
  // Every name is a string here. A NUL would cut it short wherever it is handed on as C
  // text, making two names one; a name of megabytes would be copied into every output.
  const std::string &text = s->get();
  if (text.find('\0') != std::string::npos) Fail(key, "must not hold a NUL character (\\u0000)");
  if (text.size() > kMaxStringBytes) {
    Fail(key, "is " + std::to_string(text.size()) + " bytes long; at most " +
                  std::to_string(kMaxStringBytes) + " bytes");
  }
  return text;
}

std::optional<bool> Fields::Bool(const char *key) const {
  const toml::node *node = Node(key);
  if (node == nullptr) return std::nullopt;
  const auto *b = node->as_boolean();
  if (b == nullptr) WrongType(key, "true or false");
  return b->get();
}

std::optional<Vec3> Fields::Vector(const char *key) const {
  const toml::node *node = Node(key);
  if (node == nullptr) return std::nullopt;
  const auto *array = node->as_array();
  if (array == nullptr) WrongType(key, "an array of three numbers");
  if (array->size() != 3) {
    Fail(key,
         "must be an array of three numbers, not of " + std::to_string(array->size()) + " values");
  }
  Vec3 v{};
  for (size_t i = 0; i < 3; ++i) {
    const std::optional<double> value = AsDouble(*array->get(i));
    if (!value) {
      Fail(key, "must be an array of three numbers; value " + std::to_string(i + 1) + " is " +
                    TypeName(*array->get(i)));
    }
    if (!std::isfinite(*value)) Fail(key, "must hold finite numbers only");
    v[i] = *value;
  }
  return v;
}

const toml::table *Fields::Table(const char *key) const {
  const toml::node *node = Node(key);
  if (node == nullptr) return nullptr;
  const auto *table = node->as_table();
  if (table == nullptr) WrongType(key, "a table");
  return table;
}

const toml::array *Fields::Array(const char *key) const {
  const toml::node *node = Node(key);
  if (node == nullptr) return nullptr;
  const auto *array = node->as_array();
  if (array == nullptr) WrongType(key, "an array");
  return array;
}

double Fields::RequiredNumber(const char *key) const {
  const std::optional<double> value = Number(key);
  if (!value) FailTable(std::string("missing required field ") + key);
  return *value;
}

std::string Fields::RequiredString(const char *key) const {
  const std::optional<std::string> value = String(key);
  if (!value) FailTable(std::string("missing required field ") + key);
  return *value;
}

double Fields::Positive(const char *key, double value) const {
  if (!(value > 0.0)) Fail(key, "must be greater than 0, not " + Number17(value));
  return value;
}

double Fields::Within(const char *key, double value, const Range &range, const char *unit) const {
  if (!(value >= range.lo && value <= range.hi)) {
    Fail(key, "must be between " + Number6(range.lo) + " and " + Number6(range.hi) + " " + unit +
                  ", not " + Number17(value));
  }
  return value;
}

Vec3 Fields::LengthAtMost(const char *key, const Vec3 &v, double max, const char *unit) const {
  const double length = std::hypot(v[0], v[1], v[2]);  // no overflow for huge components
  if (!(length <= max)) {
    Fail(key, "must be at most " + Number6(max) + " " + unit + " long, not " + Number17(length));
  }
  return v;
}

double Fields::NonNegative(const char *key, double value) const {
  if (!(value >= 0.0)) Fail(key, "must not be negative, not " + Number17(value));
  return value;
}

}  // namespace app
