// Shared by the text tests: packing and unpacking through the real coder with the
// codes each step left, texts and names of any choice, and their encodings.
#ifndef KQ_INFRA_GENU_TEST_WIRE_WTEXT_SUPPORT_H
#define KQ_INFRA_GENU_TEST_WIRE_WTEXT_SUPPORT_H

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "locale_env.h"
#include "wire_test_support.h"

namespace kq::genu::test {

using test::Bytes;
using test::Codes;
using test::Pack;
using test::Packed;
using test::Unpacked;

// Value type ids of the texts and names, with their PDU numbers.
struct TextType {
  uint32_t id;
  int pdu;
  bool name;               // SimpleName record (255) rather than Text (4095)
  uint32_t packFailure;    // code the packer adds when the converter fails
  uint32_t unpackFailure;  // the same for the unpacker
};
constexpr TextType kTexts[] = {{5, 11, false, 0xc00e00bdu, 0xc00e00bdu},
                               {16, 12, false, 0xc00e00bdu, 0xc00e0098u},
                               {28, 9, false, 0xc00e00bdu, 0xc00e00bdu},
                               {27, 14, true, 0xc00e00bau, 0xc00e00c3u},
                               {40, 10, true, 0xc00e00bau, 0xc00e00c3u}};
inline const TextType &TypeOf(uint32_t id) {
  for (const TextType &t : kTexts)
    if (t.id == id) return t;
  abort();
}

// A generic text or name of any choice; `bytes` may be longer than the record holds
// (names get as much as fits their inline area, unterminated when it is full).
struct TextValue {
  bool isName;
  GEN_Text_t text{};
  GEN_SimpleName_t name{};
  Bytes bytes;
  TextValue(bool n, int32_t choice, const Bytes &b, uint32_t codeSet = 0) : isName(n), bytes(b) {
    text.choice = name.choice = choice;
    text.codeSet = name.codeSet = codeSet;
    if (choice == GEN_TEXT_ISO646 || choice == GEN_TEXT_STRING) {
      text.u.string = bytes.data();
      memcpy(name.u.string, bytes.data(), std::min(bytes.size() + 1, sizeof name.u.string));
    } else {
      text.u.octets = {static_cast<int32_t>(bytes.size()),
                       reinterpret_cast<unsigned char *>(bytes.data())};
      name.u.octets.length = static_cast<int16_t>(bytes.size());
      memcpy(name.u.octets.value, bytes.data(), std::min(bytes.size(), sizeof name.u.octets.value));
    }
  }
  TextValue(const TextValue &) = delete;
  TextValue &operator=(const TextValue &) = delete;
  const void *record() const { return isName ? static_cast<const void *>(&name) : &text; }
};

// What a generic text or name holds.
struct Held {
  int32_t choice;
  Bytes bytes;
  uint32_t codeSet;
};
template <typename T>
Held HeldIn(const T *t) {
  const char *string = t->u.string;
  if (t->choice <= GEN_TEXT_STRING) return {t->choice, string ? string : "", t->codeSet};
  return {t->choice,
          Bytes(reinterpret_cast<const char *>(t->u.octets.value),
                static_cast<size_t>(t->u.octets.length)),
          t->codeSet};
}
inline Held HeldBy(bool isName, const void *rec) {
  return isName ? HeldIn(static_cast<const GEN_SimpleName_t *>(rec))
                : HeldIn(static_cast<const GEN_Text_t *>(rec));
}
// An unpacked text or name as one line: "choice:bytes@code set", or the failure's codes.
inline std::string Got(const Unpacked &u, bool isName) {
  std::string r;
  char hex[16];
  for (uint32_t c : u.codes) snprintf(hex, sizeof hex, " %x", c), r += hex;
  if (u.rc) return "failed" + r;
  Held h = HeldBy(isName, u.rec);
  return std::to_string(h.choice) + ":" + h.bytes + "@" + std::to_string(h.codeSet) + r;
}
inline std::string Got(uint32_t id, const Bytes &encoding) {
  return Got(Unpacked(id, encoding), TypeOf(id).name);
}

inline Bytes OidBytes(const GENU_berOid_t &oid) {
  return Bytes(reinterpret_cast<const char *>(oid.value), oid.length);
}

// A BER tag, length and contents.
inline Bytes Tlv(unsigned char tag, const Bytes &contents) {
  Bytes out(1, static_cast<char>(tag));
  size_t n = contents.size();
  if (n < 0x80) {
    out += static_cast<char>(n);
  } else {
    Bytes len;
    for (; n; n >>= 8) len.insert(len.begin(), static_cast<char>(n & 0xff));
    out += static_cast<char>(0x80 | len.size());
    out += len;
  }
  return out + contents;
}

// The encoding of a text or name of `choice` holding `text`; in choice 5 with the
// code set's identifier octets `codeSet` (none when empty).
inline Bytes Encoded(int32_t choice, const Bytes &text, const Bytes &codeSet = "") {
  if (choice != GEN_TEXT_OTHER) return Tlv(static_cast<unsigned char>(0x7f + choice), text);
  return Tlv(0xa4, Tlv(0x80, text) + (codeSet.empty() ? "" : Tlv(0x81, codeSet)));
}
inline Bytes OidBytes(uint32_t shoid) {
  kq::test::StatusList s;
  GENU_berOid_t ber{};
  EXPECT_EQ(GENU_ShortToBerOID(s, shoid, &ber), 0);
  return OidBytes(ber);
}

using kq::test::locale::InLocale;
using kq::test::locale::kGruesseLatin1;
using kq::test::locale::kGruesseUtf8;

}  // namespace kq::genu::test

#endif
