// Every PDU of both modules: random valid values encode, decode to the same value,
// re-encode to the same bytes and print; and every decodable mutation re-encodes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <vector>

#include "ber_test_util.h"
#include "internal/ber_access.h"
#include "value_gen.h"

namespace kq::ber::test {
namespace {

// The whole value as text: two values are the same when their texts are (reals exactly,
// with their sign; NaN as "nan").
std::string Dump(const ber_type *t, const void *v);

std::string DumpField(const ber_field &f, const void *base) {
  const void *fv = FieldValue(f, base);
  return std::string(f.name) + "=" + (fv ? Dump(f.type, fv) : "(missing)");
}

std::string Dump(const ber_type *t, const void *v) {
  switch (t->kind) {
    case BER_K_BOOLEAN:
      return Load<uint8_t>(v) ? "true" : "false";
    case BER_K_INT16:
      return std::to_string(Load<int16_t>(v));
    case BER_K_INT32:
    case BER_K_ENUM:
      return std::to_string(Load<int32_t>(v));
    case BER_K_CARD64:
      return std::to_string(Load<ber_card64>(v).high) + ":" +
             std::to_string(Load<ber_card64>(v).low);
    case BER_K_REAL: {
      char text[64];
      snprintf(text, sizeof text, "%a", Load<double>(v));
      return std::isnan(Load<double>(v)) ? "nan" : text;
    }
    case BER_K_NULL:
      return "null";
    case BER_K_OCTETS:
    case BER_K_OPEN:
      return "'" + ToHex(Load<ber_octets>(v).value, Load<ber_octets>(v).length) + "'";
    case BER_K_OCTETS_INLINE:
      return "'" + ToHex(At(v, 2), Load<uint16_t>(v)) + "'";
    case BER_K_CHARS_INLINE:
      return "\"" + std::string(static_cast<const char *>(v)) + "\"";
    case BER_K_CHARS:
      return Load<const char *>(v) ? "\"" + std::string(Load<const char *>(v)) + "\"" : "(null)";
    case BER_K_OID:
      return "{" + ToHex(Load<ber_oid>(v).value, Load<ber_oid>(v).length) + "}";
    case BER_K_BITS: {
      const ber_bits b = Load<ber_bits>(v);
      return std::to_string(b.length) + "'" + ToHex(b.value, (b.length + 7) / 8) + "'";
    }
    case BER_K_SEQUENCE: {
      std::string s = "{ mask " + std::to_string(Mask(t, v));
      for (uint32_t i = 0; i < t->nfields; i++)
        if (Present(t, t->fields[i], v)) s += ", " + DumpField(t->fields[i], v);
      return s + " }";
    }
    case BER_K_CHOICE: {
      const ber_field *alt = Chosen(t, v);
      return alt ? DumpField(*alt, v) : "bad choice " + std::to_string(Load<uint16_t>(v));
    }
    case BER_K_SEQOF: {
      std::string s = "[";
      for (const uint8_t *n = Load<const uint8_t *>(v); n; n = Load<const uint8_t *>(n))
        s += " " + Dump(t->elem, n + t->elem_offset);
      return s + " ]";
    }
  }
  return "unknown kind";
}

// Values per record: KQ_BER_ITERATIONS, else `fallback`, a quarter of it in the
// sanitizer builds (ten times slower; a quarter still reaches every record's shapes).
int Iterations(int fallback) {
  const char *env = getenv("KQ_BER_ITERATIONS");
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  fallback /= 4;
#endif
  return env ? atoi(env) : fallback;
}

// The encoding of v, empty (with a failure naming the PDU and seed) when it fails.
std::vector<uint8_t> Encoded(const ber_pdu &pdu, const void *v, uint64_t seed) {
  Error err;
  uint8_t *bytes = nullptr;
  size_t len = 0;
  if (Encode(pdu.type, v, &bytes, &len, err) != 0) {
    ADD_FAILURE() << "PDU " << pdu.number << " seed " << seed << ": " << err.text;
    return {};
  }
  std::vector<uint8_t> enc(bytes, bytes + len);
  free(bytes);
  return enc;
}

// Encodes, decodes, compares and re-encodes one value; returns the encoding.
std::vector<uint8_t> RoundTrip(const ber_pdu &pdu, const void *value, uint64_t seed) {
  std::vector<uint8_t> enc = Encoded(pdu, value, seed);
  if (enc.empty()) return {};
  Error err;
  void *back = nullptr;
  int rc = Decode(pdu.type, enc.data(), enc.size(), &back, err);
  EXPECT_EQ(rc, 0) << "PDU " << pdu.number << " seed " << seed << ": " << err.text << "\n"
                   << ToHex(enc.data(), enc.size());
  if (rc) return enc;
  EXPECT_EQ(Dump(pdu.type, back), Dump(pdu.type, value))
      << "PDU " << pdu.number << " seed " << seed;
  EXPECT_EQ(Encoded(pdu, back, seed), enc)
      << "PDU " << pdu.number << " seed " << seed << " re-encodes differently";
  EXPECT_FALSE(Print(pdu.type, back).empty());
  FreeValue(pdu.type, back);
  return enc;
}

// Decodes mutated input; whatever decodes must re-encode and decode to the same value.
void CheckMutant(const ber_pdu &pdu, const std::vector<uint8_t> &in, uint64_t seed) {
  Error err;
  void *v = nullptr;
  if (Decode(pdu.type, in.data(), in.size(), &v, err) != 0) {
    EXPECT_EQ(v, nullptr);
    EXPECT_NE(err.text[0], 0) << "a failure without an error text";
    return;
  }
  // A decoded value must re-encode.
  std::vector<uint8_t> enc = Encoded(pdu, v, seed);
  void *again = nullptr;
  EXPECT_TRUE(enc.empty() || Decode(pdu.type, enc.data(), enc.size(), &again, err) == 0)
      << err.text;
  EXPECT_EQ(again ? Dump(pdu.type, again) : Dump(pdu.type, v), Dump(pdu.type, v));
  FreeValue(pdu.type, again);
  FreeValue(pdu.type, v);
}

void RunModule(const ber_module &m, int iterations) {
  for (uint32_t i = 0; i < m.npdus; i++) {
    const ber_pdu &pdu = m.pdus[i];
    for (int it = 0; it < iterations; it++) {
      uint64_t seed = (static_cast<uint64_t>(pdu.number) << 32) | static_cast<uint64_t>(it);
      Rng rng(seed);
      void *value = MakeValue(pdu.type, rng);
      std::vector<uint8_t> enc = RoundTrip(pdu, value, seed);
      FreeValue(pdu.type, value);
      if (::testing::Test::HasFailure()) return;
      if (it % 16 != 0 || enc.empty()) continue;
      // Every truncation of a valid encoding is refused.
      for (size_t cut = 0; cut < enc.size(); cut += 1 + enc.size() / 64) {
        void *v = nullptr;
        Error err;
        std::vector<uint8_t> part(enc.begin(), enc.begin() + static_cast<long>(cut));
        ASSERT_NE(Decode(pdu.type, part.data(), part.size(), &v, err), 0)
            << "PDU " << pdu.number << " seed " << seed << " cut " << cut;
        ASSERT_EQ(v, nullptr);
      }
      // Bit flips and byte changes either fail cleanly or give re-encodable values.
      for (int k = 0; k < 8; k++) {
        std::vector<uint8_t> mutant = enc;
        uint8_t &at = mutant[rng.Below(static_cast<uint32_t>(mutant.size()))];
        at = k % 2 ? at ^ static_cast<uint8_t>(1u << rng.Below(8))
                   : static_cast<uint8_t>(rng.Next());
        CheckMutant(pdu, mutant, seed);
      }
    }
  }
}

TEST(BerRoundTrip, EveryProtocolPdu) { RunModule(kq_0b, Iterations(1000)); }

TEST(BerRoundTrip, EveryEventPdu) { RunModule(evt, Iterations(1000)); }

}  // namespace
}  // namespace kq::ber::test
