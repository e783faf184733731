// Keys by name, as scenario files write them, and their Windows virtual-key codes.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace app {

// The code of a key name ("W", "PageDown", "Period", "F1" ...), case ignored; none when the
// name is unknown.
std::optional<int> KeyCodeByName(std::string_view name);

// The name a code is written with in the outputs: the table's name, or "VK_0x.." for codes
// without one.
std::string KeyName(int vk);

// Names accepted besides letters and digits, for help texts and error messages.
std::string KnownKeyNames();

}  // namespace app
