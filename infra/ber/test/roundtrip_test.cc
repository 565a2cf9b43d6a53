// Every PDU of both modules: random valid values encode, decode to the same value,
// re-encode to the same bytes and print; and every decodable mutation re-encodes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "ber_test_util.h"
#include "value_gen.h"

namespace kq::ber::test {
namespace {

int Iterations(int fallback) {
  const char *env = getenv("KQ_BER_ITERATIONS");
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
  std::string where;
  if (rc) return enc;
  EXPECT_TRUE(SameValue(pdu.type, value, back, &where))
      << "PDU " << pdu.number << " seed " << seed << ": " << where;
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
  std::string where;
  EXPECT_TRUE(enc.empty() || Decode(pdu.type, enc.data(), enc.size(), &again, err) == 0)
      << err.text;
  EXPECT_TRUE(!again || SameValue(pdu.type, v, again, &where)) << where;
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

TEST(BerRoundTrip, PduTablesAreSortedAndComplete) {
  for (const ber_module *m : {&kq_0b, &evt}) {
    for (uint32_t i = 1; i < m->npdus; i++) EXPECT_LT(m->pdus[i - 1].number, m->pdus[i].number);
    for (uint32_t i = 0; i < m->npdus; i++) {
      EXPECT_EQ(BER__FindPDU(m, m->pdus[i].number), &m->pdus[i]);
      EXPECT_NE(m->pdus[i].type, nullptr);
    }
  }
  for (int missing : {0, 4}) EXPECT_EQ(BER__FindPDU(&kq_0b, missing), nullptr) << missing;
  EXPECT_EQ(BER__FindPDU(&evt, 2), nullptr);
}

}  // namespace
}  // namespace kq::ber::test
