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

inline bool IsCarrierClass(const char *name) { return std::strcmp(name, kCarrierClass) == 0; }
inline bool IsJetpackClass(const char *name) { return std::strcmp(name, kJetpackClass) == 0; }
inline bool IsWalkerClass(const char *name) { return std::strcmp(name, kWalkerClass) == 0; }
inline bool IsCarClass(const char *name) {
  return std::strncmp(name, kCarClassPrefix, kCarClassPrefixLength) == 0;
}

}  // namespace td
