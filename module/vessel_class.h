// Vessel classes the module recognises, by their class name. Exact byte comparisons except
// for cars, which are recognised by a prefix. Callers handle a vessel without a class name
// (null) themselves: it is none of these.
#pragma once

#include <cstring>

namespace td {

inline constexpr const char kCarrierClass[] = "DynamicPlanet";
inline constexpr const char kJetpackClass[] = "UMmuturbopack";
inline constexpr const char kWalkerClass[] = "UMmu";
inline constexpr const char kCarClassPrefix[] = "UCGO\\Cars";
inline constexpr std::size_t kCarClassPrefixLength = 9;

// Every vessel's class name is tested in every step; a first byte that differs settles most
// names without a call. What decides is still the plain byte comparison.
inline bool ClassIs(const char *name, const char *class_name) {
  return name[0] == class_name[0] && std::strcmp(name, class_name) == 0;
}

inline bool IsCarrierClass(const char *name) { return ClassIs(name, kCarrierClass); }
inline bool IsJetpackClass(const char *name) { return ClassIs(name, kJetpackClass); }
inline bool IsWalkerClass(const char *name) { return ClassIs(name, kWalkerClass); }
inline bool IsCarClass(const char *name) {
  return name[0] == kCarClassPrefix[0] &&
         std::strncmp(name, kCarClassPrefix, kCarClassPrefixLength) == 0;
}

}  // namespace td
