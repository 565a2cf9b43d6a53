// The DPA error results: the precedence of kinds with what each outcome keeps and
// frees, the argument checks, the copies an error owns, running out of memory at
// every allocation, the trace of each kind (golden texts), every problem title,
// damaged records, and the one-line descriptions.
#include "infra/erdpa.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "infra/genu.h"
#include "infra/svclog.h"
#include "kqtest.h"
#include "private/erdpa_int.h"

namespace kq::erdpa::test {

// Counts the blocks the family allocates and frees; fails every allocation from the
// `failAt`th on (counting from 0) when failAt is not negative.
struct CountingHeap {
  static inline long allocs = 0, frees = 0, failAt = -1;
  static void *Allocate(size_t size) {
    if (failAt >= 0 && allocs >= failAt) return nullptr;
    ++allocs;
    return malloc(size);
  }
  static void Deallocate(void *block) {
    if (block) ++frees;
    free(block);
  }
  static long Live() { return allocs - frees; }
  static constexpr AS_allocateDescriptor_t kDescriptor{Allocate, Deallocate};
};

// One builder called with everything a caller may give; each ignores what its kind
// does not take.
struct Builder {
  int32_t kind;
  const char *name;
  bool list;  // problems of the same kind are appended
  std::function<uint32_t(STF_statusList_t *, ERDPA_errorResult_t **, uint32_t, AS_attrHandle_t,
                         const GEN_ObjectIdent_t *, const GEN_ErrorMsg_t *)>
      add;
};

// Indexed by kind - 1.
inline const Builder kBuilders[8] = {
    {ERDPA_UPDATE_ERROR, "update", false,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *o, auto *m) {
       return ERDPA_Update(s, r, p, o, m);
     }},
    {ERDPA_ATTRIBUTE_ERROR, "attribute", true,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t a, auto *o, auto *m) {
       return ERDPA_Attribute(s, r, p, a, o, m);
     }},
    {ERDPA_DOCUMENT_ACCESS_ERROR, "document access", false,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *o, auto *m) {
       return ERDPA_DocumentAccess(s, r, p, o, m);
     }},
    {ERDPA_SELECTION_ERROR, "selection", true,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t a, auto *o, auto *m) {
       return ERDPA_Selection(s, r, p, a, o, m);
     }},
    {ERDPA_PRINTER_ERROR, "printer", false,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *o, auto *m) {
       return ERDPA_Printer(s, r, p, o, m);
     }},
    {ERDPA_ACCESS_ERROR, "access", true,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *o, auto *m) {
       return ERDPA_Access(s, r, p, o, m);
     }},
    {ERDPA_SERVICE_ERROR, "service", true,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t a, auto *o, auto *m) {
       return ERDPA_Service(s, r, p, a, o, m);
     }},
    {ERDPA_SECURITY_ERROR, "security", false,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *, auto *m) {
       return ERDPA_Security(s, r, p, m);
     }},
};

// The problems an error result holds, in order: (problem form, problem, message).
struct Held {
  int32_t form;
  uint32_t problem;
  std::string message;
  bool operator==(const Held &) const = default;
};

inline std::string MessageText(const GEN_ErrorMsg_t *m) {
  char *s = ErrorMessageData2String(m);
  std::string out = s ? s : "";
  free(s);
  return out;
}

inline std::vector<Held> Problems(const ERDPA_errorResult_t *r) {
  std::vector<Held> out;
  auto add = [&](int32_t f, uint32_t p, const GEN_ErrorMsg_t *m) {
    out.push_back({f, p, MessageText(m)});
  };
  switch (r->kind) {
    case ERDPA_UPDATE_ERROR:
    case ERDPA_DOCUMENT_ACCESS_ERROR:
    case ERDPA_PRINTER_ERROR: {
      auto *d = static_cast<const ERDPA_objectProblem_t *>(r->details);
      add(d->problemForm, d->problem, d->errorMessage);
      break;
    }
    case ERDPA_SECURITY_ERROR: {
      auto *d = static_cast<const ERDPA_securityError_t *>(r->details);
      add(d->problemForm, d->problem, d->errorMessage);
      break;
    }
    case ERDPA_ATTRIBUTE_ERROR:
      for (auto *p = static_cast<const ERDPA_attributeError_t *>(r->details)->problems; p;
           p = p->next)
        add(p->problemForm, p->problem, p->errorMessage);
      break;
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      for (auto *p = static_cast<const ERDPA_selectionItem_t *>(r->details); p; p = p->next)
        add(p->problemForm, p->problem, p->errorMessage);
      break;
    case ERDPA_ACCESS_ERROR:
      for (auto *p = static_cast<const ERDPA_accessItem_t *>(r->details); p; p = p->next)
        add(p->problemForm, p->problem, p->errorMessage);
      break;
  }
  return out;
}

// Runs `emit` inside an open service-log message and gives back the text it added,
// every line without its head (severity, thread, stamp and " | ").
template <typename Fn>
std::string Captured(Fn emit) {
  kq::test::LogCapture log("X");
  EXPECT_EQ(LOG_StartMessage(LOG_SEV_DIAG, nullptr, 0, nullptr), 1);
  emit();
  LOG_EndMessage();
  std::string text;
  for (const std::string &line : kq::test::Lines(log.Text())) {
    size_t bar = line.find(" | ");
    text += (bar == std::string::npos ? line : line.substr(bar + 3)) + "\n";
  }
  return text;
}

// Installs the counting heap, and holds the inputs: two jobs to name, messages, and
// a set with one copy-count attribute of two values.
class ErdpaTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kCopyCount = 352;  // id-att-copy-count, cardinal values

  void SetUp() override {
    CountingHeap::allocs = CountingHeap::frees = 0;
    CountingHeap::failAt = -1;
    SetHeap(&CountingHeap::kDescriptor);
    jobA = Job("job-A");
    jobB = Job("job-B");
    ASSERT_EQ(AS_Create(s, &source, nullptr, 0), 0u);
    GEN_Integer_t one = 1, two = 2;
    ASSERT_EQ(AS_AddAttrValM(s, source, kCopyCount, 1, &one, &GENU_CardinalDesc, &attr), 0u);
    ASSERT_EQ(AS_AddAttrValMR(s, attr, 1, &two, &GENU_CardinalDesc), 0u);
  }

  void TearDown() override {
    for (auto &[text, m] : messages_) GEN_DeleteErrorMsg(s, m, nullptr);
    AS_FreeAttrHandle(s, &attr);
    AS_Destroy(s, &source);
    SetHeap(nullptr);
  }

  static GEN_ObjectIdent_t Job(const char *id) {
    GEN_ObjectIdent_t o{};
    o.choice = 1;
    snprintf(o.u.job.value, sizeof o.u.job.value, "%s", id);
    return o;
  }

  // A message of `text` (kept until the end of the test).
  const GEN_ErrorMsg_t *Msg(const std::string &text) {
    auto &m = messages_[text];
    if (!m) {
      EXPECT_EQ(GENU_MakeErrorMsg(s, &m, text.c_str(), nullptr), 0u);
    }
    return m;
  }

  kq::test::StatusList s;
  GEN_ObjectIdent_t jobA{}, jobB{};
  AS_setHandle_t source = AS_nullSetHandle;
  AS_attrHandle_t attr = AS_nullAttrHandle;

 private:
  std::map<std::string, GEN_ErrorMsg_t *> messages_;
};

}  // namespace kq::erdpa::test

using namespace kq::erdpa::test;
namespace erdpa = kq::erdpa;

namespace {

using ErdpaBuild = ErdpaTest;

// Row: the kind already stored; column: the kind of the problem added.
//   K keep the stored error, drop the new problem (nothing allocated or freed)
//   R replace: the stored error is freed block for block, a new one holds the problem
//   A append to the stored list;  D same single-problem kind: the new problem is dropped
constexpr const char *kMatrix[8] = {
    //          upd att doc sel prt acc svc sec
    "DRRRRRRR",  // update
    "KARRRRRR",  // attribute
    "KKDRRRRR",  // document access
    "KKKARRRR",  // selection
    "KKKKDRRR",  // printer
    "KKKKKARR",  // access
    "KKKKKKAR",  // service
    "KKKKKKKD",  // security
};

TEST_F(ErdpaBuild, PrecedenceMatrixKeepsReplacesAppendsOrDrops) {
  const Held first{ERDPA_STANDARD_PROBLEM, 1, "first"};
  const Held second{ERDPA_STANDARD_PROBLEM, 2, "second"};
  for (int row = 0; row < 8; ++row) {
    for (int col = 0; col < 8; ++col) {
      const Builder &have = kBuilders[row], &add = kBuilders[col];
      SCOPED_TRACE(std::string(have.name) + " then " + add.name);
      ERDPA_errorResult_t *result = nullptr;
      ASSERT_EQ(have.add(s, &result, 1, attr, &jobA, Msg("first")), 0u);
      ERDPA_errorResult_t *stored = result;
      long storedBlocks = CountingHeap::Live(), freesBefore = CountingHeap::frees;
      long allocsBefore = CountingHeap::allocs;
      ASSERT_GT(storedBlocks, 2);

      ASSERT_EQ(add.add(s, &result, 2, attr, &jobA, Msg("second")), 0u);
      EXPECT_TRUE(s.Codes().empty());
      switch (kMatrix[row][col]) {
        case 'K':
        case 'D':
          EXPECT_EQ(result, stored);
          EXPECT_EQ(result->kind, have.kind);
          EXPECT_EQ(Problems(result), std::vector<Held>{first});
          EXPECT_EQ(CountingHeap::allocs, allocsBefore);
          EXPECT_EQ(CountingHeap::frees, freesBefore);
          break;
        case 'R':
          EXPECT_EQ(result->kind, add.kind);
          EXPECT_EQ(Problems(result), std::vector<Held>{second});
          EXPECT_EQ(CountingHeap::frees - freesBefore, storedBlocks);
          break;
        case 'A':
          EXPECT_EQ(result, stored);
          EXPECT_EQ(result->kind, have.kind);
          EXPECT_EQ(Problems(result), (std::vector<Held>{first, second}));
          EXPECT_EQ(CountingHeap::frees, freesBefore);
          break;
      }
      EXPECT_TRUE(add.list || kMatrix[row][col] != 'A');
      EXPECT_EQ(ERDPA_FreeError(s, result), 0u);
      EXPECT_EQ(CountingHeap::Live(), 0);
    }
  }
}

TEST(ErdpaPrecedence, ComparesTheLowSixteenBitsOfEachKind) {
  struct Case {
    int32_t existing, fresh;
    int want;
  } cases[] = {
      {6, 1, erdpa::kKeepExisting},       {1, 6, erdpa::kReplace},
      {6, 6, erdpa::kSameKind},           {0x10006, 6, erdpa::kSameKind},
      {6, 0x70001, erdpa::kKeepExisting}, {0x50001, 2, erdpa::kReplace},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(erdpa::GetPrecedence(c.existing, c.fresh), c.want)
        << std::hex << c.existing << " " << c.fresh;
  }
}

TEST_F(ErdpaBuild, ArgumentsAreCheckedInOrderWithEachKindsCodes) {
  // Which argument is left out, and the code each builder answers with (0: the
  // builder does not take that argument, or takes it as optional).
  struct Row {
    int32_t kind;
    uint32_t noResult, noObject, noMessage;
  } rows[] = {
      {ERDPA_UPDATE_ERROR, 0xc0100065, 0xc0100066, 0xc0100067},
      {ERDPA_ATTRIBUTE_ERROR, 0xc0100065, 0, 0xc0100068},
      {ERDPA_DOCUMENT_ACCESS_ERROR, 0xc0100065, 0xc0100066, 0xc0100067},
      {ERDPA_SELECTION_ERROR, 0xc0100065, 0xc0100067, 0xc0100068},
      {ERDPA_PRINTER_ERROR, 0xc0100065, 0xc0100066, 0xc0100067},
      {ERDPA_ACCESS_ERROR, 0xc0100065, 0xc0100066, 0xc0100067},
      {ERDPA_SERVICE_ERROR, 0xc0100065, 0xc0100067, 0xc0100068},
      {ERDPA_SECURITY_ERROR, 0xc0100065, 0, 0xc0100066},
  };
  for (const Row &r : rows) {
    const Builder &b = kBuilders[r.kind - 1];
    SCOPED_TRACE(b.name);
    ERDPA_errorResult_t *result = nullptr;
    s.Clear();
    EXPECT_EQ(b.add(s, nullptr, 1, attr, nullptr, nullptr), 1u);
    EXPECT_EQ(s.Codes(), std::vector<uint32_t>{r.noResult});
    s.Clear();
    EXPECT_EQ(b.add(s, &result, 1, attr, nullptr, Msg("m")), r.noObject ? 1u : 0u);
    if (r.noObject) {
      EXPECT_EQ(s.Codes(), std::vector<uint32_t>{r.noObject});
    }
    ERDPA_FreeError(s, result);
    result = nullptr;
    s.Clear();
    // The object, when taken, is given: only the message is missing.
    EXPECT_EQ(b.add(s, &result, 1, attr, &jobA, nullptr), 1u);
    EXPECT_EQ(s.Codes(), std::vector<uint32_t>{r.noMessage});
    EXPECT_EQ(result, nullptr);
    EXPECT_EQ(b.add(nullptr, &result, 1, attr, &jobA, Msg("m")), 1u);
    EXPECT_EQ(result, nullptr);
  }
  EXPECT_EQ(CountingHeap::Live(), 0);
}

TEST_F(ErdpaBuild, TwoAccessProblemsAreTwoItemsInCallOrderWithTheirOwnObjects) {
  ERDPA_errorResult_t *result = nullptr;
  ASSERT_EQ(ERDPA_Access(s, &result, 3, &jobA, Msg("a")), 0u);
  ASSERT_EQ(ERDPA_Access(s, &result, 1, &jobB, Msg("b")), 0u);
  auto *items = static_cast<ERDPA_accessItem_t *>(result->details);
  ASSERT_NE(items->next, nullptr);
  EXPECT_EQ(items->next->next, nullptr);
  EXPECT_STREQ(items->objectIdent->u.job.value, "job-A");
  EXPECT_STREQ(items->next->objectIdent->u.job.value, "job-B");
  // Deep copies: the caller's records are not kept.
  EXPECT_NE(items->objectIdent, &jobA);
  EXPECT_NE(items->errorMessage, Msg("a"));
  EXPECT_EQ(ERDPA_FreeError(s, result), 0u);
  EXPECT_EQ(CountingHeap::Live(), 0);
}

TEST_F(ErdpaBuild, AttributeProblemsAppendOnlyForTheStoredObject) {
  GEN_ObjectIdent_t alsoA = Job("job-A");
  struct Case {
    const char *what;
    const GEN_ObjectIdent_t *first, *second;
    size_t problems;
  } cases[] = {
      {"same record", &jobA, &jobA, 2},
      {"equal job in another record", &jobA, &alsoA, 2},
      {"another job", &jobA, &jobB, 1},
      {"both without object", nullptr, nullptr, 2},
      {"stored without object", nullptr, &jobA, 1},
      {"new without object", &jobA, nullptr, 1},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.what);
    ERDPA_errorResult_t *result = nullptr;
    ASSERT_EQ(ERDPA_Attribute(s, &result, 5, attr, c.first, Msg("one")), 0u);
    ASSERT_EQ(ERDPA_Attribute(s, &result, 6, attr, c.second, Msg("two")), 0u);
    EXPECT_EQ(Problems(result).size(), c.problems);
    auto *details = static_cast<ERDPA_attributeError_t *>(result->details);
    EXPECT_EQ(details->objectIdent != nullptr, c.first != nullptr);
    EXPECT_EQ(ERDPA_FreeError(s, result), 0u);
  }
  EXPECT_EQ(CountingHeap::Live(), 0);
}

TEST_F(ErdpaBuild, SameObjectTreatsAbsenceAsAValue) {
  GEN_ObjectIdent_t alsoA = Job("job-A");
  EXPECT_TRUE(erdpa::SameObject(nullptr, nullptr));
  EXPECT_FALSE(erdpa::SameObject(&jobA, nullptr));
  EXPECT_FALSE(erdpa::SameObject(nullptr, &jobA));
  EXPECT_TRUE(erdpa::SameObject(&jobA, &alsoA));
  EXPECT_FALSE(erdpa::SameObject(&jobA, &jobB));
}

TEST_F(ErdpaBuild, AttributesAreCopiedIntoANewSetPerProblem) {
  ERDPA_errorResult_t *attribute = nullptr, *selection = nullptr;
  ASSERT_EQ(ERDPA_Attribute(s, &attribute, 5, attr, &jobA, Msg("m")), 0u);
  ASSERT_EQ(ERDPA_Selection(s, &selection, 1, attr, &jobA, Msg("m")), 0u);
  ASSERT_EQ(ERDPA_Selection(s, &selection, 2, nullptr, &jobA, Msg("m")), 0u);
  // The source changes afterwards; the copies do not.
  GEN_Integer_t three = 3;
  ASSERT_EQ(AS_AddAttrValMR(s, attr, 1, &three, &GENU_CardinalDesc), 0u);

  auto *problem = static_cast<ERDPA_attributeError_t *>(attribute->details)->problems;
  auto *item = static_cast<ERDPA_selectionItem_t *>(selection->details);
  ASSERT_NE(item->attributes, nullptr);
  EXPECT_EQ(item->next->attributes, nullptr);
  for (AS_setHandle_t set : {problem->attributes, *item->attributes}) {
    EXPECT_NE(set, source);
    uint32_t attrs = 0, values = 0;
    EXPECT_EQ(AS_GetCount(s, set, &attrs), 0u);
    EXPECT_EQ(AS_GetAttrValCount(s, set, kCopyCount, &values), 0u);
    EXPECT_EQ(attrs, 1u);
    EXPECT_EQ(values, 2u);
  }
  EXPECT_EQ(ERDPA_FreeError(s, attribute), 0u);
  EXPECT_EQ(ERDPA_FreeError(s, selection), 0u);
  EXPECT_EQ(CountingHeap::Live(), 0);
}

TEST_F(ErdpaBuild, AnAttributeThatCannotBeCopiedIsReported) {
  ERDPA_errorResult_t *result = nullptr;
  EXPECT_EQ(ERDPA_Attribute(s, &result, 5, AS_nullAttrHandle, &jobA, Msg("m")), 1u);
  EXPECT_EQ(s.Codes(), std::vector<uint32_t>{0xc010006a});
  EXPECT_EQ(result, nullptr);
  EXPECT_EQ(CountingHeap::Live(), 0);
}

// Every allocation of a new error and of an appended problem fails once in turn: the
// builder reports it, keeps what the caller had and leaks nothing.
TEST_F(ErdpaBuild, RunningOutOfMemoryAnywhereLeavesTheCallersErrorAlone) {
  for (const Builder &b : kBuilders) {
    SCOPED_TRACE(b.name);
    for (bool onExisting : {false, true}) {
      if (onExisting && b.kind == ERDPA_UPDATE_ERROR) continue;  // dropped: nothing to fail
      for (long failAt = 0;; ++failAt) {
        SCOPED_TRACE(failAt);
        CountingHeap::failAt = -1;
        ERDPA_errorResult_t *result = nullptr;
        // An update error is replaced by every other kind; same kind appends.
        if (onExisting) {
          ASSERT_EQ(b.add(s, &result, 1, attr, &jobA, Msg("kept")), 0u);
          if (!b.list && b.kind != ERDPA_UPDATE_ERROR) {
            ERDPA_FreeError(s, result);
            result = nullptr;
            ASSERT_EQ(ERDPA_Update(s, &result, 1, &jobA, Msg("kept")), 0u);
          }
        }
        ERDPA_errorResult_t *before = result;
        std::vector<Held> held = result ? Problems(result) : std::vector<Held>{};
        long live = CountingHeap::Live();
        s.Clear();
        CountingHeap::failAt = CountingHeap::allocs + failAt;
        uint32_t rc = b.add(s, &result, 2, attr, &jobA, Msg("new"));
        CountingHeap::failAt = -1;
        if (rc == 0) {
          ERDPA_FreeError(s, result);
          ASSERT_GT(failAt, 0);
          break;
        }
        EXPECT_TRUE(s.Has(0xc0100069) || s.Has(0xc010006a)) << s.Text();
        EXPECT_EQ(result, before);
        EXPECT_EQ(CountingHeap::Live(), live);
        if (result) {
          EXPECT_EQ(Problems(result), held);
        }
        if (result) ERDPA_FreeError(s, result);
        ASSERT_EQ(CountingHeap::Live(), 0);
      }
    }
  }
}

TEST_F(ErdpaBuild, FreeingReportsWhatItCannotWalk) {
  auto *odd =
      static_cast<ERDPA_errorResult_t *>(CountingHeap::Allocate(sizeof(ERDPA_errorResult_t)));
  odd->kind = 9;
  odd->details = nullptr;
  EXPECT_EQ(ERDPA_FreeError(s, odd), 1u);
  EXPECT_EQ(CountingHeap::Live(), 0);  // the record itself is still released
  EXPECT_EQ(ERDPA_FreeError(s, nullptr), 1u);
  EXPECT_EQ(s.Codes(), std::vector<uint32_t>{0xc0100065});
  EXPECT_EQ(ERDPA_FreeError(nullptr, nullptr), 1u);
}

}  // namespace

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
