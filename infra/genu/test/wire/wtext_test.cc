// Texts and names through the packer: texts in another code set in a real Latin-1
// locale (out in the code set the thread's context names, back from whatever code
// set a received text carries), the bounds of every text and name type and choice
// (also where the conversion changes the length), identifiers the registry does not
// know, and malformed encodings of texts and of the records that nest them. (Marks
// for characters the wire code set cannot hold, code sets without a local name or a
// platform conversion, and threads each with their own context are the conversion's
// own cases, in infra/i18n's iconv tests; arbitrary bytes are fuzz/wire_unpack_fuzz's.)
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "locale_env.h"
#include "wire_test_support.h"

using namespace kq::test::locale;
using namespace kq::genu::test;

namespace {

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

// What a generic text or name holds, as "choice:bytes@code set".
template <typename T>
std::string Held(const T *t) {
  const char *string = t->u.string;  // inline in names
  Bytes bytes = t->choice > GEN_TEXT_STRING
                    ? Bytes(reinterpret_cast<const char *>(t->u.octets.value),
                            static_cast<size_t>(t->u.octets.length))
                    : Bytes(string ? string : "");
  return std::to_string(t->choice) + ":" + bytes + "@" + std::to_string(t->codeSet);
}
// An unpacked text or name as one line, or the failure's codes.
std::string Got(const Unpacked &u, bool isName) {
  std::string r;
  char hex[16];
  for (uint32_t c : u.codes) snprintf(hex, sizeof hex, " %x", c), r += hex;
  if (u.rc) return "failed" + r;
  return (isName ? Held(static_cast<const GEN_SimpleName_t *>(u.rec))
                 : Held(static_cast<const GEN_Text_t *>(u.rec))) +
         r;
}
std::string Got(uint32_t id, const Bytes &encoding) {
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

// Code sets.
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

// Bounds and unknown identifiers.
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

// Malformed encodings: cut short, with a wrong tag, with a choice the type does not
// have. Each is refused with the decoder's or the converter's code and leaves nothing
// of the coder's allocations behind (the sanitizer build checks the rest).
// Valid values whose encodings nest texts and names: a text and a name in another
// code set, a name or OID holding a name, a distinguished name string with its
// optional part, and an object identification holding a name.
struct Sample {
  uint32_t id;
  Bytes encoding;
};

std::vector<Sample> Samples() {
  TextValue text(false, GEN_TEXT_OTHER, kq::test::locale::kGruesseLatin1,
                 kq::genu::test::ValidOid(0));
  TextValue name(true, GEN_TEXT_OTHER, "printer-1", kq::genu::test::ValidOid(1));
  GEN_NameOrOID_t nameOrOid{};
  nameOrOid.choice = 2;
  nameOrOid.u.name = name.name;
  GEN_DistNameString_t dist{};
  dist.text = text.text;
  dist.nameOrOid = &nameOrOid;
  GEN_ObjectIdent_t ident{};
  ident.choice = 7;
  ident.u.name = name.name;
  std::vector<Sample> out;
  for (auto [id, value] : std::initializer_list<std::pair<uint32_t, const void *>>{
           {28, text.record()}, {27, name.record()}, {18, &nameOrOid}, {6, &dist}, {64, &ident}}) {
    Packed p = Pack(id, value);
    EXPECT_EQ(p.rc, 0) << "id " << id;
    out.push_back({id, p.encoding});
  }
  return out;
}

// Codes an unpack of `id` may fail with: the decoder's, or the id's converter's on
// top of what the converter found.
bool ExpectedFailure(uint32_t id, const Codes &codes) {
  if (codes.empty()) return false;
  if (codes == Codes{GENU_ST_DECODE_FAILED}) return true;
  static const std::pair<uint32_t, uint32_t> kConverterCode[] = {
      {28, 0xc00e00bdu}, {27, 0xc00e00c3u}, {18, 0xc00e009bu}, {6, 0xc00e007bu}, {64, 0xc00e00a1u}};
  for (auto [typeId, code] : kConverterCode)
    if (typeId == id) return codes[0] == code && codes.size() >= 2;
  return false;
}

// Unpacks under the counting world: the unpack must fail and leave no block of the
// coder's behind. Returns the failure's codes.
Codes RefusedClean(uint32_t id, const Bytes &encoding) {
  kq::genu::test::CountingWorld guard;
  Codes codes;
  {
    Unpacked u(id, encoding);
    EXPECT_EQ(u.rc, 1);
    codes = u.codes;
  }
  EXPECT_TRUE(kq::genu::test::Counting().live.empty());
  EXPECT_EQ(kq::genu::test::Counting().badFrees, 0u);
  return codes;
}

TEST(GenuWTextMalformed, EveryShortenedEncodingIsRefused) {
  for (const Sample &s : Samples()) {
    SCOPED_TRACE(s.id);
    for (size_t n = 1; n < s.encoding.size(); ++n) {
      SCOPED_TRACE(n);
      EXPECT_EQ(RefusedClean(s.id, s.encoding.substr(0, n)), Codes{GENU_ST_DECODE_FAILED});
    }
    EXPECT_EQ(Unpacked(s.id, Bytes()).codes, Codes{GENU_ST_EMPTY_ENCODING});
  }
}

TEST(GenuWTextMalformed, WrongTagsAndChoicesTheTypeDoesNotHave) {
  const Bytes abc = Tlv(0x80, "abc");
  struct Case {
    uint32_t id;
    Bytes encoding;
  } cases[] = {
      {28, Tlv(0x04, "abc")},                     // universal octet string, not a choice
      {28, Tlv(0x85, "abc")},                     // a sixth choice
      {27, Tlv(0xa4, Tlv(0x82, "abc"))},          // unknown member of the other-code-set text
      {27, Tlv(0xa4, Tlv(0x81, "\x2a\x03"))},     // code set without the text
      {18, Tlv(0xa2, abc)},                       // a third choice of name or OID
      {18, Tlv(0xa1, Tlv(0x86, "abc"))},          // a name with an unknown choice
      {6, Tlv(0x30, Tlv(0xa0, Tlv(0x85, "x")))},  // a text with an unknown choice inside
      {6, Tlv(0x30, Tlv(0xa1, abc))},             // the text left out
      {6, Tlv(0x31, Tlv(0xa0, abc))},             // a set, not a sequence
      {64, Tlv(0xa7, abc)},                       // an eighth choice
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << "id " << c.id << " first byte " << std::hex
                                    << int(static_cast<unsigned char>(c.encoding[0])));
    Codes codes = RefusedClean(c.id, c.encoding);
    EXPECT_TRUE(ExpectedFailure(c.id, codes)) << std::hex << (codes.empty() ? 0 : codes[0]);
  }
}

}  // namespace
