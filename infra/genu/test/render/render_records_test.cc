// Strings, octets and records echoed into the log, the trace forms built by the
// layout walk, and the to-text operations.
#include <arpa/inet.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "private/genu_render_int.h"
#include "render_capture.h"

using namespace kq::genu::test;

namespace {

using Emit = std::function<uint32_t(STF_statusList_t *)>;

// A case: one call that reports into `s` (named by its own text), and what it renders.
// clang-format off
#define ROW(call, text) {#call, [](STF_statusList_t *s) -> uint32_t { return call; }, text}
// clang-format on

struct Case {
  const char *what;
  Emit emit;
  const char *text;
};

void ExpectAll(const Case *cases, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    kq::test::StatusList s;
    EXPECT_EQ(Captured([&] { EXPECT_EQ(cases[i].emit(s), 0u) << cases[i].what; }), cases[i].text)
        << cases[i].what;
  }
}

const unsigned char kBytes[] = {0x0a, 0xff};
const std::string kLetters(70, 'q');
const std::string kAlphabet = "abcdefghijklmnopqrstuvwxy";  // 25 bytes

const unsigned char *U(const std::string &s) {
  return reinterpret_cast<const unsigned char *>(s.data());
}

TEST(GenuRenderStrings, PrintableOctetAndEncodedForms) {
  static const std::string sixty = kLetters.substr(0, 60) + "...\n";
  static GEN_Text_t other = TextOf("x"), bad = TextOf("x");
  other.choice = GEN_TEXT_OTHER;
  other.u.octets = {3, const_cast<unsigned char *>(U(kAlphabet))};
  bad.choice = 9;
  static unsigned char encoded[] = {0x30, 0x01, 0xa0};
  static const OssBuf ber{3, encoded};
  const Case cases[] = {
      ROW(GEN_EchoPrintableString(s, 70, U(kLetters)), sixty.c_str()),
      ROW(GEN_EchoPrintableString(s, 5, U("a b.c")), "a b.c\n"),
      ROW(GEN_EchoPrintableString(s, 2, kBytes), "Length = 2\nValue=<AFFH>\n"),
      ROW(GEN_EchoPrintableString(s, 0, kBytes), "\n"),
      ROW(GEN_EchoOctetStringInt(s, 2, kBytes), "Length = 2\nValue = <AFFH>\n"),
      ROW(GEN_EchoOctetStringInt(s, 3, U("abc")), "Length = 3\nValue = <abc>\n"),
      ROW(GENU__EchoOctetString(s, 3, U("abc"), "tok"), "tok = <abc>\n"),
      ROW(GENU__EchoOctetString(s, 25, U(kAlphabet), "tok"),
          "tok = head: <abcdefghij ..., tail: ... pqrstuvwxy>\n"),
      ROW(GEN_EchoBer(s, &ber), "length = 3\nvalue = \\30\\01\\a0\n"),
      ROW(GEN_EchoText(s, &other), "abc\n"),
      ROW(GEN_EchoText(s, &bad), "unknown simple name choice\n"),
  };
  ExpectAll(cases, std::size(cases));
  // A negative length is refused; without an open message nothing is looked at.
  kq::test::StatusList s;
  Captured([&] { EXPECT_EQ(GEN_EchoPrintableString(s, -1, kBytes), 1u); });
  EXPECT_TRUE(s.Has(GENU_ST_BAD_VALUE));
  kq::test::StatusList quiet;
  EXPECT_EQ(GEN_EchoPrintableString(quiet, -1, kBytes), 0u);
}

TEST(GenuRenderRecords, QuotedRecordForms) {
  static const GEN_GeneralizedTime_t time{2026, 12, 7, 2, 3, 4, 5, -60, 1};
  static GEN_ObjectIdent_t doc{};
  doc.choice = 2;
  snprintf(doc.u.document.job.value, sizeof doc.u.document.job.value, "job-9");
  doc.u.document.documentNumber = 4;
  static int32_t copies = 2;
  static GEN_Cardinal64_t octets{0, 1000};
  static GEN_Checkpoint_t partial{};
  partial.copiesCompleted = &copies, partial.octetsCompleted = &octets;
  partial.context.length = 3;
  memcpy(partial.context.value, "ctx", 3);
  partial.format = kDocFormat;
  const Case cases[] = {
      ROW(GEN_EchoGeneralizedTime(s, &time),
          "\t\tyear = 2026\n\t\tmonth = 12\n\t\tday = 7\n\t\thour = 2\n\t\tminute = 3\n"
          "\t\tsecond = 4\n\t\tmillisecond = 5\n\t\tmindiff = -60\n\t\tutc = TRUE\n"),
      ROW(GEN_EchoObjectIdent(s, &doc), "\t\tjob-identifier = job-9\n\t\tdocument-number = 4\n"),
      ROW(GEN_EchoCheckpoint(s, &partial),
          "\t\tprinter-name = OPTION not specified\n"
          "\t\tjob-copies-completed = OPTION not specified\n\t\tcopies-completed = 2\n"
          "\t\tpages-completed = OPTION not specified\n\t\toctets-completed = 1000\n"
          "\t\tcontext-info = ctx\n\t\tcheckpoint-format = id-att-document-format\n"),
      ROW(GEN_EchoLimitEncountered(s, 9), "unkown GEN_limitEncountered_t enum value [ERROR]\n"),
  };
  ExpectAll(cases, std::size(cases));
}

TEST(GenuRenderTrace, EveryLabelTableMatchesItsLayout) {
  const kq::genu::RecordText *all = nullptr;
  size_t n = kq::genu::RecordTextCount(&all);
  ASSERT_GT(n, 20u);
  for (size_t i = 0; i < n; ++i)
    EXPECT_EQ(all[i].count, all[i].layout->fieldCount) << all[i].layout->name;
}

TEST(GenuRenderTrace, LabelledRecordsFollowTheirLayouts) {
  static GEN_RPCAddress_t onc{};
  onc.choice = 2, onc.u.onc = {TextOf("host-a"), 300001, 1, 1, TextOf("sys")};
  static GEN_SocketAddress_t v4{};
  v4.choice = 1, v4.port = 515, v4.addressLength = 4;
  inet_pton(AF_INET, "127.0.0.1", v4.address);
  static int32_t timeout = 30;
  static GEN_DocumentFormat_t pdf{kDocFormat, nullptr, nullptr};
  static GEN_ValueSeq_t pdfNode{nullptr, &pdf};
  static GEN_SetOfDocumentFormat_t inputs{&pdfNode};
  static GEN_PreprocessorDefinition_t pre{};
  pre.name = NameOf("pp"), pre.preprocessorType = GEN_TRANSLATION_FILTER;
  pre.executableType = GEN_LIBRARY, pre.pathName = TextOf("/usr/lib/pp.so");
  pre.timeout = &timeout, pre.inputFormats = &inputs;
  const Case cases[] = {
      ROW(GENU__EchoRPCAddress(s, &onc),
          "host: host-a\nprogram: 300001\nversion: 1\nprocedure: 1\n\tauthName:sys\n"),
      ROW(GENU__EchoSocketAddress(s, &v4), "Port: 515  IPv4: <127.0.0.1>\n"),
      ROW(GENU__EchoFastFilterDef(s, nullptr), "NULL POINTER\n"),
      ROW(GENU__EchoPreprocessorDefinition(s, &pre),
          "Name: pp\nPreprocessor type: GEN_TRANSLATION_FILTER\nExecutable type: GEN_LIBRARY\n"
          "Path name: /usr/lib/pp.so\nAttribute pattern: NULL\ndeltatime time out: 30\n"
          "Input formats: id-att-document-format\n"),
  };
  ExpectAll(cases, std::size(cases));
}

// (The one-line forms of edges, delivery addresses, font references and event
// profiles are the value renderings' texts, which GenuRender's golden rows pin.)
TEST(GenuRenderToText, BuffersAndFreshStrings) {
  kq::test::StatusList s;
  char buffer[GENU_RENDER_TEXT_MAX];
  GEN_SimpleName_t names[] = {NameOf("ann"), NameOf("bo")};
  GEN_ValueSeq_t second{nullptr, &names[1]}, first{&second, &names[0]};
  GEN_SeqOfSimpleName_t list{&first}, empty{nullptr};
  char *end = GENU__SimpleACLtoAscii(s, "users=", ",", &list, buffer);
  EXPECT_STREQ(buffer, "users=ann,bo");
  EXPECT_EQ(end, buffer + strlen("users=ann,bo"));
  GENU__SimpleACLtoAscii(s, ".none", ",", &empty, buffer);
  EXPECT_STREQ(buffer, ".none");
  GENU__SimpleACLtoAscii(s, "users=", ",", &empty, buffer);
  EXPECT_STREQ(buffer, "");
  GEN_PageIdentifier_t page{};
  page.choice = 4;
  EXPECT_STREQ(GENU__PageIdentToAscii(s, &page, buffer), "Bad ID:4");
  EXPECT_STREQ(GENU__PageIdentToAscii(s, nullptr, buffer), "<not specified>");
  GEN_SimpleName_t name = NameOf("queue-7");
  char *fresh = GENU__SimpleNameToAscii(s, &name);
  ASSERT_NE(fresh, nullptr);
  EXPECT_STREQ(fresh, "queue-7");
  free(fresh);
  GEN_Text_t bad = TextOf("x");
  bad.choice = 0;
  EXPECT_EQ(GENU__TextToAscii(s, &bad), nullptr);
}

}  // namespace
