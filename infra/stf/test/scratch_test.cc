// The scratch list for clean-up after a failure: what the clean-up reports stays off
// the caller's list, with memory and without it.
#include <gtest/gtest.h>

#include "internal/stf_scratch.h"
#include "private/stf_list.h"

namespace {

constexpr uint32_t kReason = 0xc0030065;
constexpr uint32_t kReleaseProblem = 0xc003007c;

int32_t Count(const STF_statusList_t *l) {
  int32_t n = 0;
  STF_objectInfo_t info;
  while (STF_GetObjectInfo(l, n + 1, &info) == 0) n++;
  return n;
}

// A release that reports two problems of its own, as a failing value delete does.
void ReleaseReporting(STF_statusList_t *list) {
  STF_AddStatus(list, kReleaseProblem, 0);
  STF_AddStatus(list, kReleaseProblem + 1, 0);
}

struct ScratchCase {
  const char *name;
  uint32_t blocked;      // allocation tags refused while the scratch list is made
  bool scratchIsShared;  // the scratch list is the shared no-memory list
  int32_t reportsInScratch;
};

TEST(StfScratch, ReleaseReportsNeverReachTheCallersList) {
  const ScratchCase cases[] = {
      {"memory", 0, false, 2},
      {"list allocation refused", STF_TAG_LIST, true, 1},
  };
  for (const ScratchCase &c : cases) {
    SCOPED_TRACE(c.name);
    STF_statusList_t *caller = STF_CreateList(nullptr);
    ASSERT_NE(caller, STF__NoMemoryList());
    STF_AddStatus(caller, kReason, 0);
    {
      STF__memoryUserBlocked = c.blocked;
      kq::stf::ScratchList scratch;
      STF__memoryUserBlocked = 0;
      ASSERT_NE(static_cast<STF_statusList_t *>(scratch), caller);
      EXPECT_EQ(static_cast<STF_statusList_t *>(scratch) == STF__NoMemoryList(), c.scratchIsShared);
      ReleaseReporting(scratch);
      EXPECT_EQ(Count(scratch), c.reportsInScratch);
      // A temporary lives for the one call it is passed to.
      ReleaseReporting(kq::stf::ScratchList());
    }
    EXPECT_EQ(Count(caller), 1);
    EXPECT_EQ(STF_GetStatus(caller), kReason);
    // The shared list is left as it was: deleting the scratch list skipped it.
    EXPECT_EQ(Count(STF__NoMemoryList()), 1);
    EXPECT_EQ(STF_GetStatus(STF__NoMemoryList()), STF_ST_NO_MEMORY);
    STF_DeleteList(caller);
  }
}

}  // namespace
