// Renderings read back from a captured service log: values by type id through
// GENU_EchoAttrValue, whole attribute sets through GEN_EchoAS, strings, octets and
// records echoed into the log, the trace forms built by the layout walk, and the
// to-text operations.
#include <arpa/inet.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "../support/genv_test_support.h"
#include "infra/svclog.h"
#include "private/genu_render_int.h"

using namespace kq::genu::test;

namespace {

// Runs `emit` inside an open X message and gives back the text it added: every
// line of the message with its head (severity, thread, stamp and " | ") removed.
template <typename Fn>
std::string Captured(Fn emit) {
  kq::test::LogCapture log("X");
  EXPECT_EQ(LOG_StartMessage(5, nullptr, 0, nullptr), 1);
  emit();
  LOG_EndMessage();
  std::string text;
  for (const std::string &line : kq::test::Lines(log.Text())) {
    size_t bar = line.find(" | ");
    text += (bar == std::string::npos ? line : line.substr(bar + 3)) + "\n";
  }
  return text;
}

inline GEN_Text_t TextOf(const char *s) { return MakeText(GEN_TEXT_STRING, s); }
inline GEN_SimpleName_t NameOf(const char *s) { return MakeName(GEN_TEXT_ISO646, s); }
inline GEN_NameOrOID_t NoidOf(const char *s) { return GEN_NameOrOID_t{2, {.name = NameOf(s)}}; }
inline GEN_NameOrOID_t NoidOf(uint32_t oid) { return GEN_NameOrOID_t{1, {.oid = oid}}; }

// Short OIDs of the compiled table and their names.
constexpr uint32_t kJobName = 133;       // id-att-job-name, simple name values
constexpr uint32_t kJobPriority = 241;   // id-att-job-priority
constexpr uint32_t kCopyCount = 352;     // id-att-copy-count, cardinal values
constexpr uint32_t kDocFormat = 451;     // id-att-document-format
constexpr uint32_t kResultsProf = 1059;  // id-att-results-profile

struct Row {
  uint32_t id;
  const void *value;
  const char *text;  // what the log holds after the prefix "> " on each line
};

std::string Echo(uint32_t id, const void *value) {
  return Captured(
      [&] { EXPECT_EQ(GENU_EchoAttrValue(kq::test::StatusList(), "> ", value, id), 0u); });
}

TEST(GenuRender, EveryValueTypeRendersItsGoldenText) {
  static const GEN_Boolean_t kFalse = 0, kTwo = 2;
  static const GEN_Integer_t kMinus7 = -7, kDay = 90061;
  static GEN_NameOrOID_t jobName = NoidOf(kJobName), tray = NoidOf("tray-2"),
                         letter = NoidOf("letter");
  static GEN_DistNameString_t dnWith{TextOf("printer-one"), &jobName};
  static uint32_t events[] = {kJobPriority, kCopyCount}, method = kResultsProf;
  static GEN_ValueSeq_t ev2{nullptr, &events[1]}, ev1{&ev2, &events[0]};
  static GEN_SetOfOids_t eventSet{&ev1};
  static GEN_EventHandlingProfile_t ehp{&eventSet, &method, nullptr, nullptr, nullptr};
  static GEN_FontReference_t courier{1, NameOf("Courier")};
  static GEN_JobIdentifier_t job{"job-17"};
  static const std::string seventy(70, 'm');
  static const std::string sixty = "> " + seventy.substr(0, 60) + "\n";
  static GEN_Text_t longText = TextOf(seventy.c_str()), latin1{};
  static unsigned char cafe[] = {'c', 'a', 'f', 0xe9};
  latin1.choice = GEN_TEXT_LATIN1;
  latin1.u.octets = {4, cafe};
  static GEN_SimpleName_t lp0 = NameOf("lp0");
  static GEN_NumbersUpSupported_t upRange{};
  upRange.choice = 3, upRange.u.range = {1, 4};
  static const GEN_PageIdType_t kOddType = 7;
  static const GEN_Real_t kReal = 2.5;
  static const GEN_RealRange_t kRealRange{1, 2};
  static const GEN_Cardinal64_t kBig{1, 2};
  static GEN_CardinalOrNoid_t cnCard{};
  cnCard.choice = 1, cnCard.u.cardinal = 3;
  static GEN_Text_t variants = TextOf("v2");
  static GEN_SimpleName_t version = NameOf("1.0");
  static GEN_DocumentFormat_t format{kDocFormat, &variants, &version};
  static const GEN_Edge_t kTop = 2;
  static const GEN_GeneralizedTime_t kUtc{2026, 12, 7, 2, 3, 4, 5, 60, 1};
  static GEN_ValueSeq_t noid2{nullptr, &tray}, noid1{&noid2, &jobName};
  static GEN_NameOrOidSeq_t noids{&noid1};
  static GEN_PageMediaSelect_t range{};
  range.first.choice = 1, range.first.u.number = 1;
  range.last.choice = 1, range.last.u.number = 3;
  range.medium = letter;
  static GEN_ValueSeq_t rangeNode{nullptr, &range};
  static GEN_MediaSelect_t perRange{};
  perRange.choice = 2, perRange.u.pages.first = &rangeNode;
  static int32_t copies = 3;
  static GEN_Text_t comment = TextOf("for the board");
  static GEN_DeliveryAddress_t byText{};
  byText.choice = 3, byText.u.text = TextOf("desk 4");
  static GEN_ResultsProfile_t results{&method, &comment, &byText, &copies, &tray};
  static GEN_ACLNameType_t user = 1;
  static GEN_ACLPrivilegeLevel_t admin = 3;
  static GEN_PSISAccessControlList_t acl{};
  acl.choice = 1, acl.name = NameOf("alice"), acl.nameType = &user, acl.privilegeLevel = &admin;
  static GEN_ExtACL_t eacl{};
  eacl.principal = NameOf("bob"), eacl.nameType = 2;
  static const int32_t kAny = 0;

  // One row per formatter (ids sharing one share its value).
  // clang-format off
  const Row rows[] = {
      {0, &kFalse, "> FALSE\n"}, {0, &kTwo, "> TRUE\n"}, {1, &kMinus7, "> -7\n"},
      {12, &kMinus7, "> -7\n"}, {15, &kMinus7, "> -7\n"}, {22, &kMinus7, "> -7\n"},
      {26, &kMinus7, "> -7\n"}, {4, &kDay, "> 1 day 01:01:01 (90061)\n"},
      {6, &dnWith, "> printer-one Syntax=id-att-job-name\n"},
      {8, &ehp,
       "> event = id-att-job-priority\n> event = id-att-copy-count\n"
       "> method = id-att-results-profile\n"},
      {9, &courier, "> Courier\n"}, {10, &events[0], "> id-att-job-priority\n"},
      {14, &job, "> job-17\n"}, {16, &longText, sixty.c_str()}, {28, &latin1, "> caf\xe9\n"},
      {18, &tray, "> local:tray-2\n"}, {19, &upRange, "> CardinalRange = 1 - 4\n\n"},
      {21, &kOddType, "> unknown=7\n\n"}, {23, &kReal, "> 2.500000\n"},
      {25, &kRealRange, "> 1.000000 - 2.000000\n"}, {27, &lp0, "> lp0\n"},
      {31, &kBig, "> Card-64: 4294967298\n"}, {34, &cnCard, "> Cardinal = 3\n\n"},
      {43, &format, "> format = id-att-document-format\n> variants = v2\n> version = 1.0\n"},
      {44, &kTop, "> Top edge\n"}, {48, &kUtc, "> 7/12/2026 2:03:04.005 diff=60 UTC\n"},
      {60, &noids, "> global:id-att-job-name\n> local:tray-2\n"},
      {67, &perRange, "> Medium: letter Range: Num:1 to Num:3\n"},
      {81, &results,
       "> delivery method = id-att-results-profile\n> results set comment = for the board\n"
       "> delivery address = (text)\n> job copies = 3\n> output bin = tray-2\n"},
      {85, &acl, "> admin: user: alice\n"}, {86, &kAny, "> RPC-address\n"},
      {87, &kAny, "> Socket-address\n"}, {88, &kAny, "> not supported\n"},
      {89, &eacl, "> ExtAccessControlList Name Type: group: bob\n"},
  };
  // clang-format on
  // Types the rendering names without showing the value: the type table's display
  // name, then " not implemented" (one literal row below pins the form).
  const uint32_t kNotShown[] = {2,  3,  5,  7,  11, 13, 17, 20, 24, 29, 30, 32, 33, 35, 36,
                                37, 38, 39, 40, 41, 42, 45, 46, 47, 49, 50, 51, 52, 53, 54,
                                55, 56, 57, 58, 59, 61, 62, 63, 64, 65, 66, 68, 69, 70, 71,
                                72, 73, 74, 75, 76, 77, 78, 79, 80, 82, 83, 84};
  std::vector<bool> seen(95);
  for (const Row &r : rows) {
    EXPECT_EQ(Echo(r.id, r.value), r.text) << "id " << r.id;
    if (r.id < 95) seen[r.id] = true;
  }
  kq::test::StatusList s;
  for (uint32_t id : kNotShown) {
    std::string name = id == 33 ? "(oid) cardinal map" : GENU__TypeToAscii(s, id);
    EXPECT_EQ(Echo(id, &kAny), "> " + name + " not implemented\n") << id;
    seen[id] = true;
  }
  EXPECT_EQ(Echo(2, &kAny), "> cardinal range not implemented\n");
  for (uint32_t id : {90, 91, 92, 93, 94, 95, 4000}) {
    EXPECT_EQ(Echo(id, &kAny), "> unknown value type\n") << id;
    if (id < 95) seen[id] = true;
  }
  for (uint32_t id = 0; id < 95; ++id) EXPECT_TRUE(seen[id]) << "no golden row for id " << id;
}

TEST(GenuRender, ValueEchoNeedsAnOpenMessageAndMarksANullValue) {
  EXPECT_EQ(
      Captured([] { EXPECT_EQ(GENU_EchoAttrValue(kq::test::StatusList(), "> ", nullptr, 1), 0u); }),
      "NULL value\n");
  // Without an open message nothing is written and the echo still succeeds.
  kq::test::LogCapture log("X");
  GEN_Integer_t v = 1;
  EXPECT_EQ(GENU_EchoAttrValue(kq::test::StatusList(), "> ", &v, 1), 0u);
  EXPECT_EQ(GENU_EchoAttrValue(nullptr, "> ", &v, 1), 1u);
  EXPECT_EQ(log.Text(), "");
}

class GenuRenderSet : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(AS_Create(s, &set, nullptr, 0), 0u); }
  void TearDown() override { AS_Destroy(s, &set); }
  kq::test::StatusList s;
  AS_setHandle_t set = AS_nullSetHandle;
};

TEST_F(GenuRenderSet, EmptySetSaysSo) {
  EXPECT_EQ(Captured([&] { EXPECT_EQ(GEN_EchoAS(s, set), 0u); }), "\t\tno attributes\n");
}

TEST_F(GenuRenderSet, EachAttributeIsABlockOfItsValues) {
  GEN_SimpleName_t name = NameOf("report");
  GEN_Integer_t one = 1, two = 2;
  ASSERT_EQ(AS_AddAttrValM(s, set, kJobName, 27, &name, &GENU_SimpleNameDesc, nullptr), 0u);
  AS_attrHandle_t copies = AS_nullAttrHandle;
  ASSERT_EQ(AS_AddAttrValM(s, set, kCopyCount, 1, &one, &GENU_CardinalDesc, &copies), 0u);
  ASSERT_EQ(AS_AddAttrValMR(s, copies, 1, &two, &GENU_CardinalDesc), 0u);
  ASSERT_EQ(AS_SetAttrModifyOpR(s, copies, AS_MODIFY_ADD_VALUES), 0u);
  AS_attrHandle_t priority = AS_nullAttrHandle;
  ASSERT_EQ(AS_AddAttr(s, set, kJobPriority, 75, &priority), 0u);
  ASSERT_EQ(AS_SetAttrModifyOpR(s, priority, AS_MODIFY_NOOP), 0u);
  EXPECT_EQ(Captured([&] { EXPECT_EQ(GEN_EchoAS(s, set), 0u); }),
            "\t\tid-att-job-name (simple name)  \n"
            "\t\t\treport\n"
            "\t\tid-att-copy-count (cardinal) AddValues\n"
            "\t\t\t1\n"
            "\t\t\t2\n"
            "\t\tid-att-job-priority (priority) NoOp\n"
            "\t\t\tno values\n");
  AS_FreeAttrHandle(s, &copies);
  AS_FreeAttrHandle(s, &priority);
}

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
  static GEN_Text_t other = TextOf("x");
  other.choice = GEN_TEXT_OTHER;
  other.u.octets = {3, const_cast<unsigned char *>(U(kAlphabet))};
  static unsigned char encoded[] = {0x30, 0x01, 0xa0};
  static const OssBuf ber{3, encoded};
  const Case cases[] = {
      ROW(GEN_EchoPrintableString(s, 70, U(kLetters)), sixty.c_str()),
      ROW(GEN_EchoPrintableString(s, 5, U("a b.c")), "a b.c\n"),
      ROW(GEN_EchoPrintableString(s, 2, kBytes), "Length = 2\nValue=<AFFH>\n"),
      ROW(GEN_EchoOctetStringInt(s, 2, kBytes), "Length = 2\nValue = <AFFH>\n"),
      ROW(GENU__EchoOctetString(s, 3, U("abc"), "tok"), "tok = <abc>\n"),
      ROW(GENU__EchoOctetString(s, 25, U(kAlphabet), "tok"),
          "tok = head: <abcdefghij ..., tail: ... pqrstuvwxy>\n"),
      ROW(GEN_EchoBer(s, &ber), "length = 3\nvalue = \\30\\01\\a0\n"),
      ROW(GEN_EchoText(s, &other), "abc\n"),
  };
  ExpectAll(cases, std::size(cases));
  // A negative length is refused.
  kq::test::StatusList s;
  Captured([&] { EXPECT_EQ(GEN_EchoPrintableString(s, -1, kBytes), 1u); });
  EXPECT_TRUE(s.Has(GENU_ST_BAD_VALUE));
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
