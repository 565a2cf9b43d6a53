// The trace of each kind of error result (golden texts), the trace of damaged
// records, and the one-line descriptions.
#include "erdpa_test_support.h"

using namespace kq::erdpa::test;
namespace erdpa = kq::erdpa;

namespace {

class ErdpaEcho : public ErdpaTest {
 protected:
  void TearDown() override {
    for (ERDPA_errorResult_t *r : results_) ERDPA_FreeError(s, r);
    ErdpaTest::TearDown();
  }

  // An error built by `kind`'s builder from (problem, message) pairs, all for job-A
  // and the copy-count attribute; freed with the fixture.
  ERDPA_errorResult_t *Build(int32_t kind,
                             std::initializer_list<std::pair<uint32_t, const char *>> problems,
                             AS_attrHandle_t attribute) {
    ERDPA_errorResult_t *r = nullptr;
    for (auto [code, text] : problems)
      EXPECT_EQ(kBuilders[kind - 1].add(s, &r, code, attribute, &jobA, Msg(text)), 0u);
    results_.push_back(r);
    return r;
  }

  std::string Echo(const ERDPA_errorResult_t *r, uint32_t rc = 0) {
    return Captured([&] { EXPECT_EQ(ERDPA_EchoErrorResult(s, r), rc); });
  }

 private:
  std::vector<ERDPA_errorResult_t *> results_;
};

// The kinds whose titles stand one space off their head.
std::string Lead(int32_t kind) {
  switch (kind) {
    case ERDPA_UPDATE_ERROR:
    case ERDPA_ATTRIBUTE_ERROR:
    case ERDPA_DOCUMENT_ACCESS_ERROR:
    case ERDPA_PRINTER_ERROR:
      return " ";
    default:
      return "";
  }
}

const char kJob[] = "\t\tjob-identifier = job-A\n";
const char kCopies[] =
    "\t\tid-att-copy-count (cardinal)  \n"
    "\t\t\t1\n"
    "\t\t\t2\n";

TEST_F(ErdpaEcho, EachKindShowsItsHeadTitleObjectAttributesAndMessage) {
  struct Row {
    int32_t kind;
    std::initializer_list<std::pair<uint32_t, const char *>> problems;
    bool attributes;
    std::string text;
  };
  const std::string job = kJob, copies = kCopies;
  const Row rows[] = {
      {ERDPA_UPDATE_ERROR,
       {{1, "locked"}},
       false,
       "\t\tUpdate Error -  No Modifications Allowed\n" + job + "\t\terror-message = locked\n"},
      {ERDPA_UPDATE_ERROR,
       {{3, "odd"}},
       false,
       "\t\tUpdate Error -  Unknown Problem\n" + job + "\t\terror-message = odd\n"},
      {ERDPA_ATTRIBUTE_ERROR,
       {{11, "qualifier"}, {15, "class"}},
       true,
       job + "\t\tAttribute Error -  Illegal Qualifier Modification\n" + copies +
           "\t\terror-message = qualifier\n" +
           "\t\tAttribute Error -  Attribute Illegal For Object Class\n" + copies +
           "\t\terror-message = class\n" + "\t\tNumber of Attribute Errors = 2\n"},
      {ERDPA_DOCUMENT_ACCESS_ERROR,
       {{5, "empty"}},
       false,
       "\t\tDocument Access Error -  No Documents In Job\n" + job + "\t\terror-message = empty\n"},
      {ERDPA_SELECTION_ERROR,
       {{3, "exists"}},
       true,
       "\t\tSelection Error - Object Already Exists\n" + copies + job +
           "\t\terror-message = exists\n" + "\t\tNumber of Selection Errors = 1\n"},
      {ERDPA_SELECTION_ERROR,
       {{4, "four"}},
       false,
       "\t\tSelection Error - Unknown Problem\n" + job + "\t\terror-message = four\n" +
           "\t\tNumber of Selection Errors = 1\n"},
      {ERDPA_PRINTER_ERROR,
       {{3, "key"}},
       false,
       "\t\tPrinter Error -  Printer Needs Key Operator\n" + job + "\t\terror-message = key\n"},
      {ERDPA_ACCESS_ERROR,
       {{1, "class"}, {4, "state"}},
       false,
       "\t\tAccess Error - Inappropriate Object Class\n" + job + "\t\terror-message = class\n" +
           "\t\tAccess Error - Inappropriate Object State\n" + job + "\t\terror-message = state\n" +
           "\t\tNumber of Access Errors = 2\n"},
      {ERDPA_SERVICE_ERROR,
       {{15, "unsupported"}},
       false,
       "\t\tService Error - Unsupported Operation\n" + job + "\t\terror-message = unsupported\n" +
           "\t\tNumber of Service Errors = 1\n"},
      {ERDPA_SECURITY_ERROR,
       {{4, "pac"}},
       false,
       "\t\tSecurity Error - Invalid PAC\n\t\terror-message = pac\n"},
      {ERDPA_SECURITY_ERROR,
       {{0, "zero"}},
       false,
       "\t\tSecurity Error - Unknown Problem\n\t\terror-message = zero\n"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(kBuilders[row.kind - 1].name);
    ERDPA_errorResult_t *r = Build(row.kind, row.problems, row.attributes ? attr : nullptr);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(Echo(r), row.text);
    EXPECT_TRUE(s.Codes().empty());
  }
}

TEST_F(ErdpaEcho, EveryStandardCodeOfEveryKindHasItsTitle) {
  // Per kind: the codes with a title, the first and last title; every other code
  // up to 16 reads "Unknown Problem".
  struct Row {
    int32_t kind;
    uint32_t first, last;
    const char *firstTitle, *lastTitle;
  } rows[] = {
      {ERDPA_SELECTION_ERROR, 1, 3, "Invalid Identification", "Object Already Exists"},
      {ERDPA_DOCUMENT_ACCESS_ERROR, 1, 5, "Document Not Available", "No Documents In Job"},
      {ERDPA_PRINTER_ERROR, 1, 3, "Printer Error", "Printer Needs Key Operator"},
      {ERDPA_ATTRIBUTE_ERROR, 2, 15, "Invalid Attribute Syntax",
       "Attribute Illegal For Object Class"},
      {ERDPA_SERVICE_ERROR, 1, 15, "Server Busy", "Unsupported Operation"},
      {ERDPA_SECURITY_ERROR, 1, 4, "Inappropriate Authentication", "Invalid PAC"},
      {ERDPA_ACCESS_ERROR, 1, 4, "Inappropriate Object Class", "Inappropriate Object State"},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(kBuilders[r.kind - 1].name);
    std::string lead = Lead(r.kind);
    for (uint32_t code = 0; code <= 16; ++code) {
      std::string title = erdpa::ProblemTitle(r.kind, ERDPA_STANDARD_PROBLEM, code);
      if (code < r.first || code > r.last) {
        EXPECT_EQ(title, lead + "Unknown Problem\n") << code;
      } else {
        EXPECT_NE(title, lead + "Unknown Problem\n") << code;
      }
    }
    EXPECT_EQ(erdpa::ProblemTitle(r.kind, 1, r.first), lead + r.firstTitle + "\n");
    EXPECT_EQ(erdpa::ProblemTitle(r.kind, 1, r.last), lead + r.lastTitle + "\n");
    EXPECT_EQ(erdpa::ProblemTitle(r.kind, ERDPA_EXTENDED_PROBLEM, r.first),
              lead + "Extended Problem\n");
  }
  // Update has no code 3.
  EXPECT_EQ(erdpa::ProblemTitle(ERDPA_UPDATE_ERROR, 1, 3), std::string(" Unknown Problem\n"));
  EXPECT_EQ(erdpa::ProblemTitle(ERDPA_UPDATE_ERROR, 1, 5),
            std::string(" Cancellation Not Possible\n"));
}

TEST_F(ErdpaEcho, AnExtendedProblemShowsTheKindsExtendedText) {
  ERDPA_errorResult_t *r = Build(ERDPA_ACCESS_ERROR, {{1, "ext"}}, nullptr);
  auto *item = static_cast<ERDPA_accessItem_t *>(r->details);
  item->problemForm = ERDPA_EXTENDED_PROBLEM;
  item->problem = 1234;
  EXPECT_EQ(Echo(r), std::string("\t\tAccess Error - Extended Problem\n") + kJob +
                         "\t\terror-message = ext\n\t\tNumber of Access Errors = 1\n");
}

TEST_F(ErdpaEcho, DamagedRecordsAreReportedWithTheirLine) {
  struct Row {
    int32_t kind;
    const char *text;
    uint32_t code;
  } rows[] = {
      {ERDPA_UPDATE_ERROR, "\t\t**ERROR** (EchoUpdateError)\n", 0xc010006e},
      {ERDPA_ATTRIBUTE_ERROR, "\t\t**ERROR** (EchoAttributeError)\n", 0xc010006e},
      {ERDPA_DOCUMENT_ACCESS_ERROR, "\t\t**ERROR** (EchoDocAccessError)\n", 0xc010006e},
      {ERDPA_SELECTION_ERROR, "\t\t**ERROR** (EchoSelectionError)\n", 0xc010006e},
      {ERDPA_PRINTER_ERROR, "\t\t**ERROR** (EchoPrinterError)\n", 0xc010006e},
      {ERDPA_ACCESS_ERROR, "\t\t**ERROR** (EchoAccessError)\n", 0xc010006e},
      {ERDPA_SERVICE_ERROR, "\t\t**ERROR** (EchoServiceError)\n", 0xc010006e},
      {ERDPA_SECURITY_ERROR, "\t\t**ERROR** (EchoSecurityError)\n", 0xc010006e},
      {0, "\t\tUnknown Error Type\n", 0xc010006c},
      {9, "\t\tUnknown Error Type\n", 0xc010006c},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.kind);
    ERDPA_errorResult_t damaged{row.kind, nullptr};
    s.Clear();
    EXPECT_EQ(Echo(&damaged, 1), row.text);
    EXPECT_EQ(s.Codes(), std::vector<uint32_t>{row.code});
  }
  s.Clear();
  EXPECT_EQ(Echo(nullptr, 1), "\n");  // only the line of the opened message
  EXPECT_EQ(s.Codes(), std::vector<uint32_t>{0xc0100065});
  EXPECT_EQ(ERDPA_EchoErrorResult(nullptr, nullptr), 1u);
}

TEST_F(ErdpaEcho, WithoutAnOpenMessageTheRecordIsStillChecked) {
  ERDPA_errorResult_t damaged{ERDPA_PRINTER_ERROR, nullptr};
  EXPECT_EQ(ERDPA_EchoErrorResult(s, Build(ERDPA_PRINTER_ERROR, {{1, "m"}}, nullptr)), 0u);
  EXPECT_EQ(ERDPA_EchoErrorResult(s, &damaged), 1u);
  EXPECT_EQ(s.Codes(), std::vector<uint32_t>{0xc010006e});
}

using ErdpaString = ErdpaEcho;

std::string Described(const ERDPA_errorResult_t *r) {
  char *text = ErrorResult2String(r);
  std::string out = text ? text : "(null)";
  free(text);
  return out;
}

TEST_F(ErdpaString, EachKindGivesItsFirstProblemsMessageOrItsCorruptedText) {
  struct Row {
    int32_t kind;
    const char *corrupted;
  } rows[] = {
      {ERDPA_UPDATE_ERROR, "Update Error corrupted"},
      {ERDPA_ATTRIBUTE_ERROR, "Attribute Error corrupted"},
      {ERDPA_DOCUMENT_ACCESS_ERROR, "Document Access Error corrupted"},
      {ERDPA_SELECTION_ERROR, "Selection Error corrupted"},
      {ERDPA_PRINTER_ERROR, "Printer Error corrupted"},
      {ERDPA_ACCESS_ERROR, "Access Error corrupted"},
      {ERDPA_SERVICE_ERROR, "Service Error corrupted"},
      {ERDPA_SECURITY_ERROR, "Security Error Corrupted)"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(kBuilders[row.kind - 1].name);
    const Builder &b = kBuilders[row.kind - 1];
    ERDPA_errorResult_t *r = Build(row.kind, {{2, "the first"}}, attr);
    if (b.list) {
      EXPECT_EQ(b.add(s, &r, 3, attr, &jobA, Msg("the second")), 0u);
    }
    EXPECT_EQ(Described(r), "the first");
    ERDPA_errorResult_t damaged{row.kind, nullptr};
    EXPECT_EQ(Described(&damaged), row.corrupted);
  }
  ERDPA_attributeError_t noProblems{nullptr, nullptr};
  ERDPA_errorResult_t empty{ERDPA_ATTRIBUTE_ERROR, &noProblems};
  EXPECT_EQ(Described(&empty), "Attribute Error corrupted");
  ERDPA_errorResult_t unknown{12, nullptr};
  EXPECT_EQ(Described(&unknown), "Unknown Error Type");
  EXPECT_EQ(Described(nullptr), "Null Error Result");
}

TEST_F(ErdpaString, AFirstProblemInExtendedFormIsDescribedAsSuch) {
  ERDPA_errorResult_t *r = Build(ERDPA_SERVICE_ERROR, {{1, "a"}, {2, "b"}}, nullptr);
  static_cast<ERDPA_serviceError_t *>(r->details)->next->problemForm = ERDPA_EXTENDED_PROBLEM;
  EXPECT_EQ(Described(r), "a");  // only the first problem counts
  static_cast<ERDPA_serviceError_t *>(r->details)->problemForm = ERDPA_EXTENDED_PROBLEM;
  EXPECT_EQ(Described(r), "Extended Problem");
}

TEST(ErdpaMessageString, CharacterTagsAreCopiedOctetTagsExtractedOthersCorrupted) {
  static char chars[] = "plain";
  static unsigned char bytes[] = {'o', 'c', 't', 'e', 't', 's', '\0', 'x'};
  struct Row {
    int32_t tag;
    bool octets;
    int32_t length;
    const char *want;
  } rows[] = {
      {GEN_TEXT_ISO646, false, 0, "plain"},
      {GEN_TEXT_STRING, false, 0, "plain"},
      {GEN_TEXT_LATIN1, true, 6, "octets"},
      {GEN_TEXT_OCTETS, true, 3, "oct"},
      {GEN_TEXT_OTHER, true, 8, "octets"},
      {GEN_TEXT_OTHER, true, 0, ""},
      {GEN_TEXT_OCTETS, true, -1, "Error Message corrupted"},
      {0, false, 0, "Error Message corrupted"},
      {6, true, 6, "Error Message corrupted"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(std::to_string(row.tag) + " " + std::to_string(row.length));
    GEN_ErrorMsg_t m{};
    m.text.choice = row.tag;
    if (row.octets) {
      m.text.u.octets = {row.length, bytes};
    } else {
      m.text.u.string = chars;
    }
    char *text = erdpa::ErrorMessageData2String(&m);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, row.want);
    free(text);
  }
  char *none = erdpa::ErrorMessageData2String(nullptr);
  EXPECT_STREQ(none, "Error Message corrupted");
  free(none);
}

}  // namespace
