// The bounds of every text and name type and choice, going out and coming in, also
// where the conversion to or from another code set changes the length; identifiers
// the registry does not know.
#include "wtext_support.h"

using namespace kq::test::locale;
using namespace kq::genu::test;

namespace {

constexpr int32_t kChoices[] = {GEN_TEXT_ISO646, GEN_TEXT_STRING, GEN_TEXT_LATIN1, GEN_TEXT_OCTETS,
                                GEN_TEXT_OTHER};

size_t Bound(const TextType &type) { return type.name ? 255 : 4095; }

// A text of `n` characters; choice 5 names an ISO Latin code set.
Packed PackOfLength(const TextType &type, int32_t choice, size_t n) {
  TextValue v(type.name, choice, Bytes(n, 'q'),
              choice == GEN_TEXT_OTHER ? kq::genu::test::ValidOid(0) : 0);
  return Pack(type.id, v.record());
}

TEST(GenuWTextBounds, LongestTextOfEveryTypeAndChoiceTravelsOneMoreIsRefused) {
  ICONV_DestroyContext(ICONV_GetAndClearContext());
  for (const TextType &type : kTexts) {
    for (int32_t choice : kChoices) {
      SCOPED_TRACE(testing::Message() << "id " << type.id << " choice " << choice);
      Packed longest = PackOfLength(type, choice, Bound(type));
      ASSERT_EQ(longest.rc, 0);
      Bytes text(Bound(type), 'q');
      bool other = choice == GEN_TEXT_OTHER;
      EXPECT_EQ(longest.encoding, Encoded(choice, text, other ? OidBytes(ValidOid(0)) : ""));
      EXPECT_EQ(Got(type.id, longest.encoding),
                std::to_string(choice) + ":" + text + "@" + (other ? "369" : "0"));
      Packed over = PackOfLength(type, choice, Bound(type) + 1);
      EXPECT_EQ(over.rc, 1);
      EXPECT_EQ(over.codes, (Codes{type.packFailure, GENU_ST_TOO_LONG}));
    }
  }
}

class GenuWTextBoundsConverted : public InLocale {
 protected:
  void SetUp() override {
    InLocale::SetUp();
    UseLocale("de_DE.ISO-8859-1");
    Configure(kUnicode);
  }
};

// Every "\xe9" doubles in UTF-8: the bound counts the bytes on the wire going out, and
// the bytes in the locale coming in (Latin-1 on the wire grows in a UTF-8 locale).
TEST_F(GenuWTextBoundsConverted, BoundCountsTheConvertedBytesBothWays) {
  auto send = [](const TextType &type, size_t n, const Bytes &tail) {
    return Pack(type.id,
                TextValue(type.name, GEN_TEXT_OTHER, Bytes(n, '\xe9') + tail, kLatin1).record());
  };
  auto receive = [](const TextType &type, size_t n) {
    return Unpacked(type.id, Tlv(0xa4, Tlv(0x80, Bytes(n, '\xe9')) +
                                           Tlv(0x81, OidBytes(id_val_code_set_iso_latin1))))
        .codes;
  };
  for (const TextType &type : kTexts) {
    SCOPED_TRACE(type.id);
    EXPECT_EQ(send(type, Bound(type) / 2, "a").rc, 0);  // the bound exactly, once converted
    EXPECT_EQ(send(type, Bound(type) / 2 + 1, "").codes,
              (Codes{type.packFailure, ICONV_ST_TOO_BIG}));
  }
  ASSERT_NO_FATAL_FAILURE(UseLocale("en_US.UTF-8"));
  ICONV_DestroyContext(ICONV_GetAndClearContext());
  for (const TextType &type : kTexts) {
    SCOPED_TRACE(type.id);
    EXPECT_EQ(receive(type, Bound(type) / 2), Codes{});
    EXPECT_EQ(receive(type, Bound(type) / 2 + 1),
              (Codes{type.unpackFailure, GENU_ST_CODESET_CONVERT, ICONV_ST_TOO_BIG}));
  }
}

TEST(GenuWTextBounds, IdentifiersTheRegistryDoesNotKnow) {
  ICONV_DestroyContext(ICONV_GetAndClearContext());
  const Bytes unknownOid = "\x2a\x03\x04\x05\x06\x07";  // 1.2.3.4.5.6.7
  for (const TextType &type : kTexts) {
    SCOPED_TRACE(type.id);
    // A code set without an identifier cannot be named on the wire.
    Packed p = Pack(type.id, TextValue(type.name, GEN_TEXT_OTHER, "abc", 2000).record());
    ASSERT_GE(p.codes.size(), 2u);
    EXPECT_EQ(Codes(p.codes.begin(), p.codes.begin() + 2),
              (Codes{type.packFailure, ICONV_ST_NO_IDENTIFIER}));
    // A received code set the registry does not know.
    Unpacked u(type.id, Tlv(0xa4, Tlv(0x80, "abc") + Tlv(0x81, unknownOid)));
    ASSERT_GE(u.codes.size(), 2u);
    EXPECT_EQ(Codes(u.codes.begin(), u.codes.begin() + 2),
              (Codes{type.unpackFailure, GENU_ST_OID_CONVERT}));
  }
}

}  // namespace
