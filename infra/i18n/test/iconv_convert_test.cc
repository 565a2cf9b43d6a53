// Texts converted between the local code set (the code set of the messages locale)
// and the code set they carry on the wire, with glibc iconv and generated glibc
// locales.
#include <algorithm>
#include <cstring>
#include <string>

#include "i18n_env.h"
#include "infra/genu.h"

using namespace kq::i18n::test;

namespace {

const std::string kNihonSjis = "\x93\xfa\x96\x7b", kNihonUtf8 = "\xe6\x97\xa5\xe6\x9c\xac";

// The converted text, or "fails" and the codes.
std::string Outcome(int rc, const unsigned char *out, int32_t len, const StatusList &l) {
  std::string s = rc ? "fails" : std::string(reinterpret_cast<const char *>(out), len);
  for (uint32_t c : rc ? l.Codes() : Codes{}) s += " " + std::to_string(c);
  return s;
}
std::string Fails(uint32_t code) { return "fails " + std::to_string(code); }

// Towards the local code set: the outcome and the code set reported. Nothing is
// written past the longest text of the type.
std::pair<std::string, uint32_t> ToGen(const std::string &in, uint32_t wire, bool max255 = false) {
  StatusList l;
  unsigned char out[ICONV_MAX_4095 + 16];
  memset(out, '#', sizeof out);
  int32_t len = -1;
  auto *fn = max255 ? ICONV_ToGEN_OtherCodeSet255 : ICONV_ToGEN_OtherCodeSet4095;
  int rc = fn(l, reinterpret_cast<const unsigned char *>(in.data()), int32_t(in.size()), out, &len,
              &wire);
  EXPECT_EQ(out[max255 ? ICONV_MAX_255 : ICONV_MAX_4095], '#');
  return {Outcome(rc, out, len, l), wire};
}

// Towards the wire: the outcome and the wire code set given.
std::pair<std::string, GENU_berOid_t> ToBer(const std::string &in, uint32_t codeSet,
                                            bool max255 = false,
                                            int32_t outSize = ICONV_MAX_4095 + 16) {
  StatusList l;
  unsigned char out[ICONV_MAX_4095 + 16];
  memset(out, '#', sizeof out);
  int32_t len = -1;
  GENU_berOid_t wire{99, nullptr};
  auto *fn = max255 ? ICONV_ToBER_OtherCodeSet255 : ICONV_ToBER_OtherCodeSet4095;
  int rc = fn(l, reinterpret_cast<const unsigned char *>(in.data()), int32_t(in.size()), codeSet,
              out, outSize, &len, &wire);
  EXPECT_EQ(out[std::min<int32_t>(outSize, max255 ? ICONV_MAX_255 : ICONV_MAX_4095)], '#');
  return {Outcome(rc, out, len, l), wire};
}

bool SameOid(const GENU_berOid_t &a, const GENU_berOid_t &b) {
  return a.length == b.length && memcmp(a.value, b.value, a.length) == 0;
}

using IconvConvert = InLocale;

TEST_F(IconvConvert, LocalAndWireCodeSetsBothWaysInEitherLength) {
  struct Row {
    const char *locale;
    uint32_t local, wire;
    std::string localText, wireText;
    const GENU_berOid_t &wireOid;
  } rows[] = {
      {"de_DE.ISO-8859-1", kLatin1, kUnicode, kGruesseLatin1, kGruesseUtf8,
       id_val_code_set_unicode},
      {"en_US.UTF-8", kUnicode, kShiftJis, kNihonUtf8, kNihonSjis, id_val_code_set_shift_jis},
  };
  for (const Row &r : rows) {
    ASSERT_NO_FATAL_FAILURE(UseLocale(r.locale));
    Configure(r.wire);
    for (bool max255 : {false, true}) {
      SCOPED_TRACE(std::string(r.locale) + (max255 ? " 255" : " 4095"));
      auto [text, oid] = ToBer(r.localText, r.local, max255);
      EXPECT_EQ(text, r.wireText);
      EXPECT_TRUE(SameOid(oid, r.wireOid));
      EXPECT_EQ(ToGen(r.wireText, r.wire, max255), std::make_pair(r.localText, r.local));
    }
  }
}

TEST_F(IconvConvert, StatefulWireCodeSetEndsInItsInitialState) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("en_US.UTF-8"));
  Configure(kIso2022Jp);
  EXPECT_EQ(ToBer(kNihonUtf8 + "a", kUnicode).first, "\x1b$BF|K\\\x1b(Ba");
  // A text ending in the shifted state is closed by the escape back to ASCII, and
  // the next one starts afresh.
  for (int i = 0; i < 2; i++) EXPECT_EQ(ToBer(kNihonUtf8, kUnicode).first, "\x1b$BF|K\\\x1b(B");
  EXPECT_EQ(ToGen("\x1b$BF|K\\\x1b(Ba", kIso2022Jp).first, kNihonUtf8 + "a");
}

TEST_F(IconvConvert, UnconvertibleCharacterEndsTheTextInQuestionMarks) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kAscii);
  auto [text, oid] = ToBer(kGruesseLatin1 + " und mehr", kLatin1);
  EXPECT_EQ(text, "Gr" + std::string(kGruesseLatin1.size() - 2 + 9, '?'));
  EXPECT_TRUE(SameOid(oid, id_val_code_set_ascii));
  // Without room for the marks the input is left over.
  EXPECT_EQ(ToBer(kGruesseLatin1, kLatin1, false, 3).first, Fails(ICONV_ST_TOO_BIG));
  // Towards the local code set a character it cannot hold is an error.
  Configure(kShiftJis);
  EXPECT_EQ(ToGen(kNihonSjis, kShiftJis).first, Fails(ICONV_ST_CONVERSION));
}

// 4095 bytes fit, 4096 do not; each Latin-1 "\xe9" becomes two UTF-8 bytes. The given
// output size bounds the text below the type's maximum.
TEST_F(IconvConvert, OutputSpaceAndIncompleteInput) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("en_US.UTF-8"));
  Configure(kLatin1);
  std::string twice;
  for (int i = 0; i < 127; i++) twice += "\xc3\xa9";
  const std::string big = Fails(ICONV_ST_TOO_BIG);
  const std::pair<std::string, std::string> rows[] = {
      {ToGen(std::string(4095, 'x'), kLatin1).first, std::string(4095, 'x')},
      {ToGen(std::string(4096, 'x'), kLatin1).first, big},
      {ToGen(std::string(127, '\xe9'), kLatin1, true).first, twice},
      {ToGen(std::string(128, '\xe9'), kLatin1, true).first, big},
      {ToBer(std::string(256, 'x'), kUnicode, true).first, big},
      {ToBer(std::string(255, 'x'), kUnicode, true).first, std::string(255, 'x')},
      {ToBer("abcd", kUnicode, true, 3).first, big}};
  for (const auto &[got, want] : rows) EXPECT_EQ(got, want);
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kUnicode);
  EXPECT_EQ(ToGen("ab\xc3", kUnicode).first, big);
  EXPECT_EQ(ToGen(std::string("ab\xff") + "cd", kUnicode).first, Fails(ICONV_ST_CONVERSION));
}

TEST_F(IconvConvert, SameCodeSetCopiesUnchanged) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kLatin1);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  EXPECT_EQ(ToGen(kGruesseUtf8, kLatin1), std::make_pair(kGruesseUtf8, kLatin1));
  auto [text, oid] = ToBer(kGruesseLatin1, kLatin1);
  EXPECT_EQ(text, kGruesseLatin1);
  EXPECT_TRUE(SameOid(oid, id_val_code_set_iso_latin1));
  // No code set given: none goes to the wire.
  auto [plain, none] = ToBer("abc", 0);
  EXPECT_EQ(plain, "abc");
  EXPECT_TRUE(none.length == 0 && none.value == nullptr);
  // Copies are bounded by the type's maximum too.
  EXPECT_EQ(ToGen(std::string(256, 'x'), kLatin1, true).first, Fails(ICONV_ST_TOO_BIG));
  // A configured context whose code sets are equal is dropped: the earlier context
  // for another wire code set no longer converts.
  Configure(kUnicode);
  Configure(kLatin1);
  EXPECT_EQ(ToGen(kGruesseUtf8, kUnicode).first, kGruesseUtf8);
}

TEST_F(IconvConvert, WireCodeSetWithoutLocalNameIsCopiedWithAWarning) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  kq::test::LogCapture log("EWIX");
  Configure(kOther);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  EXPECT_EQ(ToGen(kGruesseUtf8, kOther), std::make_pair(kGruesseUtf8, kOther));
  EXPECT_NE(log.Text().find("charset = '367' (no iconv conv for thread)"), std::string::npos)
      << log.Text();
}

TEST_F(IconvConvert, ContextCanBeCarriedAndReplaced) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kUnicode);
  ICONV_context_t *ctx = ICONV_GetAndClearContext();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  EXPECT_EQ(ToGen(kGruesseUtf8, kUnicode).first, kGruesseUtf8);  // copied now
  ASSERT_EQ(ICONV_SetContext(ctx) + ICONV_SetContext(ctx), 0u);  // the same one again is kept
  EXPECT_EQ(ToGen(kGruesseUtf8, kUnicode).first, kGruesseLatin1);
  // A new configuration replaces (and frees) the one installed.
  Configure(kShiftJis);
  EXPECT_EQ(ToGen("abc", kShiftJis).second, kLatin1);
  EXPECT_EQ(ICONV_SetContext(nullptr), 0u);
  EXPECT_EQ(ToGen("abc", kShiftJis).second, kShiftJis);
}

// A code set that has no identifier cannot be sent.
TEST_F(IconvConvert, CodeSetWithoutIdentifierIsRefused) {
  unsigned char out[16];
  int32_t len;
  GENU_berOid_t wire;
  StatusList u;
  EXPECT_EQ(
      ICONV_ToBER_OtherCodeSet4095(u, (const unsigned char *)"abc", 3, 2000, out, 16, &len, &wire),
      1);
  EXPECT_EQ(u.Codes(), (Codes{ICONV_ST_NO_IDENTIFIER, GENU_ST_OID_UNKNOWN}));
}

}  // namespace
