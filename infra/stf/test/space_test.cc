// Status lists: creation clamps, the space accounting (argument stripping and
// replacement of the newest entry), argument copying, chains and the no-memory list.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "private/stf_list.h"

namespace {

struct ListDeleter {
  void operator()(STF_statusList_t *l) const { STF_DeleteList(l); }
};
using ListPtr = std::unique_ptr<STF_statusList_t, ListDeleter>;

std::string Hex(uint32_t v) {
  char text[16];
  snprintf(text, sizeof text, "%x", v);
  return text;
}

STF_objectInfo_t Info(const STF_statusList_t *l, int32_t index) {
  STF_objectInfo_t info{};
  EXPECT_EQ(STF_GetObjectInfo(l, index, &info), 0u) << "index " << index;
  return info;
}

// A whole entry in one line: "source/code flags argCount" and each argument as
// type:value/length; "<none>" when there is no such entry.
std::string Entry(const STF_statusList_t *l, int32_t index) {
  STF_objectInfo_t info{};
  if (STF_GetObjectInfo(l, index, &info) != 0) return "<none>";
  std::string text = std::to_string(info.source) + "/" + Hex(info.code) + " f" +
                     std::to_string(info.flags) + " n" + std::to_string(info.argCount);
  for (int32_t i = 0; i < info.argCount; i++) {
    const STF_argument_t &a = info.args[i];
    const auto *p = static_cast<const char *>(a.value.p);
    text += a.type == STF_ARG_CHAR     ? std::string(" c:") + a.value.c
            : a.type == STF_ARG_INT    ? " i:" + std::to_string(a.value.i)
            : a.type == STF_ARG_DOUBLE ? " d:" + std::to_string(a.value.d)
            : a.type == STF_ARG_STRING ? " s:" + std::string(p)
            : a.type == STF_ARG_BYTES  ? " b:" + std::string(p, size_t(a.length))
                                       : " ?" + std::to_string(a.type);
    text += "/" + std::to_string(a.length);
  }
  return info.argCount < 1 && info.args != nullptr ? text + " +args" : text;
}

int32_t Count(const STF_statusList_t *l) {
  int32_t n = 0;
  STF_objectInfo_t info;
  while (STF_GetObjectInfo(l, n + 1, &info) == 0) n++;
  return n;
}

TEST(StfCreate, DefaultsAndClamps) {
  const struct {
    int32_t entries, size, maxEntries, totalSize;
  } rows[] = {{0, 0, 5, 1000},
              {3000, 0, 2046, 65511},
              {10, 100, 10, 359},
              {1, 70000, 1, 65535},
              {-4, 10, 1, 71}};
  for (const auto &r : rows) {
    ListPtr l(STF_CreateListExplicit(nullptr, r.entries, r.size));
    EXPECT_EQ(l->maxEntries, r.maxEntries) << r.entries << " " << r.size;
    EXPECT_EQ(l->totalSize, r.totalSize) << r.entries << " " << r.size;
  }
}

TEST(StfCreate, ParentChildChainIsDeletedWithTheParent) {
  STF_statusList_t *parent = STF_CreateList(nullptr);
  STF_statusList_t *child = STF_CreateList(parent);
  STF_statusList_t *grandchild = STF_CreateList(child);
  STF_statusList_t *second = STF_CreateList(parent);  // parent already has a child
  EXPECT_EQ(parent->child, child);
  EXPECT_EQ(child->parent, parent);
  EXPECT_EQ(grandchild->parent, child);
  EXPECT_EQ(second->parent, nullptr);
  STF_DeleteList(grandchild);
  EXPECT_EQ(child->child, nullptr);
  STF_CreateList(child);
  STF_DeleteList(parent);  // frees child and its new child too (the sanitizer build checks)
  STF_DeleteList(second);
}

TEST(StfRecord, NewestFirstAndCodeZeroClears) {
  ListPtr l(STF_CreateList(nullptr));
  EXPECT_EQ(STF_GetStatus(l.get()), 0u);
  EXPECT_EQ(STF_GetStatus(nullptr), 0xffffffffu);
  STF_AddStatus(l.get(), 0xc003006a, 0);
  STF_AddStatus(l.get(), 0xc003006b, 0);
  EXPECT_EQ(STF_GetStatus(l.get()), 0xc003006bu);
  EXPECT_EQ(Info(l.get(), 2).code, 0xc003006au);
  STF_objectInfo_t info;
  EXPECT_EQ(STF_GetObjectInfo(l.get(), 0, &info), STF_ST_NO_ENTRY);
  EXPECT_EQ(STF_GetObjectInfo(l.get(), 3, &info), STF_ST_NO_ENTRY);
  EXPECT_EQ(STF_GetObjectInfo(nullptr, 1, &info), 0xffffffffu);
  STF_AddStatus(l.get(), 0, 0);
  EXPECT_EQ(Count(l.get()), 0);
}

TEST(StfRecord, DefaultListHoldsThirtyThenReplacesTheNewest) {
  ListPtr l(STF_CreateList(nullptr));
  for (uint32_t i = 1; i <= 30; ++i) STF_AddStatus(l.get(), 0xc0030000 + i, 0);
  EXPECT_EQ(Count(l.get()), 30);
  STF_AddStatus(l.get(), 0xc00300ff, 0);
  EXPECT_EQ(Count(l.get()), 30);
  EXPECT_EQ(Info(l.get(), 1).code, 0xc00300ffu);
  EXPECT_EQ(Info(l.get(), 2).code, 0xc003001du);  // 29th stays
  EXPECT_EQ(Info(l.get(), 30).code, 0xc0030001u);
}

TEST(StfRecord, StrippingMovesNewerEntriesAndKeepsTheirCopies) {
  // The smallest block for 20 entries (32 * 20 + 39 bytes). Three entries with
  // copied arguments, then plain entries: the 15th plain entry finds the free top
  // at 8 and strips the newest argument entry (24 bytes back), which is enough;
  // the two older ones keep their copies, wherever the arena moved them.
  ListPtr l(STF_CreateListExplicit(nullptr, 20, 32 * 20 + 39));
  STF_AddStatus(l.get(), 0xc0030001, 1, STF_ARG_STRING, "oldest-argument");
  STF_AddStatus(l.get(), 0xc0030002, 2, STF_ARG_STRING, "middle", STF_ARG_INT, 42);
  STF_AddStatus(l.get(), 0xc0030003, 1, STF_ARG_BYTES, 5, "bytes");
  for (uint32_t i = 0; i < 14; ++i) STF_AddStatus(l.get(), 0xc0030100 + i, 0);
  EXPECT_EQ(Entry(l.get(), 15), "1/c0030003 f0 n1 b:bytes/5");  // nothing stripped yet
  STF_AddStatus(l.get(), 0xc0030200, 0);
  ASSERT_EQ(Count(l.get()), 18);
  EXPECT_EQ(Entry(l.get(), 16), "1/c0030003 f2 n-1");
  EXPECT_EQ(Entry(l.get(), 17), "1/c0030002 f0 n2 s:middle/7 i:42/4");
  EXPECT_EQ(Entry(l.get(), 18), "1/c0030001 f0 n1 s:oldest-argument/16");
  // The next entry strips the middle one; the oldest keeps its copy until the one
  // after that.
  STF_AddStatus(l.get(), 0xc0030201, 0);
  EXPECT_EQ(Entry(l.get(), 18), "1/c0030002 f2 n-1");
  EXPECT_EQ(Entry(l.get(), 19), "1/c0030001 f0 n1 s:oldest-argument/16");
  STF_AddStatus(l.get(), 0xc0030202, 0);
  EXPECT_EQ(Entry(l.get(), 20), "1/c0030001 f2 n-1");
}

TEST(StfRecord, ArgumentRulesAndCopies) {
  ListPtr l(STF_CreateList(nullptr));
  char text[] = "caller text";
  STF_AddStatus(l.get(), 0xc0030070, 4, STF_ARG_CHAR, 'q', STF_ARG_INT, -7, STF_ARG_DOUBLE, 2.5,
                STF_ARG_STRING, text);
  strcpy(text, "changed!!!!");
  EXPECT_EQ(Entry(l.get(), 1), "1/c0030070 f0 n4 c:q/1 i:-7/4 d:2.500000/8 s:caller text/12");

  // Ten arguments: kept as an entry without arguments.
  STF_AddStatus(l.get(), 0xc0030071, 10, 3, 1, 3, 2, 3, 3, 3, 4, 3, 5, 3, 6, 3, 7, 3, 8, 3, 9, 3,
                10);
  EXPECT_EQ(Entry(l.get(), 1), "1/c0030071 f2 n-1");

  // Unknown type (and a known type with the length bit): nothing is recorded.
  STF_AddStatus(l.get(), 0xc0030072, 1, 2, 5);
  STF_AddStatus(l.get(), 0xc0030072, 1, 0x4003, 4, 5);
  EXPECT_EQ(STF_GetStatus(l.get()), 0xc0030071u);
}

TEST(StfRecord, EnvironmentChainAndErrno) {
  ListPtr l(STF_CreateList(nullptr));
  STF_AddEnvStatus(l.get(), 0xc0090067, 0, STF_SRC_STF, 0xc00e0065, 1, STF_ARG_INT, 3,
                   STF_SRC_ERRNO, 13, 0, 0);
  ASSERT_EQ(Count(l.get()), 3);
  EXPECT_EQ(Entry(l.get(), 1) + " | " + Entry(l.get(), 2) + " | " + Entry(l.get(), 3),
            "1/c0090067 f0 n0 | 1/c00e0065 f0 n1 i:3/4 | 3/d f0 n0");

  // A bad type anywhere in the chain records nothing at all.
  STF_ClearStatus(l.get());
  STF_AddEnvStatus(l.get(), 0xc0090067, 0, STF_SRC_STF, 0xc00e0065, 1, 77, 3, 0);
  EXPECT_EQ(Count(l.get()), 0);

  STF_ConvertErrno(l.get(), 2, "open");
  EXPECT_EQ(Entry(l.get(), 1) + " | " + Entry(l.get(), 2),
            "1/c0010005 f0 n2 i:2/4 s:open/5 | 3/2 f0 n0");

  STF_AddEnvStatusByArray(l.get());
  EXPECT_EQ(STF_GetStatus(l.get()), STF_ST_NOT_SUPPORTED);
}

TEST(StfNoMemory, InjectedFailureGivesTheSharedList) {
  STF__memoryUserBlocked = 0xffff0003;  // any high half, low half 3
  STF_statusList_t *l = STF_CreateList(nullptr);
  STF__memoryUserBlocked = 0;
  ASSERT_EQ(l, STF__NoMemoryList());
  STF_AddStatus(l, 0xc0030065, 0);
  STF_ClearStatus(l);
  STF_DeleteList(l);
  EXPECT_EQ(Entry(l, 1) + " | " + Entry(l, 2), "1/c0010006 f1 n0 | <none>");
  STF__memoryUserBlocked = 0x20002;  // other tags still allocate
  ListPtr ok(STF_CreateList(nullptr));
  STF__memoryUserBlocked = 0;
  EXPECT_NE(ok.get(), STF__NoMemoryList());
}

// Random adds against a model of the accounting: the list never holds more than
// the accounting allows, arguments that survive read back intact, and the
// sanitizer build sees no write outside the block.
TEST(StfRecord, RandomizedAddsKeepArgumentsIntact) {
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 200; ++round) {
    ListPtr l(STF_CreateListExplicit(nullptr, 1 + next() % 40, 71 + next() % 3000));
    for (int i = 0; i < 120; ++i) {
      std::string s(next() % 90, static_cast<char>('a' + i % 26));
      uint32_t code = 0xc0030000 + i;
      if (next() % 3 == 0) {
        STF_AddStatus(l.get(), code, 2, STF_ARG_STRING, s.c_str(), STF_ARG_BYTES,
                      static_cast<int>(s.size()), s.data());
      } else {
        STF_AddStatus(l.get(), code, 1, STF_ARG_STRING, s.c_str());
      }
      int32_t n = Count(l.get());
      ASSERT_GE(n, 1);
      for (int32_t k = 1; k <= n; ++k) {
        STF_objectInfo_t info = Info(l.get(), k);
        if (info.argCount < 1) continue;
        auto *p = static_cast<const char *>(info.args[0].value.p);
        ASSERT_EQ(static_cast<int32_t>(strlen(p)) + 1, info.args[0].length);
        for (const char *c = p; *c; ++c) ASSERT_EQ(*c, p[0]);
      }
      ASSERT_GE(l->freeTop, 0);
    }
  }
}

}  // namespace
