#include "app/base/text_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace app {

namespace {

constexpr char kHex[] = "0123456789abcdef";
// Digits before the point of the largest double written out in full.
constexpr int kMostIntegerDigits = std::numeric_limits<double>::max_exponent10 + 1;
// Room for any double in its shortest form ("-2.2250738585072014e-308" is 24 characters).
constexpr size_t kShortestChars = 32;

// The length of the UTF-8 sequence that starts at text[at], with its code point; 0 when the
// byte there starts none: a stray continuation byte, a sequence cut short, an overlong form,
// a surrogate or a code point beyond U+10FFFF.
size_t Utf8At(std::string_view text, size_t at, char32_t &cp) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  if (lead < 0x80) {
    cp = lead;
    return 1;
  }
  size_t n = 0;
  char32_t least = 0;
  if ((lead & 0xe0) == 0xc0) {
    n = 2, cp = lead & 0x1f, least = 0x80;
  } else if ((lead & 0xf0) == 0xe0) {
    n = 3, cp = lead & 0x0f, least = 0x800;
  } else if ((lead & 0xf8) == 0xf0) {
    n = 4, cp = lead & 0x07, least = 0x10000;
  } else {
    return 0;
  }
  if (text.size() - at < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((byte(at + i) & 0xc0) != 0x80) return 0;
    cp = cp << 6 | (byte(at + i) & 0x3f);
  }
  if (cp < least || cp > 0x10ffff || (cp >= 0xd800 && cp <= 0xdfff)) return 0;
  return n;
}

// C0, DEL and C1: what a terminal may take as a command.
bool IsControl(char32_t cp) { return cp < 0x20 || (cp >= 0x7f && cp <= 0x9f); }

void AppendHexByte(std::string &out, const char *prefix, unsigned value) {
  out += prefix;
  out += kHex[value >> 4 & 0xf];
  out += kHex[value & 0xf];
}

}  // namespace

void AppendNumber(std::string &out, double value, const char *non_finite) {
  if (!std::isfinite(value)) {
    out += non_finite;
    return;
  }
  char text[kShortestChars];
  const auto result = std::to_chars(text, text + sizeof text, value);
  if (result.ec == std::errc()) out.append(text, result.ptr);
}

void AppendInteger(std::string &out, int64_t value) {
  char text[24];
  const auto result = std::to_chars(text, text + sizeof text, value);
  out.append(text, result.ptr);
}

void AppendJsonString(std::string &out, std::string_view text) {
  out += '"';
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    const size_t n = Utf8At(text, i, cp);
    if (n == 0) {
      AppendHexByte(out, "\\u00", static_cast<unsigned char>(text[i]));
      ++i;
      continue;
    }
    if (cp == '"') {
      out += "\\\"";
    } else if (cp == '\\') {
      out += "\\\\";
    } else if (cp == '\n') {
      out += "\\n";
    } else if (cp == '\t') {
      out += "\\t";
    } else if (cp == '\r') {
      out += "\\r";
    } else if (IsControl(cp)) {
      AppendHexByte(out, "\\u00", static_cast<unsigned>(cp));
    } else if (cp == 0x2028 || cp == 0x2029) {
      AppendHexByte(out, "\\u20", static_cast<unsigned>(cp & 0xff));
    } else {
      out.append(text.substr(i, n));
    }
    i += n;
  }
  out += '"';
}

void AppendCsvCell(std::string &out, std::string_view text) {
  const bool formula =
      !text.empty() && std::string_view("=+-@\t\r").find(text[0]) != std::string_view::npos;
  bool quoted = formula;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    quoted = quoted || c == ',' || c == '"' || byte < 0x20 || byte == 0x7f;
  }
  if (!quoted) {
    out += text;
    return;
  }
  out += formula ? "\"'" : "\"";
  for (const char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

std::string Printable(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    char32_t cp = 0;
    size_t n = Utf8At(text, i, cp);
    if (n == 0 || IsControl(cp)) {
      for (const size_t end = i + std::max<size_t>(n, 1); i < end; ++i) {
        AppendHexByte(out, "\\x", static_cast<unsigned char>(text[i]));
      }
      continue;
    }
    out.append(text.substr(i, n));
    i += n;
  }
  return out;
}

void AppendFixedForm(std::string &out, double value, int decimals) {
  constexpr int kStackDecimals = 32;
  decimals = std::max(decimals, 0);
  char stack[kMostIntegerDigits + 3 + kStackDecimals];  // sign, point, and "-nan" fits
  std::string heap;
  char *first = stack, *last = stack + sizeof stack;
  if (decimals > kStackDecimals) {
    heap.resize(static_cast<size_t>(kMostIntegerDigits) + 3 + static_cast<size_t>(decimals));
    first = heap.data(), last = first + heap.size();
  }
  const auto r = std::to_chars(first, last, value, std::chars_format::fixed, decimals);
  if (r.ec == std::errc()) out.append(first, r.ptr);
}

std::string FormatFixed(double value, int decimals) {
  std::string out;
  AppendFixedForm(out, value, decimals);
  return out;
}

void AppendFixed(std::string &out, double value, int decimals) {
  if (!std::isfinite(value)) {
    out += "null";
    return;
  }
  const size_t at = out.size();
  AppendFixedForm(out, value, decimals);
  if (out.find('.', at) != std::string::npos) {
    while (out.back() == '0') out.pop_back();
    if (out.back() == '.') out.pop_back();
  }
  if (out.compare(at, std::string::npos, "-0") == 0) out.erase(at, 1);
}

std::string FormatGeneral(double value, int precision) {
  precision = std::max(precision, 0);
  std::string out(static_cast<size_t>(precision) + 16, '\0');  // sign, point, "e-308"
  const auto r = std::to_chars(out.data(), out.data() + out.size(), value,
                               std::chars_format::general, precision);
  out.resize(r.ec == std::errc() ? static_cast<size_t>(r.ptr - out.data()) : 0);
  return out;
}

std::string Fixed(double value, int decimals, bool plus_sign) {
  if (std::isnan(value)) return "nan";
  std::string out = plus_sign && !std::signbit(value) ? "+" : "";
  AppendFixedForm(out, value, decimals);
  if (std::isfinite(value) && out.find_first_of("123456789") == std::string::npos &&
      (out[0] == '-' || out[0] == '+')) {
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
