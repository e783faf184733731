// The stand-in host's handles: what kind of object a handle names, and its serial number.
#pragma once

#include <cstdint>

namespace sim {

// Handles are never pointers to anything: they carry a kind and a serial number that is
// never given out twice in a session, so within a session a stale handle can never name a
// newer object. The next session of the same world starts its serials at 1 again, as the real
// host's handles are addresses that a later session may reuse: there a handle kept from an
// earlier session names the new object of that serial, and the world records such a call as
// an error (sim/session.cpp).
enum class HandleKind : uintptr_t { kBody = 1, kVessel = 2, kAttachment = 3, kHook = 4 };

// Handles are pointer-sized: the kind sits above 24 bits of serial number on a 32-bit
// platform, above 36 on a 64-bit one.
inline constexpr int kHandleKindShift = sizeof(uintptr_t) == 8 ? 40 : 28;
inline constexpr int kSerialShift = 4;  // keeps handle values aligned like real pointers

void *MakeHandle(HandleKind kind, uint64_t serial);

// The index (serial number less one) a handle of this kind carries, or a number past the end
// of any table when it is not such a handle. Every host call decodes one or more, so this is
// one subtraction and one test: a handle of another kind or of serial 0 comes out at 2^36
// (2^24 on a 32-bit platform) or more once the first handle of the kind is taken off, beyond
// every serial MakeHandle gives out; a misaligned one fails the test.
inline uintptr_t HandleIndex(const void *handle, HandleKind kind) {
  constexpr uintptr_t kAlignMask = (uintptr_t{1} << kSerialShift) - 1;
  const uintptr_t first =
      (static_cast<uintptr_t>(kind) << kHandleKindShift) | (uintptr_t{1} << kSerialShift);
  const uintptr_t offset = reinterpret_cast<uintptr_t>(handle) - first;
  return (offset & kAlignMask) == 0 ? offset >> kSerialShift : UINTPTR_MAX;
}

}  // namespace sim
