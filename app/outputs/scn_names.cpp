#include "app/outputs/scn_names.h"

#include <variant>

#include "app/base/usage_error.h"

namespace app {

namespace {

// The simulator reads scenario lines into 256 bytes, and prints "class (name)" into as many
// while it loads a vessel.
constexpr size_t kMaxHeaderBytes = 250;

// What no name may hold anywhere in the file.
std::string CommonProblem(std::string_view name) {
  if (name.empty()) return "it is empty";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7f) return "it holds a control character";
    if (c == ';') return "it holds a ';', where the simulator's comments begin";
  }
  if (name.front() == ' ' || name.back() == ' ') return "it begins or ends with a space";
  return "";
}

}  // namespace

std::string ScnVesselNameProblem(std::string_view name,
                                 const std::optional<std::string> &class_name) {
  if (std::string why = CommonProblem(name); !why.empty()) return why;
  if (name.find(' ') != std::string_view::npos) {
    return "it holds a space, and the simulator names attached vessels by a single word";
  }
  if (name.find(':') != std::string_view::npos) {
    return "it holds a ':', where the simulator's vessel line ends the name and begins the class";
  }
  const bool own_class = class_name && *class_name != name;
  if (own_class) {
    if (std::string why = CommonProblem(*class_name); !why.empty()) return "its class: " + why;
  }
  if (name.size() + (own_class ? class_name->size() : 0) > kMaxHeaderBytes) {
    return "it is longer than the simulator reads";
  }
  return "";
}

std::string ScnBodyNameProblem(std::string_view name) { return CommonProblem(name); }

void CheckScnNames(const Scenario &scenario) {
  const auto refuse = [&](const char *what, const std::string &name, const std::string &why) {
    throw UsageError("--save-scn: the " + std::string(what) + " \"" + name + "\" of " +
                     scenario.file + " cannot be written in a scenario of the simulator: " + why);
  };
  for (const BodyDef &body : scenario.bodies) {
    if (std::string why = ScnBodyNameProblem(body.name); !why.empty()) {
      refuse("body", body.name, why);
    }
  }
  const auto check = [&](const VesselDef &v) {
    if (std::string why = ScnVesselNameProblem(v.name, v.class_name); !why.empty()) {
      refuse("vessel", v.name, why);
    }
  };
  for (const VesselDef &vessel : scenario.vessels) check(vessel);
  for (const TimedEvent &event : scenario.events) {
    if (const auto *create = std::get_if<CreateAction>(&event.action)) check(create->vessel);
  }
}

}  // namespace app
