// Malformed encodings of texts and of the records that nest them: cut short, with a
// wrong tag, with a choice the type does not have. Each is refused with the decoder's
// or the converter's code and leaves nothing of the coder's allocations behind (the
// sanitizer build checks the rest; arbitrary bytes are fuzz/wire_unpack_fuzz's).
#include "wtext_support.h"

using namespace kq::genu::test;

namespace {

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
      {28, Tlv(0xa5, abc)},                       // a sixth choice, constructed
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
