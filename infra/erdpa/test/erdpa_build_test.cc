// The builders: the precedence of kinds with what each outcome keeps and frees, the
// argument checks, the copies an error owns, and running out of memory at every
// allocation.
#include "erdpa_test_support.h"

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
