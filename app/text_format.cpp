#include "app/text_format.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace app {

void AppendNumber(std::string &out, double value, const char *non_finite) {
  if (!std::isfinite(value)) {
    out += non_finite;
    return;
  }
  char text[32];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

void AppendInteger(std::string &out, int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

void AppendJsonString(std::string &out, std::string_view text) {
  out += '"';
  for (const char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

std::string Fixed(double value, int decimals, bool plus_sign) {
  char text[64];
  std::snprintf(text, sizeof text, plus_sign ? "%+.*f" : "%.*f", decimals, value);
  std::string out = text;
  if (out.find_first_of("123456789") == std::string::npos && (out[0] == '-' || out[0] == '+')) {
    out.erase(0, 1);  // a value that rounds to zero is neither up nor down
  }
  return out;
}

std::string Counted(long long n, const char *one, const char *many) {
  std::string digits = std::to_string(n < 0 ? -n : n);
  for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(at, " ");
  return (n < 0 ? "-" : "") + digits + " " + (n == 1 ? one : many);
}

void JsonLine::Key(const char *key) {
  if (!first_) out_ += ',';
  first_ = false;
  out_ += '"';
  out_ += key;
  out_ += "\":";
}

JsonLine &JsonLine::Number(const char *key, double value) {
  Key(key);
  AppendNumber(out_, value, "null");
  return *this;
}

JsonLine &JsonLine::Integer(const char *key, int64_t value) {
  Key(key);
  AppendInteger(out_, value);
  return *this;
}

JsonLine &JsonLine::String(const char *key, std::string_view value) {
  Key(key);
  AppendJsonString(out_, value);
  return *this;
}

JsonLine &JsonLine::StringOrNull(const char *key, std::string_view value) {
  if (!value.empty()) return String(key, value);
  Key(key);
  out_ += "null";
  return *this;
}

JsonLine &JsonLine::Bool(const char *key, bool value) {
  Key(key);
  out_ += value ? "true" : "false";
  return *this;
}

JsonLine &JsonLine::Vector(const char *key, const VECTOR3 &v) {
  Key(key);
  out_ += '[';
  AppendNumber(out_, v.x, "null");
  out_ += ',';
  AppendNumber(out_, v.y, "null");
  out_ += ',';
  AppendNumber(out_, v.z, "null");
  out_ += ']';
  return *this;
}

JsonLine &JsonLine::Open(const char *key) {
  Key(key);
  out_ += '{';
  first_ = true;
  return *this;
}

JsonLine &JsonLine::Close() {
  out_ += '}';
  first_ = false;
  return *this;
}

}  // namespace app
