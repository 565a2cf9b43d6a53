// The DPA error results: the precedence of kinds with what each outcome keeps and
// frees, the argument checks, the copies an error owns, running out of memory at
// every allocation, the trace of each kind (golden texts), every problem title,
// damaged records, and the one-line descriptions.
#include "infra/erdpa.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "infra/genu.h"
#include "infra/svclog.h"
#include "kqtest.h"
#include "private/erdpa_int.h"

namespace kq::erdpa {
namespace {

// Counts the blocks the family allocates and frees; fails every allocation from the
// `failAt`th on (counting from 0) when failAt is not negative.
struct CountingHeap {
  static inline long allocs = 0, frees = 0, failAt = -1;
  static void *Allocate(size_t n) { return failAt >= 0 && allocs >= failAt ? nullptr : Count(n); }
  static void *Count(size_t n) { return ++allocs, malloc(n); }
  static void Deallocate(void *block) { frees += block != nullptr, free(block); }
  static long Live() { return allocs - frees; }
  static constexpr AS_allocateDescriptor_t kDescriptor{Allocate, Deallocate};
};

// The builder of each kind (indexed by kind) called with everything a caller may
// give; each ignores what its kind does not take.
using Builder = uint32_t (*)(STF_statusList_t *, ERDPA_errorResult_t **, uint32_t, AS_attrHandle_t,
                             const GEN_ObjectIdent_t *, const GEN_ErrorMsg_t *);
template <auto F>
uint32_t NoSet(STF_statusList_t *s, ERDPA_errorResult_t **r, uint32_t p, AS_attrHandle_t,
               const GEN_ObjectIdent_t *o, const GEN_ErrorMsg_t *m) {
  return F(s, r, p, o, m);
}
uint32_t Security(STF_statusList_t *s, ERDPA_errorResult_t **r, uint32_t p, AS_attrHandle_t,
                  const GEN_ObjectIdent_t *, const GEN_ErrorMsg_t *m) {
  return ERDPA_Security(s, r, p, m);
}
const Builder kAdd[] = {
    nullptr,         NoSet<ERDPA_Update>,  ERDPA_Attribute,     NoSet<ERDPA_DocumentAccess>,
    ERDPA_Selection, NoSet<ERDPA_Printer>, NoSet<ERDPA_Access>, ERDPA_Service,
    Security};

// Calls `visit` on every problem of `r` in order with (form, problem, object, set,
// message); the set is null where the problem keeps none, and an attribute problem
// is given its error's object.
const AS_setHandle_t *SetOf(AS_setHandle_t *const &cell) { return cell; }
const AS_setHandle_t *SetOf(const AS_setHandle_t &set) { return &set; }
template <typename P, typename Visit>
void Each(P *p, const GEN_ObjectIdent_t *object, Visit visit) {
  if (!p) return;
  const AS_setHandle_t *set = nullptr;
  if constexpr (requires { p->objectIdent; }) object = p->objectIdent;
  if constexpr (requires { p->attributes; }) set = SetOf(p->attributes);
  visit(p->problemForm, p->problem, object, set, p->errorMessage);
  if constexpr (requires { p->next; }) Each(p->next, object, visit);
}
template <typename Visit>
void Walk(const ERDPA_errorResult_t *r, Visit visit) {
  void *d = r->details;
  switch (r->kind) {
    case ERDPA_SECURITY_ERROR:
      return Each(static_cast<ERDPA_securityError_t *>(d), nullptr, visit);
    case ERDPA_ATTRIBUTE_ERROR:  // its problems name the error's object
      return Each(static_cast<ERDPA_attributeError_t *>(d)->problems,
                  static_cast<ERDPA_attributeError_t *>(d)->objectIdent, visit);
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      return Each(static_cast<ERDPA_selectionItem_t *>(d), nullptr, visit);
    case ERDPA_ACCESS_ERROR:
      return Each(static_cast<ERDPA_accessItem_t *>(d), nullptr, visit);
  }
  Each(static_cast<ERDPA_objectProblem_t *>(d), nullptr, visit);
}

// Puts the problems of `r` from the `from`th on (counting from 0) in extended form.
void Extend(const ERDPA_errorResult_t *r, int from) {
  int n = 0;
  Walk(r, [&](int32_t &form, auto &&...) { form = n++ < from ? form : ERDPA_EXTENDED_PROBLEM; });
}

// A string the family handed out, released.
std::string Taken(char *text) {
  std::string out = text ? text : "(null)";
  return free(text), out;
}

constexpr uint32_t kCopyCount = 352;  // id-att-copy-count, cardinal values

// The error as one line: its kind, then per problem "form.problem/job/set/message",
// the set as attributes x copy-count values ("-" for no job or no set).
std::string Show(const ERDPA_errorResult_t *r) {
  std::string out = std::to_string(r->kind);
  Walk(r, [&](int32_t &form, uint32_t problem, const GEN_ObjectIdent_t *o,
              const AS_setHandle_t *set, const GEN_ErrorMsg_t *m) {
    uint32_t attrs = 0, values = 0;
    kq::test::StatusList s;
    if (set) AS_GetCount(s, *set, &attrs), AS_GetAttrValCount(s, *set, kCopyCount, &values);
    out += " " + std::to_string(form) + "." + std::to_string(problem) + "/" +
           (o ? o->u.job.value : "-") + "/" +
           (set ? std::to_string(attrs) + "x" + std::to_string(values) : "-") + "/" +
           Taken(ErrorMessageData2String(m));
  });
  return out;
}

// The trace of `r` inside an open service-log message, the call answering `rc`;
// every line without its head (severity, thread, stamp and " | ").
std::string Echo(STF_statusList_t *s, const ERDPA_errorResult_t *r, uint32_t rc = 0) {
  kq::test::LogCapture log("X");
  EXPECT_EQ(LOG_StartMessage(LOG_SEV_DIAG, nullptr, 0, nullptr), 1);
  EXPECT_EQ(ERDPA_EchoErrorResult(s, r), rc);
  LOG_EndMessage();
  return std::regex_replace(log.Text(), std::regex("^.*? \\| ", std::regex::multiline), "");
}

// Installs the counting heap and holds the inputs: two jobs to name, messages, and a
// set with one copy-count attribute of two values. Errors made by Build are freed at
// the end, and then nothing the family allocated may be left.
class Erdpa : public ::testing::Test {
 protected:
  void SetUp() override {
    CountingHeap::allocs = CountingHeap::frees = 0, CountingHeap::failAt = -1;
    SetHeap(&CountingHeap::kDescriptor);
    ASSERT_EQ(AS_Create(s, &source, nullptr, 0), 0u);
    GEN_Integer_t one = 1, two = 2;
    ASSERT_EQ(AS_AddAttrValM(s, source, kCopyCount, 1, &one, &GENU_CardinalDesc, &attr), 0u);
    ASSERT_EQ(AS_AddAttrValMR(s, attr, 1, &two, &GENU_CardinalDesc), 0u);
  }

  void TearDown() override {
    for (ERDPA_errorResult_t *r : built_) EXPECT_EQ(ERDPA_FreeError(s, r), 0u);
    EXPECT_EQ(CountingHeap::Live(), 0);
    for (auto &[text, m] : messages_) GEN_DeleteErrorMsg(s, m, nullptr);
    AS_FreeAttrHandle(s, &attr);
    AS_Destroy(s, &source);
    SetHeap(nullptr);
  }

  // A message of `text` (kept until the end of the test).
  const GEN_ErrorMsg_t *Msg(const std::string &text) {
    auto &m = messages_[text];
    if (!m) GENU_MakeErrorMsg(s, &m, text.c_str(), nullptr);
    return m;
  }

  // An error of `kind` built from (problem, message) pairs, each for `object` and
  // `attribute`; freed with the fixture.
  ERDPA_errorResult_t *Build(int32_t kind, std::vector<std::pair<uint32_t, const char *>> problems,
                             AS_attrHandle_t attribute, const GEN_ObjectIdent_t *object) {
    ERDPA_errorResult_t *r = nullptr;
    for (auto [code, text] : problems)
      EXPECT_EQ(kAdd[kind](s, &r, code, attribute, object, Msg(text)), 0u);
    if (r) built_.push_back(r);
    return r;
  }

  kq::test::StatusList s;
  GEN_ObjectIdent_t jobA{1, {{"job-A"}}}, jobB{1, {{"job-B"}}};
  AS_setHandle_t source = AS_nullSetHandle;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  std::map<std::string, GEN_ErrorMsg_t *> messages_;
  std::vector<ERDPA_errorResult_t *> built_;
};

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

bool Appends(int32_t kind) { return kMatrix[kind - 1][kind - 1] == 'A'; }

// What Show gives of a problem that kAdd made with job-A and the copy-count attribute.
std::string One(int32_t kind, uint32_t code, const std::string &message) {
  bool set = Appends(kind) && kind != ERDPA_ACCESS_ERROR;  // attribute, selection, service
  return " 1." + std::to_string(code) + (kind == ERDPA_SECURITY_ERROR ? "/-/" : "/job-A/") +
         (set ? "1x2/" : "-/") + message;
}

TEST_F(Erdpa, PrecedenceMatrixKeepsReplacesAppendsOrDrops) {
  for (int32_t have = 1; have <= 8; ++have) {
    for (int32_t add = 1; add <= 8; ++add) {
      SCOPED_TRACE(std::to_string(have) + " then " + std::to_string(add));
      ERDPA_errorResult_t *result = nullptr;
      ASSERT_EQ(kAdd[have](s, &result, 1, attr, &jobA, Msg("first")), 0u);
      ERDPA_errorResult_t *stored = result;
      long blocks = CountingHeap::Live(), allocs = CountingHeap::allocs;
      long frees = CountingHeap::frees;
      ASSERT_EQ(kAdd[add](s, &result, 2, attr, &jobA, Msg("second")), 0u);
      const char outcome = kMatrix[have - 1][add - 1];
      EXPECT_EQ(result == stored, outcome != 'R');
      EXPECT_EQ(CountingHeap::frees - frees, outcome == 'R' ? blocks : 0);
      EXPECT_EQ(CountingHeap::allocs == allocs, outcome == 'K' || outcome == 'D');
      std::string kept = std::to_string(have) + One(have, 1, "first");
      EXPECT_EQ(Show(result), outcome == 'R'   ? std::to_string(add) + One(add, 2, "second")
                              : outcome == 'A' ? kept + One(have, 2, "second")
                                               : kept);
      EXPECT_TRUE(s.Codes().empty());
      EXPECT_EQ(ERDPA_FreeError(s, result), 0u);
      EXPECT_EQ(CountingHeap::Live(), 0);
    }
  }
}

// Each problem owns deep copies of its object and attributes (the source set changes
// after the errors are built, the copies do not); an attribute error takes further
// problems only for the object it names, absence included.
TEST_F(Erdpa, AppendedProblemsKeepTheirOwnCopiesAndAttributeErrorsOneObject) {
  GEN_ObjectIdent_t alsoA{1, {{"job-A"}}};
  struct Row {
    int32_t kind;
    const GEN_ObjectIdent_t *first, *second;
    AS_attrHandle_t secondAttr;
    const char *text;
    ERDPA_errorResult_t *result = nullptr;
  } rows[] = {
      // clang-format off
      {ERDPA_ACCESS_ERROR, &jobA, &jobB, attr, "6 1.3/job-A/-/a 1.4/job-B/-/b"},
      {ERDPA_SELECTION_ERROR, &jobA, &jobB, AS_nullAttrHandle, "4 1.3/job-A/1x2/a 1.4/job-B/-/b"},
      {ERDPA_ATTRIBUTE_ERROR, &jobA, &alsoA, attr, "2 1.3/job-A/1x2/a 1.4/job-A/1x2/b"},
      {ERDPA_ATTRIBUTE_ERROR, &jobA, &jobB, attr, "2 1.3/job-A/1x2/a"},
      {ERDPA_ATTRIBUTE_ERROR, nullptr, nullptr, attr, "2 1.3/-/1x2/a 1.4/-/1x2/b"},
      {ERDPA_ATTRIBUTE_ERROR, &jobA, nullptr, attr, "2 1.3/job-A/1x2/a"},
      // clang-format on
  };
  for (Row &row : rows) {
    row.result = Build(row.kind, {{3, "a"}}, attr, row.first);
    EXPECT_EQ(kAdd[row.kind](s, &row.result, 4, row.secondAttr, row.second, Msg("b")), 0u);
  }
  GEN_Integer_t three = 3;
  ASSERT_EQ(AS_AddAttrValMR(s, attr, 1, &three, &GENU_CardinalDesc), 0u);
  for (const Row &row : rows) EXPECT_EQ(Show(row.result), row.text);
}

// Every allocation of a new error and of an appended problem fails once in turn: the
// builder reports it, keeps what the caller had and leaks nothing.
TEST_F(Erdpa, RunningOutOfMemoryAnywhereLeavesTheCallersErrorAlone) {
  for (int32_t kind = 1; kind <= 8; ++kind) {
    // On an error: the list kinds append to their own kind, the others replace an update
    // error (an update problem on one is dropped: nothing to fail).
    const int32_t base = Appends(kind) ? kind : ERDPA_UPDATE_ERROR;
    for (bool onError : {false, true}) {
      if (onError && kind == ERDPA_UPDATE_ERROR) continue;
      for (long failAt = 0;; ++failAt) {
        SCOPED_TRACE("kind " + std::to_string(kind) + (onError ? " on an error" : " alone") +
                     ", failing allocation " + std::to_string(failAt));
        ERDPA_errorResult_t *result = nullptr;
        ASSERT_EQ(onError ? kAdd[base](s, &result, 1, attr, &jobA, Msg("kept")) : 0u, 0u);
        ERDPA_errorResult_t *before = result;
        std::string held = result ? Show(result) : "";
        long live = CountingHeap::Live();
        s.Clear();
        CountingHeap::failAt = CountingHeap::allocs + failAt;
        uint32_t rc = kAdd[kind](s, &result, 2, attr, &jobA, Msg("new"));
        CountingHeap::failAt = -1;
        if (rc == 0) {
          ERDPA_FreeError(s, result);
          ASSERT_GT(failAt, 0);
          break;
        }
        EXPECT_TRUE(s.Has(0xc0100069) || s.Has(0xc010006a)) << s.Text();
        EXPECT_EQ(result, before);
        EXPECT_EQ(CountingHeap::Live(), live);
        EXPECT_EQ(result ? Show(result) : "", held);
        if (result) ERDPA_FreeError(s, result);
        ASSERT_EQ(CountingHeap::Live(), 0);
      }
    }
  }
}

std::string Said(const char *text) { return std::string("\t\terror-message = ") + text + "\n"; }

// Per kind: an error with one problem, or two for the list kinds, the second in
// extended form (golden trace; described by the first message); and a record of no known kind:
// traced with its line and code, described as unknown, and refused by the release.
TEST_F(Erdpa, EachKindIsTracedAndDescribedAndAnUnknownKindIsRefused) {
  const std::string job = "\t\tjob-identifier = job-A\n";
  const std::string copies = "\t\tid-att-copy-count (cardinal)  \n\t\t\t1\n\t\t\t2\n";
  struct Row {
    int32_t kind;
    std::vector<std::pair<uint32_t, const char *>> problems;
    AS_attrHandle_t attribute;
    std::string trace;
  } rows[] = {
      // clang-format off
      {ERDPA_UPDATE_ERROR, {{1, "locked"}}, nullptr,
       "\t\tUpdate Error -  No Modifications Allowed\n" + job + Said("locked")},
      {ERDPA_ATTRIBUTE_ERROR, {{11, "qualifier"}, {15, "class"}}, attr,
       job + "\t\tAttribute Error -  Illegal Qualifier Modification\n" + copies +
       Said("qualifier") + "\t\tAttribute Error -  Extended Problem\n" + copies + Said("class") +
       "\t\tNumber of Attribute Errors = 2\n"},
      {ERDPA_SELECTION_ERROR, {{3, "exists"}, {1, "invalid"}}, attr,
       "\t\tSelection Error - Object Already Exists\n" + copies + job + Said("exists") +
       "\t\tSelection Error - Extended Problem\n" + copies + job + Said("invalid") +
       "\t\tNumber of Selection Errors = 2\n"},
      {ERDPA_ACCESS_ERROR, {{1, "class"}}, nullptr,
       "\t\tAccess Error - Inappropriate Object Class\n" + job + Said("class") +
       "\t\tNumber of Access Errors = 1\n"},
      {ERDPA_SERVICE_ERROR, {{15, "unsupported"}}, nullptr,
       "\t\tService Error - Unsupported Operation\n" + job + Said("unsupported") +
       "\t\tNumber of Service Errors = 1\n"},
      {ERDPA_SECURITY_ERROR, {{4, "pac"}}, nullptr,
       "\t\tSecurity Error - Invalid PAC\n" + Said("pac")},
      // clang-format on
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.kind);
    ERDPA_errorResult_t *r = Build(row.kind, row.problems, row.attribute, &jobA);
    ASSERT_NE(r, nullptr);
    Extend(r, 1);
    EXPECT_EQ(Echo(s, r), row.trace);
    EXPECT_TRUE(s.Codes().empty());
    EXPECT_EQ(Taken(ErrorResult2String(r)), row.problems[0].second);
  }
  auto *d = static_cast<ERDPA_errorResult_t *>(CountingHeap::Allocate(sizeof(ERDPA_errorResult_t)));
  *d = {9, nullptr};
  EXPECT_EQ(Echo(s, d, 1), "\t\tUnknown Error Type\n");
  EXPECT_EQ(s.Codes(), std::vector<uint32_t>{0xc010006c});
  EXPECT_EQ(Taken(ErrorResult2String(d)), "Unknown Error Type");
  EXPECT_EQ(ERDPA_FreeError(s, d), 1u);  // released, its details not walked
  ERDPA_attributeError_t noProblems{nullptr, nullptr};
  ERDPA_errorResult_t empty{ERDPA_ATTRIBUTE_ERROR, &noProblems};
  EXPECT_EQ(Taken(ErrorResult2String(&empty)), "Attribute Error corrupted");
}

TEST(ErdpaMessageString, CharacterTagsAreCopiedOctetTagsExtractedOthersCorrupted) {
  static char chars[] = "plain";
  static unsigned char bytes[] = {'o', 'c', 't', 'e', 't', 's', '\0', 'x'};
  // The octet tags (and unknown tags from 3 up) take `length` bytes, the others the string.
  const char *const kCorrupted = "Error Message corrupted";
  using Row = std::tuple<int32_t, int32_t, const char *>;
  for (auto [tag, length, want] : {Row{GEN_TEXT_ISO646, 0, "plain"}, Row{GEN_TEXT_OCTETS, 3, "oct"},
                                   Row{GEN_TEXT_OTHER, 8, "octets"},
                                   Row{GEN_TEXT_OCTETS, -1, kCorrupted}, Row{6, 6, kCorrupted}}) {
    GEN_ErrorMsg_t m{{tag, {chars}, 0}, nullptr};
    if (tag >= GEN_TEXT_LATIN1) m.text.u.octets = {length, bytes};
    EXPECT_EQ(Taken(ErrorMessageData2String(&m)), want) << tag << " " << length;
  }
  EXPECT_EQ(Taken(ErrorMessageData2String(nullptr)), kCorrupted);
}

}  // namespace
}  // namespace kq::erdpa
