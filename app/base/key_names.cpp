#include "app/base/key_names.h"

#include <cctype>
#include <cstdio>

namespace app {

namespace {

struct NamedKey {
  const char *name;
  int vk;
};

// The first name of a code is the one the outputs use.
constexpr NamedKey kNamedKeys[] = {
    {"Backspace", 0x08}, {"Tab", 0x09},     {"Enter", 0x0D},   {"Return", 0x0D},
    {"Shift", 0x10},     {"Control", 0x11}, {"Alt", 0x12},     {"Escape", 0x1B},
    {"Space", 0x20},     {"PageUp", 0x21},  {"Prior", 0x21},   {"PageDown", 0x22},
    {"Next", 0x22},      {"End", 0x23},     {"Home", 0x24},    {"Left", 0x25},
    {"Up", 0x26},        {"Right", 0x27},   {"Down", 0x28},    {"Insert", 0x2D},
    {"Delete", 0x2E},    {"Numpad0", 0x60}, {"Numpad1", 0x61}, {"Numpad2", 0x62},
    {"Numpad3", 0x63},   {"Numpad4", 0x64}, {"Numpad5", 0x65}, {"Numpad6", 0x66},
    {"Numpad7", 0x67},   {"Numpad8", 0x68}, {"Numpad9", 0x69}, {"F1", 0x70},
    {"F2", 0x71},        {"F3", 0x72},      {"F4", 0x73},      {"F5", 0x74},
    {"F6", 0x75},        {"F7", 0x76},      {"F8", 0x77},      {"F9", 0x78},
    {"F10", 0x79},       {"F11", 0x7A},     {"F12", 0x7B},     {"Semicolon", 0xBA},
    {"Plus", 0xBB},      {"Comma", 0xBC},   {"Minus", 0xBD},   {"Period", 0xBE},
    {".", 0xBE},         {"Slash", 0xBF},
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) !=
        std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::optional<int> KeyCodeByName(std::string_view name) {
  if (name.size() == 1) {
    const unsigned char c = static_cast<unsigned char>(name[0]);
    // Letter and digit keys have their upper-case character as their code.
    if (std::isalpha(c)) return std::toupper(c);
    if (std::isdigit(c)) return c;
  }
  for (const NamedKey &key : kNamedKeys) {
    if (EqualsIgnoringCase(name, key.name)) return key.vk;
  }
  return std::nullopt;
}

std::string KeyName(int vk) {
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, char(vk));
  for (const NamedKey &key : kNamedKeys) {
    if (key.vk == vk) return key.name;
  }
  char text[16];
  std::snprintf(text, sizeof text, "VK_0x%02X", static_cast<unsigned>(vk) & 0xFFu);
  return text;
}

std::string KnownKeyNames() {
  std::string names = "A-Z, 0-9";
  for (const NamedKey &key : kNamedKeys) {
    names += ", ";
    names += key.name;
  }
  return names;
}

}  // namespace app
