// The stand-in host's handles: what kind of object a handle names, and its serial number.
#pragma once

#include <cstdint>

namespace sim {

// Handles are never pointers to anything: they carry a kind and a serial number that is
// never given out twice in a world, so a stale handle can never name a newer object.
enum class HandleKind : uintptr_t { kBody = 1, kVessel = 2, kAttachment = 3, kHook = 4 };

// Handles are pointer-sized: the kind sits above 24 bits of serial number on a 32-bit
// platform, above 36 on a 64-bit one.
inline constexpr int kHandleKindShift = sizeof(uintptr_t) == 8 ? 40 : 28;
inline constexpr int kSerialShift = 4;  // keeps handle values aligned like real pointers

void *MakeHandle(HandleKind kind, uint64_t serial);

// The serial number a handle of this kind carries, or 0 when it is not such a handle. Every
// host call decodes one or more, so this and the lookups built on it are inline.
inline uint64_t HandleSerial(const void *handle, HandleKind kind) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(handle);
  if ((value >> kHandleKindShift) != static_cast<uintptr_t>(kind)) return 0;
  const uintptr_t low = value & ((uintptr_t{1} << kHandleKindShift) - 1);
  if ((low & ((uintptr_t{1} << kSerialShift) - 1)) != 0) return 0;
  return low >> kSerialShift;
}

}  // namespace sim
