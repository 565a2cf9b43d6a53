// Status lists: creation clamps, the space accounting (argument stripping and
// replacement of the newest entry), argument copying, chains, the no-memory list, the
// scratch list for clean-up after a failure, and message lines built from status
// entries with the shipped catalogues.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "infra/msg.h"
#include "internal/stf_scratch.h"
#include "kqtest.h"
#include "private/stf_list.h"

namespace {

using ListPtr = std::unique_ptr<STF_statusList_t, decltype(&STF_DeleteList)>;
ListPtr List(int32_t entries = 0, int32_t size = 0) {
  return ListPtr(STF_CreateListExplicit(nullptr, entries, size), STF_DeleteList);
}

// A whole entry in one line: "source/code flags argCount" and each argument as
// type:value/length; "<none>" when there is no such entry.
std::string Entry(const STF_statusList_t *l, int32_t index) {
  STF_objectInfo_t info{};
  if (STF_GetObjectInfo(l, index, &info) != 0) return "<none>";
  char head[64];
  snprintf(head, sizeof head, "%d/%x f%d n%d", int(info.source), info.code, int(info.flags),
           int(info.argCount));
  std::string text = head;
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

// Several entries, joined by " | ".
std::string Entries(const STF_statusList_t *l, std::initializer_list<int32_t> at) {
  std::string text;
  for (int32_t i : at) text += (text.empty() ? "" : " | ") + Entry(l, i);
  return text;
}

int32_t Count(const STF_statusList_t *l) {
  int32_t n = 0;
  STF_objectInfo_t info;
  while (STF_GetObjectInfo(l, n + 1, &info) == 0) n++;
  return n;
}

TEST(StfCreate, DefaultsAndClamps) {
  // Entries and size asked for; entries and size given.
  const int32_t rows[][4] = {
      {0, 0, 5, 1000}, {3000, 0, 2046, 65511}, {1, 70000, 1, 65535}, {-4, 10, 1, 71}};
  for (const auto &r : rows) {
    ListPtr l = List(r[0], r[1]);
    EXPECT_EQ(std::make_pair(l->maxEntries, l->totalSize), std::make_pair(r[2], r[3])) << r[0];
  }
}

TEST(StfCreate, ParentChildChainIsDeletedWithTheParent) {
  STF_statusList_t *parent = STF_CreateList(nullptr);
  STF_statusList_t *child = STF_CreateList(parent);
  STF_statusList_t *grandchild = STF_CreateList(child);
  EXPECT_EQ(std::make_tuple(parent->child, child->parent, grandchild->parent),
            std::make_tuple(child, parent, child));
  STF_DeleteList(grandchild);
  EXPECT_EQ(child->child, nullptr);
  STF_DeleteList(parent);  // frees the child too (the sanitizer build checks)
}

// Newest first; the default list holds thirty, then the newest is replaced; code 0 clears.
TEST(StfRecord, DefaultListHoldsThirtyThenReplacesTheNewest) {
  ListPtr l = List();
  for (uint32_t i = 1; i <= 30; ++i) STF_AddStatus(l.get(), 0xc0030000 + i, 0);
  STF_AddStatus(l.get(), 0xc00300ff, 0);
  EXPECT_EQ(Entries(l.get(), {0, 1, 2, 30, 31}),  // the 29th stays
            "<none> | 1/c00300ff f0 n0 | 1/c003001d f0 n0 | 1/c0030001 f0 n0 | <none>");
  STF_AddStatus(l.get(), 0, 0);
  EXPECT_EQ(STF_GetStatus(l.get()) + Count(l.get()), 0u);
}

TEST(StfRecord, StrippingMovesNewerEntriesAndKeepsTheirCopies) {
  // The smallest block for 20 entries (32 * 20 + 39 bytes). Three entries with
  // copied arguments, then plain entries: the 15th plain entry finds the free top
  // at 8 and strips the newest argument entry (24 bytes back), which is enough;
  // the two older ones keep their copies, wherever the arena moved them.
  ListPtr l = List(20, 32 * 20 + 39);
  STF_AddStatus(l.get(), 0xc0030001, 1, STF_ARG_STRING, "oldest-argument");
  STF_AddStatus(l.get(), 0xc0030002, 2, STF_ARG_STRING, "middle", STF_ARG_INT, 42);
  STF_AddStatus(l.get(), 0xc0030003, 1, STF_ARG_BYTES, 5, "bytes");
  for (uint32_t i = 0; i < 14; ++i) STF_AddStatus(l.get(), 0xc0030100 + i, 0);
  EXPECT_EQ(Entry(l.get(), 15), "1/c0030003 f0 n1 b:bytes/5");  // nothing stripped yet
  STF_AddStatus(l.get(), 0xc0030200, 0);
  ASSERT_EQ(Count(l.get()), 18);
  EXPECT_EQ(Entries(l.get(), {16, 17, 18}),
            "1/c0030003 f2 n-1 | 1/c0030002 f0 n2 s:middle/7 i:42/4 | "
            "1/c0030001 f0 n1 s:oldest-argument/16");
}

TEST(StfRecord, ArgumentsAreCopiedWithTheirTypes) {
  ListPtr l = List();
  char text[] = "caller text";
  STF_AddStatus(l.get(), 0xc0030070, 4, STF_ARG_CHAR, 'q', STF_ARG_INT, -7, STF_ARG_DOUBLE, 2.5,
                STF_ARG_STRING, text);
  strcpy(text, "changed!!!!");
  EXPECT_EQ(Entry(l.get(), 1), "1/c0030070 f0 n4 c:q/1 i:-7/4 d:2.500000/8 s:caller text/12");
}

TEST(StfRecord, EnvironmentChainIsRecordedWholeOrNotAtAll) {
  ListPtr l = List();
  STF_AddEnvStatus(l.get(), 0xc0090067, 0, STF_SRC_STF, 0xc00e0065, 1, STF_ARG_INT, 3,
                   STF_SRC_ERRNO, 13, 0, 0);
  EXPECT_EQ(Entries(l.get(), {1, 2, 3, 4}),
            "1/c0090067 f0 n0 | 1/c00e0065 f0 n1 i:3/4 | 3/d f0 n0 | <none>");

  // A bad type anywhere in the chain records nothing at all.
  STF_ClearStatus(l.get());
  STF_AddEnvStatus(l.get(), 0xc0090067, 0, STF_SRC_STF, 0xc00e0065, 1, 77, 3, 0);
  EXPECT_EQ(Count(l.get()), 0);
}

// Only the blocked tag fails (a high half matches any tag with that low half); the
// shared list given instead survives adds, clears and deletes.
TEST(StfNoMemory, InjectedFailureGivesTheSharedList) {
  for (uint32_t blocked : {0xffff0003u, 0x20002u}) {
    STF__memoryUserBlocked = blocked;
    ListPtr l = List();
    STF__memoryUserBlocked = 0;
    EXPECT_EQ(l.get() == STF__NoMemoryList(), blocked == 0xffff0003u) << std::hex << blocked;
    STF_AddStatus(l.get(), 0xc0030065, 0);
    STF_ClearStatus(l.get());
  }
  EXPECT_EQ(Entries(STF__NoMemoryList(), {1, 2}), "1/c0010006 f1 n0 | <none>");
}

// Random adds against a model of the accounting: the list never holds more than
// the accounting allows, arguments that survive read back intact, and the
// sanitizer build sees no write outside the block.
TEST(StfRecord, RandomizedAddsKeepArgumentsIntact) {
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 200; ++round) {
    ListPtr l = List(1 + next() % 40, 71 + next() % 3000);
    for (int i = 0; i < 120; ++i) {
      std::string s(next() % 90, static_cast<char>('a' + i % 26));
      uint32_t code = 0xc0030000 + i;
      STF_AddStatus(l.get(), code, next() % 3 == 0 ? 2 : 1, STF_ARG_STRING, s.c_str(),
                    STF_ARG_BYTES, static_cast<int>(s.size()), s.data());
      int32_t n = Count(l.get());
      ASSERT_GE(n, 1);
      for (int32_t k = 1; k <= n; ++k) {
        STF_objectInfo_t info;
        ASSERT_EQ(STF_GetObjectInfo(l.get(), k, &info), 0u);
        if (info.argCount < 1) continue;
        auto *p = static_cast<const char *>(info.args[0].value.p);
        ASSERT_EQ(static_cast<int32_t>(strlen(p)) + 1, info.args[0].length);
        for (const char *c = p; *c; ++c) ASSERT_EQ(*c, p[0]);
      }
      ASSERT_GE(l->freeTop, 0);
    }
  }
}

// The scratch list: what a clean-up reports (two problems, as a failing value delete
// does) stays off the caller's list, with memory and without it.
TEST(StfScratch, ReleaseReportsNeverReachTheCallersList) {
  auto releaseReporting = [](STF_statusList_t *list) {
    STF_AddStatus(list, 0xc003007c, 0);
    STF_AddStatus(list, 0xc003007d, 0);
  };
  // The allocation tag refused while the scratch list is made; whether it is then the
  // shared no-memory list; how many reports it holds.
  for (auto [blocked, shared, reports] : {std::tuple{0u, false, 2}, {STF_TAG_LIST, true, 1}}) {
    ListPtr caller = List();
    STF_AddStatus(caller.get(), 0xc0030065, 0);
    {
      STF__memoryUserBlocked = blocked;
      kq::stf::ScratchList scratch;
      STF__memoryUserBlocked = 0;
      EXPECT_EQ(static_cast<STF_statusList_t *>(scratch) == STF__NoMemoryList(), shared);
      releaseReporting(scratch);
      EXPECT_EQ(Count(scratch), reports);
      releaseReporting(kq::stf::ScratchList());  // a temporary lives for the one call
    }
    EXPECT_EQ(Entries(caller.get(), {1, 2}), "1/c0030065 f0 n0 | <none>");
    // The shared list is left as it was: deleting the scratch list skipped it.
    EXPECT_EQ(Entries(STF__NoMemoryList(), {1, 2}), "1/c0010006 f1 n0 | <none>");
  }
}

using Got = std::pair<std::string, uint32_t>;  // the line and the status

class StfMessage : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_EQ(MSG_UsageBegin("KQTEST"), 0u); }
  static void TearDownTestSuite() { MSG_UsageEnd(); }

  // The line in a buffer of bufSize bytes; length_ gets the length reported.
  Got Line(int32_t index, uint32_t flags, uint32_t bufSize = 512) {
    std::vector<char> buf(bufSize + 1, '#');
    uint32_t st = STF_GetMessage(list_, index, flags, nullptr, bufSize, &length_, buf.data());
    return {buf.data(), st};
  }
  kq::test::StatusList list_;
  uint32_t length_ = 0;
};

TEST_F(StfMessage, PrefixPartsAndNewline) {
  STF_ConvertErrno(list_, 2, "open spool file");
  const std::string bare = "A system call failed with errno 2: open spool file\n";
  EXPECT_EQ(Line(1, 0), Got("%KQTEST:STF.STF, " + bare, 0));
  EXPECT_EQ(Line(1, 0x7), Got(bare, 0));
  EXPECT_EQ(Line(1, 0x107), Got(bare.substr(0, bare.size() - 1), 0));
  // The errno cause line: hyphen, ERRNO source, strerror text.
  EXPECT_EQ(Line(2, 0x1), Got("-:ERRNO.0000, " + std::string(strerror(2)) + "\n", 0));
}

TEST_F(StfMessage, TruncationReportsTheNeededLength) {
  STF_AddStatus(list_, STF_ST_NO_MEMORY, 0);
  std::string whole = Line(1, 0).first;
  const uint32_t need = length_;
  ASSERT_EQ(need, whole.size() + 1);
  // One byte short, and a buffer smaller than the prefix.
  EXPECT_EQ(Line(1, 0, need - 1), Got(whole.substr(0, need - 3) + "\n", STF_ST_TRUNCATED));
  EXPECT_EQ(Line(1, 0, 5), Got(whole.substr(0, 3) + "\n", STF_ST_TRUNCATED));
  EXPECT_EQ(length_, need);
  EXPECT_EQ(Line(9, 0), Got("", STF_ST_NO_ENTRY));
}

struct Collected {
  std::vector<int32_t> indexes;
  std::vector<std::string> lines;
  uint32_t stopAt = 0, status = 0;
};

// The lines STF_PutMessages hands out; the callback stops it after stopAt lines.
Collected Put(STF_statusList_t *list, uint32_t stopAt = 0) {
  Collected c{{}, {}, stopAt};
  c.status = STF_PutMessages(
      list, 0, nullptr,
      [](const char *text, uint32_t length, int32_t index, void *user) -> uint32_t {
        auto *c = static_cast<Collected *>(user);
        EXPECT_EQ(length, strlen(text) + 1);
        c->indexes.push_back(index);
        c->lines.emplace_back(text);
        return c->indexes.size() == c->stopAt ? 77 : 0;
      },
      &c);
  return c;
}

TEST_F(StfMessage, PutMessagesWalksNewestFirst) {
  for (uint32_t code : {0xc0030065u, 0xc0030066u, 0xc0030067u}) STF_AddStatus(list_, code, 0);
  Collected all = Put(list_), stop = Put(list_, 2);
  EXPECT_EQ(all.status, 0u);
  EXPECT_EQ(all.indexes, (std::vector<int32_t>{1, 2, -3}));
  EXPECT_EQ(std::make_pair(stop.status, stop.indexes.size()), std::make_pair(77u, size_t{2}));
}

TEST_F(StfMessage, PutMessagesGrowsItsBufferForLongLines) {
  std::string big(600, 'z');
  STF_ConvertErrno(list_, 5, big.c_str());
  Collected c = Put(list_);
  EXPECT_NE(c.lines.at(0).find(big + "\n"), std::string::npos);
  STF__memoryUserBlocked = STF_TAG_MESSAGE_BUFFER;
  Collected starved = Put(list_);
  STF__memoryUserBlocked = 0;
  EXPECT_EQ(starved.status, STF_ST_NO_MEMORY);
  ASSERT_EQ(starved.lines.size(), 2u);
  // Cut to the first buffer of 200 bytes: 199 characters, the last a newline.
  EXPECT_EQ(starved.lines[0].size(), 199u);
  EXPECT_EQ(starved.lines[0].back(), '\n');
}

}  // namespace
