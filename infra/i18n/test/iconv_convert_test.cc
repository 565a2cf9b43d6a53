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

using Bytes = std::string;

const Bytes kNihonSjis = "\x93\xfa\x96\x7b";
const Bytes kNihonUtf8 = "\xe6\x97\xa5\xe6\x9c\xac";

struct Result {
  int rc;
  Bytes text;
  uint32_t codeSet;                // ToGEN: the code set reported
  GENU_berOid_t wire{0, nullptr};  // ToBER: the wire code set
  Codes codes;
};

Result ToGen(const Bytes &in, uint32_t wireCodeSet, bool max255 = false) {
  StatusList l;
  unsigned char out[ICONV_MAX_4095 + 16];
  memset(out, '#', sizeof out);
  int32_t len = -1;
  uint32_t cs = wireCodeSet;
  auto *fn = max255 ? ICONV_ToGEN_OtherCodeSet255 : ICONV_ToGEN_OtherCodeSet4095;
  int rc = fn(l, reinterpret_cast<const unsigned char *>(in.data()),
              static_cast<int32_t>(in.size()), out, &len, &cs);
  // Nothing is written past the longest text of the type.
  EXPECT_EQ(out[max255 ? ICONV_MAX_255 : ICONV_MAX_4095], '#');
  return {rc, Bytes(reinterpret_cast<char *>(out), len > 0 ? len : 0), cs, {}, l.Codes()};
}

Result ToBer(const Bytes &in, uint32_t codeSet, bool max255 = false,
             int32_t outSize = ICONV_MAX_4095 + 16) {
  StatusList l;
  unsigned char out[ICONV_MAX_4095 + 16];
  memset(out, '#', sizeof out);
  int32_t len = -1;
  GENU_berOid_t wire{99, nullptr};
  auto *fn = max255 ? ICONV_ToBER_OtherCodeSet255 : ICONV_ToBER_OtherCodeSet4095;
  int rc = fn(l, reinterpret_cast<const unsigned char *>(in.data()),
              static_cast<int32_t>(in.size()), codeSet, out, outSize, &len, &wire);
  EXPECT_EQ(out[std::min<int32_t>(outSize, max255 ? ICONV_MAX_255 : ICONV_MAX_4095)], '#');
  return {rc, Bytes(reinterpret_cast<char *>(out), len > 0 ? len : 0), 0, wire, l.Codes()};
}

// The converted text, or the failure and its codes.
std::string Fails(const Codes &codes) {
  std::string s = "fails";
  for (uint32_t c : codes) s += " " + std::to_string(c);
  return s;
}
Bytes Times(int n, const Bytes &piece) {
  Bytes s;
  while (n-- > 0) s += piece;
  return s;
}
std::string Text(const Result &r) { return r.rc ? Fails(r.codes) : r.text; }
const Codes kTooBig{ICONV_ST_TOO_BIG}, kConversion{ICONV_ST_CONVERSION};

bool SameOid(const GENU_berOid_t &a, const GENU_berOid_t &b) {
  return a.length == b.length && memcmp(a.value, b.value, a.length) == 0;
}

using IconvConvert = InLocale;

TEST_F(IconvConvert, LocalAndWireCodeSetsBothWaysInEitherLength) {
  struct Row {
    const char *locale;
    uint32_t local, wire;
    Bytes localText, wireText;
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
      Result b = ToBer(r.localText, r.local, max255);
      EXPECT_EQ(Text(b), r.wireText);
      EXPECT_TRUE(SameOid(b.wire, r.wireOid));
      Result g = ToGen(r.wireText, r.wire, max255);
      EXPECT_EQ(Text(g), r.localText);
      EXPECT_EQ(g.codeSet, r.local);
    }
  }
}

TEST_F(IconvConvert, StatefulWireCodeSetEndsInItsInitialState) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("en_US.UTF-8"));
  Configure(kIso2022Jp);
  EXPECT_EQ(Text(ToBer(kNihonUtf8 + "a", kUnicode)), "\x1b$BF|K\\\x1b(Ba");
  // A text ending in the shifted state is closed by the escape back to ASCII, and
  // the next one starts afresh.
  for (int i = 0; i < 2; i++) EXPECT_EQ(Text(ToBer(kNihonUtf8, kUnicode)), "\x1b$BF|K\\\x1b(B");
  EXPECT_EQ(Text(ToGen("\x1b$BF|K\\\x1b(Ba", kIso2022Jp)), kNihonUtf8 + "a");
}

TEST_F(IconvConvert, UnconvertibleCharacterEndsTheTextInQuestionMarks) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kAscii);
  Result b = ToBer(kGruesseLatin1 + " und mehr", kLatin1);
  EXPECT_EQ(Text(b), "Gr" + std::string(kGruesseLatin1.size() - 2 + 9, '?'));
  EXPECT_TRUE(SameOid(b.wire, id_val_code_set_ascii));
  // Without room for the marks the input is left over.
  EXPECT_EQ(Text(ToBer(kGruesseLatin1, kLatin1, false, 3)), Fails(kTooBig));
  // Towards the local code set a character it cannot hold is an error.
  Configure(kShiftJis);
  EXPECT_EQ(Text(ToGen(kNihonSjis, kShiftJis)), Fails(kConversion));
}

TEST_F(IconvConvert, OutputSpaceAndIncompleteInput) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("en_US.UTF-8"));
  Configure(kLatin1);
  // 4095 bytes fit, 4096 do not; each Latin-1 "\xe9" becomes two UTF-8 bytes. The
  // given output size bounds the text below the type's maximum.
  const std::pair<Result, std::string> rows[] = {
      {ToGen(std::string(4095, 'x'), kLatin1), std::string(4095, 'x')},
      {ToGen(std::string(4096, 'x'), kLatin1), Fails(kTooBig)},
      {ToGen(std::string(127, '\xe9'), kLatin1, true), Times(127, "\xc3\xa9")},
      {ToGen(std::string(128, '\xe9'), kLatin1, true), Fails(kTooBig)},
      {ToBer(std::string(256, 'x'), kUnicode, true), Fails(kTooBig)},
      {ToBer(std::string(255, 'x'), kUnicode, true), std::string(255, 'x')},
      {ToBer("abcd", kUnicode, true, 3), Fails(kTooBig)}};
  for (const auto &[got, want] : rows) EXPECT_EQ(Text(got), want);
  // Wire UTF-8 towards this locale.
  Configure(kUnicode);
  EXPECT_EQ(Text(ToGen("abc", kUnicode)), "abc");  // same code sets: no context
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kUnicode);
  EXPECT_EQ(Text(ToGen("ab\xc3", kUnicode)), Fails(kTooBig));
  EXPECT_EQ(Text(ToGen(std::string("ab\xff") + "cd", kUnicode)), Fails(kConversion));
}

TEST_F(IconvConvert, SameCodeSetCopiesUnchanged) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kLatin1);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  Result g = ToGen(kGruesseUtf8, kLatin1);
  EXPECT_EQ(Text(g), kGruesseUtf8);
  EXPECT_EQ(g.codeSet, kLatin1);
  Result b = ToBer(kGruesseLatin1, kLatin1);
  EXPECT_EQ(Text(b), kGruesseLatin1);
  EXPECT_TRUE(SameOid(b.wire, id_val_code_set_iso_latin1));
  // No code set given: none goes to the wire.
  Result none = ToBer("abc", 0);
  EXPECT_EQ(Text(none), "abc");
  EXPECT_EQ(none.wire.length, 0);
  EXPECT_EQ(none.wire.value, nullptr);
  // Copies are bounded by the type's maximum too.
  EXPECT_EQ(Text(ToGen(std::string(256, 'x'), kLatin1, true)), Fails(kTooBig));
  EXPECT_EQ(Text(ToGen("", kLatin1, true)), "");
  // A configured context whose code sets are equal is dropped: the earlier context
  // for another wire code set no longer converts.
  Configure(kUnicode);
  Configure(kLatin1);
  EXPECT_EQ(ToGen(kGruesseUtf8, kUnicode).text, kGruesseUtf8);
}

TEST_F(IconvConvert, WireCodeSetWithoutLocalNameIsCopiedWithAWarning) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  kq::test::LogCapture log("EWIX");
  Configure(kOther);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  Result g = ToGen(kGruesseUtf8, kOther);
  EXPECT_EQ(Text(g), kGruesseUtf8);
  EXPECT_EQ(g.codeSet, kOther);
  EXPECT_NE(log.Text().find("charset = '367' (no iconv conv for thread)"), std::string::npos)
      << log.Text();
}

TEST_F(IconvConvert, ContextCanBeCarriedAndReplaced) {
  ASSERT_NO_FATAL_FAILURE(UseLocale("de_DE.ISO-8859-1"));
  Configure(kUnicode);
  ICONV_context_t *ctx = ICONV_GetAndClearContext();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  EXPECT_EQ(ToGen(kGruesseUtf8, kUnicode).text, kGruesseUtf8);  // copied now
  ASSERT_EQ(ICONV_SetContext(ctx), 0u);
  EXPECT_EQ(ICONV_SetContext(ctx), 0u);  // the same one again is kept
  EXPECT_EQ(ToGen(kGruesseUtf8, kUnicode).text, kGruesseLatin1);
  // A new configuration replaces (and frees) the one installed.
  Configure(kShiftJis);
  EXPECT_EQ(ToGen("abc", kShiftJis).codeSet, kLatin1);
  EXPECT_EQ(ICONV_SetContext(nullptr), 0u);
  EXPECT_EQ(ToGen("abc", kShiftJis).codeSet, kShiftJis);
}

TEST_F(IconvConvert, BadArguments) {
  unsigned char out[16];
  int32_t len;
  uint32_t cs = kLatin1;
  GENU_berOid_t wire;
  const unsigned char *text = reinterpret_cast<const unsigned char *>("abc");
  EXPECT_EQ(ICONV_ToGEN_OtherCodeSet255(nullptr, text, 3, out, &len, &cs), 1);
  EXPECT_EQ(ICONV_ToBER_OtherCodeSet255(nullptr, text, 3, cs, out, 16, &len, &wire), 1);
  EXPECT_EQ(ConfigureFor(nullptr, kUnicode), 1);
  StatusList l;
  EXPECT_EQ(ICONV_ToGEN_OtherCodeSet4095(l, text, -1, out, &len, &cs), 1);
  EXPECT_EQ(ICONV_ToGEN_OtherCodeSet4095(l, nullptr, 3, out, &len, &cs), 1);
  EXPECT_EQ(ICONV_ToGEN_OtherCodeSet4095(l, text, 3, out, &len, nullptr), 1);
  EXPECT_EQ(ICONV_ToBER_OtherCodeSet4095(l, text, 3, cs, out, -1, &len, &wire), 1);
  EXPECT_EQ(ICONV_ToBER_OtherCodeSet4095(l, text, 3, cs, out, 16, &len, nullptr), 1);
  EXPECT_EQ(ICONV_RegisterCallback(l, 2, nullptr), 1);
  EXPECT_EQ(l.Codes(), Codes(6, ICONV_ST_BAD_ARGUMENT));
  // A code set that has no identifier cannot be sent.
  StatusList u;
  EXPECT_EQ(ICONV_ToBER_OtherCodeSet4095(u, text, 3, 2000, out, 16, &len, &wire), 1);
  EXPECT_EQ(u.Codes(), (Codes{ICONV_ST_NO_IDENTIFIER, GENU_ST_OID_UNKNOWN}));
}

TEST(IconvNoTables, NoLocaleOrNoPlatformConversionLeavesTheThreadWithoutContext) {
  ICONV_DestroyContext(ICONV_GetAndClearContext());
  {
    // Without tables the current locale is unknown.
    kq::test::LogCapture log("EWIX");
    StatusList l;
    EXPECT_EQ(ConfigureFor(l, kUnicode), 0);
    EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
    EXPECT_NE(log.Text().find("(no iconv conv for thread)"), std::string::npos);
  }
  ASSERT_EQ(
      Load("codeset-mappings:\nANSI_X3.4-1968 1.0.10175.1.6.292.0\n"
           "NoSuchCharset 1.0.10175.1.6.296.0\nlocale-mappings:\nC C <empty> ANSI_X3.4-1968\n"),
      Codes{});
  StatusList l;
  MessagesLocale c("C");
  {
    kq::test::LogCapture log("EWIX");
    EXPECT_EQ(ConfigureFor(l, 372), 0);  // ISO Latin-4 as "NoSuchCharset"
    EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
    EXPECT_NE(log.Text().find("WARNING: iconv_open failure no mapping from 'NoSuchCharset' to "
                              "'ANSI_X3.4-1968' (no thread conv)"),
              std::string::npos)
        << log.Text();
  }
  EXPECT_EQ(I18N_Term(l), 0);
  EXPECT_TRUE(l.Codes().empty());
}

}  // namespace
