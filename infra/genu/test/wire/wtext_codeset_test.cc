// Texts in another code set through the packer in a real Latin-1 locale: out in the
// code set the thread's context names, back from whatever code set a received text
// carries. (Marks for characters the wire code set cannot hold, code sets without a
// local name or a platform conversion, and threads each with their own context are the
// conversion's own cases, in infra/i18n's iconv tests.)
#include "wtext_support.h"

using namespace kq::test::locale;
using namespace kq::genu::test;

namespace {

const Bytes kNihonUtf8 = "\xe6\x97\xa5\xe6\x9c\xac";
const Bytes kUnicodeOid = OidBytes(id_val_code_set_unicode),
            kAsciiOid = OidBytes(id_val_code_set_ascii);
// The greeting as a Latin-1 locale reads it back.
const std::string Latin1Back = "5:" + kGruesseLatin1 + "@" + std::to_string(kLatin1);

class GenuWTextCodeSet : public InLocale {
 protected:
  void SetUp() override {
    InLocale::SetUp();
    UseLocale("de_DE.ISO-8859-1");
  }
  // The encoding of `text` sent in choice 5 under `id`.
  static Bytes Send(uint32_t id, const Bytes &text, uint32_t codeSet) {
    TextValue v(TypeOf(id).name, GEN_TEXT_OTHER, text, codeSet);
    Packed p = Pack(id, v.record());
    EXPECT_EQ(p.rc, 0) << std::hex << (p.codes.empty() ? 0 : p.codes[0]);
    return p.encoding;
  }
};

TEST_F(GenuWTextCodeSet, Latin1LocaleSendsUtf8AndReadsItBack) {
  ASSERT_NO_FATAL_FAILURE(Configure(kUnicode));
  for (const TextType &type : kTexts) {
    SCOPED_TRACE(type.id);
    TextValue v(type.name, GEN_TEXT_OTHER, kGruesseLatin1, kLatin1);
    Packed p = Pack(type.id, v.record());
    ASSERT_EQ(p.rc, 0);
    EXPECT_EQ(p.encoding, Encoded(GEN_TEXT_OTHER, kGruesseUtf8, kUnicodeOid));
    EXPECT_EQ(Got(type.id, p.encoding), Latin1Back);
  }
}

TEST_F(GenuWTextCodeSet, ReceivedTextIsReadFromItsOwnCodeSet) {
  // Sent as it is (no context): UTF-8 bytes labelled UTF-8.
  Bytes encoding = Send(28, kGruesseUtf8, kUnicode);
  ASSERT_EQ(encoding, Encoded(GEN_TEXT_OTHER, kGruesseUtf8, kUnicodeOid));
  EXPECT_EQ(Got(28, encoding), Latin1Back);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr) << "reading sets up no lasting context";
  // A thread configured for ASCII still reads UTF-8 as UTF-8 ...
  ASSERT_NO_FATAL_FAILURE(Configure(kAscii));
  EXPECT_EQ(Got(28, encoding), Latin1Back);
  // ... and keeps sending in ASCII afterwards.
  EXPECT_EQ(Send(27, kGruesseLatin1, kLatin1), Encoded(GEN_TEXT_OTHER, "Gr???", kAsciiOid));
}

// A text that names no code set is taken to be in the one the thread expects.
TEST_F(GenuWTextCodeSet, ReceivedTextWithoutCodeSetIsReadInTheThreadsCodeSet) {
  const Bytes unnamed = Encoded(GEN_TEXT_OTHER, kGruesseUtf8);
  EXPECT_EQ(Got(28, unnamed), "5:" + kGruesseUtf8 + "@0");
  ASSERT_NO_FATAL_FAILURE(Configure(kUnicode));
  EXPECT_EQ(Got(27, unnamed), Latin1Back);
}

TEST_F(GenuWTextCodeSet, TextAlreadyInTheWireCodeSetIsNotConvertedTwice) {
  ASSERT_NO_FATAL_FAILURE(Configure(kUnicode));
  const Bytes utf8 = Encoded(GEN_TEXT_OTHER, kGruesseUtf8, kUnicodeOid);
  EXPECT_EQ(Send(16, kGruesseUtf8, kUnicode), utf8);
  // Text in the local code set is converted, text without a code set is too.
  EXPECT_EQ(Send(16, kGruesseLatin1, kLatin1), utf8);
  EXPECT_EQ(Send(40, kGruesseLatin1, 0), utf8);
}

TEST_F(GenuWTextCodeSet, ReceivedCharactersTheLocaleCannotHoldFailTheValue) {
  for (const TextType &type : kTexts) {
    SCOPED_TRACE(type.id);
    Bytes encoding =
        Pack(type.id, TextValue(type.name, GEN_TEXT_OTHER, "ab" + kNihonUtf8, kUnicode).record())
            .encoding;
    ASSERT_FALSE(encoding.empty());
    Unpacked u(type.id, encoding);
    EXPECT_EQ(u.rc, 1);
    EXPECT_EQ(u.codes, (Codes{type.unpackFailure, GENU_ST_CODESET_CONVERT, ICONV_ST_CONVERSION}));
  }
}

TEST_F(GenuWTextCodeSet, OnlyTextInAnotherCodeSetConfiguresAContext) {
  GEN_Text_t latin{};
  latin.choice = GEN_TEXT_LATIN1;
  latin.codeSet = kUnicode;  // not read: only choice 5 names a code set
  kq::test::StatusList ok;
  EXPECT_EQ(ICONV_ConfigureContext(ok, &latin), 0);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  latin.choice = GEN_TEXT_OTHER;
  EXPECT_EQ(ICONV_ConfigureContext(ok, &latin), 0);
  ICONV_context_t *ctx = ICONV_GetAndClearContext();
  EXPECT_NE(ctx, nullptr);
  ICONV_DestroyContext(ctx);
  // A code set of 0 names none: a context configured before is dropped.
  latin.codeSet = 0;
  ASSERT_NO_FATAL_FAILURE(Configure(kUnicode));
  EXPECT_EQ(ICONV_ConfigureContext(ok, &latin), 0);
  EXPECT_EQ(ICONV_GetAndClearContext(), nullptr);
  EXPECT_TRUE(ok.Codes().empty());
}

}  // namespace
