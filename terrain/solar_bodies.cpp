#include "terrain/solar_bodies.h"

namespace terrain {

const SolarBody *FindSolarBody(std::string_view name) {
  for (const SolarBody &body : kSolarBodies) {
    if (body.name == name) return &body;
  }
  return nullptr;
}

}  // namespace terrain
