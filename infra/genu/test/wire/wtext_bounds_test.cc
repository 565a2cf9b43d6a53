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

// Every "\xe9" doubles in UTF-8: the bound counts the bytes on the wire.
TEST_F(GenuWTextBoundsConverted, BoundHoldsForTheConvertedBytes) {
  for (const TextType &type : kTexts) {
    SCOPED_TRACE(type.id);
    size_t max = Bound(type);
    Bytes fits = Bytes(max / 2, '\xe9') + "a";  // max bytes once converted
    TextValue v(type.name, GEN_TEXT_OTHER, fits, kLatin1);
    Packed p = Pack(type.id, v.record());
    ASSERT_EQ(p.rc, 0);
    Bytes utf8;
    for (size_t i = 0; i < max / 2; ++i) utf8 += "\xc3\xa9";
    EXPECT_EQ(p.encoding, Encoded(GEN_TEXT_OTHER, utf8 + "a", OidBytes(kUnicode)));
    EXPECT_EQ(Got(type.id, p.encoding), "5:" + fits + "@" + std::to_string(kLatin1));
    Packed longer =
        Pack(type.id,
             TextValue(type.name, GEN_TEXT_OTHER, Bytes(max / 2 + 1, '\xe9'), kLatin1).record());
    EXPECT_EQ(longer.rc, 1);
    EXPECT_EQ(longer.codes, (Codes{type.packFailure, ICONV_ST_TOO_BIG}));
    Packed tooMany =
        Pack(type.id, TextValue(type.name, GEN_TEXT_OTHER, Bytes(max + 1, 'a'), kLatin1).record());
    EXPECT_EQ(tooMany.codes, (Codes{type.packFailure, GENU_ST_TOO_LONG}));
  }
}

// Latin-1 on the wire grows when read into a UTF-8 locale: a received text that no
// longer fits the type is refused.
TEST_F(GenuWTextBoundsConverted, ReceivedTextThatGrowsBeyondTheBoundIsRefused) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("en_US.UTF-8"));
  ICONV_DestroyContext(ICONV_GetAndClearContext());
  Bytes latin1Oid = OidBytes(id_val_code_set_iso_latin1);
  for (const TextType &type : kTexts) {
    SCOPED_TRACE(type.id);
    size_t max = Bound(type);
    auto received = [&](const Bytes &text) {
      return Tlv(0xa4, Tlv(0x80, text) + Tlv(0x81, latin1Oid));
    };
    Bytes utf8;
    for (size_t i = 0; i < max / 2; ++i) utf8 += "\xc3\xa9";
    EXPECT_EQ(Got(type.id, received(Bytes(max / 2, '\xe9'))),
              "5:" + utf8 + "@" + std::to_string(kUnicode));
    Unpacked grows(type.id, received(Bytes(max / 2 + 1, '\xe9')));
    EXPECT_EQ(grows.rc, 1);
    EXPECT_EQ(grows.codes, (Codes{type.unpackFailure, GENU_ST_CODESET_CONVERT, ICONV_ST_TOO_BIG}));
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
