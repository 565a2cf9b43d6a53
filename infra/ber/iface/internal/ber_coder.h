// The generic coder: encode, decode, free and print a value of any described type.
// Wire structures are allocated with the process heap (the world's allocator).
#ifndef KQ_INFRA_BER_IFACE_INTERNAL_BER_CODER_H
#define KQ_INFRA_BER_IFACE_INTERNAL_BER_CODER_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "internal/ber_desc.h"
#include "internal/ber_runtime.h"

namespace kq::ber {

// Bytes a decode may allocate for an input of `len` bytes; hostile input cannot make
// the decoder allocate more.
constexpr size_t kAllocFixed = 4u << 20;
constexpr size_t kAllocPerByte = 64;

struct Error {
  // Only the first byte starts empty: every coding call makes one, and most never
  // write it.
  Error() { text[0] = '\0'; }
  char text[256];
  int Set(int code, const char *fmt, ...) __attribute__((format(printf, 3, 4)));
};

// Encodes `value` (a struct of type `t`) into a fresh malloc'ed buffer.
int Encode(const ber_type *t, const void *value, uint8_t **out, size_t *outLen, Error &err);

class Arena;

// Decodes exactly one value of type `t` filling all of `in`; *out is a fresh struct.
// On failure nothing stays allocated and *out is null. Without an arena the value and
// each of its parts are blocks of the process heap (released with FreeContents and
// free); with one, all of it is the arena's, released with the arena (on failure too).
int Decode(const ber_type *t, const uint8_t *in, size_t len, void **out, Error &err,
           Arena *arena = nullptr);

// Releases what a value owns (not the value's own block).
void FreeContents(const ber_type *t, void *value);

// One field per line, nested fields indented by two spaces.
std::string Print(const ber_type *t, const void *value);

// Size of the first complete encoding at `in`: > 0 its length, 0 when more input is
// needed to tell, < 0 (a BER_E_ code negated) when the bytes cannot start a valid one.
long TlvLength(const uint8_t *in, size_t len);

}  // namespace kq::ber

#endif
