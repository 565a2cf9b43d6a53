// Adding and deleting identifiers and names in a fresh read-write registry, the
// registry lock between processes, and threads looking up and adding on one block (run
// in the ThreadSanitizer build too).
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "oid_fixture.h"

namespace {

using namespace kq::oid::test;

// 2.25.9.<arcs>: identifiers the table does not know.
std::string NewBinary(const std::string &arcs) {
  unsigned char bin[OID_BINARY_MAX];
  List l;
  EXPECT_EQ(OID_ConvertDecToBin(l, ("2.25.9." + arcs).c_str(), bin, nullptr), 0u);
  return Str(bin);
}

// A fresh registry; tests open it themselves unless they take oid_change_rw.
class oid_change : public Registry {
 protected:
  // The content under `key` in `file` of the block, "<none>" when absent.
  std::string Record(OID__file file, const std::string &key) {
    kq::oid::FileUse use;
    EXPECT_EQ(use.Take(block_, file), 0u);
    std::string v;
    return use.Fetch(key, &v) ? v : "<none>";
  }
  std::string LastIndex() { return Record(OID_FILE_LOCALE, OID_LAST_INDEX_KEY); }
  TempRegistry reg_;
  unsigned char chars_[OID_CHARS_LEN];
};

class oid_change_rw : public oid_change {
 protected:
  void SetUp() override {
    Open(reg_.dir(), OID_MODE_WRITE);
    OID_SetValueCharacteristics(3345, 0, chars_);
  }
};

// A registry whose directory and files the user may not write: opening it read-write
// is refused with the lock status (the process lock needs write access), and the same
// process then opens it read-only and reads from it.
TEST_F(oid_change, ReadOnlyRegistryRefusesReadWriteAndStaysReadable) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
  for (const auto &e : std::filesystem::directory_iterator(reg_.dir()))
    ASSERT_EQ(chmod(e.path().c_str(), 0444), 0);
  ASSERT_EQ(chmod(reg_.dir().c_str(), 0555), 0);
  std::string got = kq::test::RunAs(65534, 65534, [&] {
    List l;
    std::string out = "write " + std::to_string(OID_Init(l, reg_.dir().c_str(), OID_MODE_WRITE));
    OID_dbBlock_t *block = nullptr;
    uint32_t st = OID_Init(l, reg_.dir().c_str(), OID_MODE_READ);
    if (!st) st = OID_OpenDb(l, reg_.dir().c_str(), "C", OID_MODE_READ, &block);
    char name[OID_NAME_MAX] = "";
    if (!st) st = OID_LookupBinary(l, block, Bytes(Binary(1)), name, nullptr);
    out += " read " + std::to_string(st) + (name[0] ? " named" : "");
    if (block) OID_CloseDb(l, &block);
    OID_Term();
    return out;
  });
  chmod(reg_.dir().c_str(), 0755);
  EXPECT_EQ(got, "write " + std::to_string(OID_ST_LOCK_FAILED) + " read 0 named");
}

TEST_F(oid_change_rw, AddLookUpAddNamesDelete) {
  OID__noCache = true;  // every lookup below reads the files
  std::string bin = NewBinary("1");
  List l;
  ASSERT_EQ(OID_AddOID(l, block_, Bytes(bin), "x-new-value", chars_, 0), 0u);
  EXPECT_EQ(ByName("x-new-value"), bin);
  unsigned char chars[OID_CHARS_LEN];
  char name[OID_NAME_MAX];
  ASSERT_EQ(OID_LookupBinary(l, block_, Bytes(bin), name, chars), 0u);
  EXPECT_STREQ(name, "x-new-value");
  EXPECT_EQ(memcmp(chars, chars_, OID_CHARS_LEN), 0);
  // Further names, up to eleven in all.
  for (int i = 1; i <= 10; i++)
    ASSERT_EQ(OID_AddName(l, block_, Bytes(bin), ("x-alias-" + std::to_string(i)).c_str()), 0u);
  EXPECT_EQ(ByName("x-alias-7"), bin);
  EXPECT_EQ(OID_AddName(l, block_, Bytes(bin), "x-alias-11"), OID_ST_TOO_MANY_NAMES);
  EXPECT_EQ(OID_AddName(l, block_, Bytes(bin), "x-alias-1"), OID_ST_NAME_EXISTS);
  EXPECT_EQ(OID_AddName(l, block_, Bytes(NewBinary("2")), "x-other"), OID_ST_OID_UNKNOWN);
  ASSERT_EQ(OID_DeleteOID(l, block_, Bytes(bin)), 0u);
  const std::string notFound = Fails(OID_ST_NOT_FOUND);
  EXPECT_EQ(ByName("x-new-value") + ByName("x-alias-3") + NameOf(bin),
            notFound + notFound + notFound);
  EXPECT_EQ(OID_DeleteOID(l, block_, Bytes(bin)), OID_ST_OID_UNKNOWN);
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(bin), "x-new-value", chars_, 0), 0u);  // again
}

TEST_F(oid_change_rw, CheckOnlyAndRefusals) {
  List l;
  std::string big = "1", last = LastIndex(), fresh = NewBinary("3");
  for (int i = 0; i < 68; i++) big += ".1";  // L + 2 = 73: too long to register
  // clang-format off
  const struct {
    std::string bin, name;
    int checkOnly;
    uint32_t want;
  } rows[] = {
      {fresh, "id-syn-text", 1, OID_ST_NAME_EXISTS}, {Binary(7), "x-fresh", 1, OID_ST_OID_EXISTS},
      {fresh, "x-fresh", 1, 0}, {fresh, "", 0, OID_ST_BAD_NAME},
      {fresh, std::string(128, 'n'), 0, OID_ST_BAD_NAME}, {NewBinary(big), "x-big", 0, OID_ST_BAD_BINARY}};
  // clang-format on
  for (const auto &r : rows)
    EXPECT_EQ(OID_AddOID(l, block_, Bytes(r.bin), r.name.c_str(), chars_, r.checkOnly), r.want)
        << r.name;
  EXPECT_EQ(ByName("x-fresh"), Fails(OID_ST_NOT_FOUND));  // only checked
  EXPECT_EQ(LastIndex(), last);
}

TEST_F(oid_change_rw, FailedStoreIsRolledBack) {
  // Occupy the main-file record of the next locale index: the third store fails.
  std::string next = std::to_string(atoi(LastIndex().c_str()) + 1);
  {
    kq::oid::FileUse main;
    ASSERT_EQ(main.Take(block_, OID_FILE_MAIN), 0u);
    ASSERT_EQ(main.Store(next, "squatter", KQBM_INSERT), 0u);
  }
  std::string last = LastIndex();
  List l;
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(NewBinary("4")), "x-rolled-back", chars_, 0),
            OID_ST_INCONSISTENT);
  EXPECT_EQ(l.Code(), OID_ST_INCONSISTENT);
  EXPECT_EQ(LastIndex(), last);
  EXPECT_EQ(ByName("x-rolled-back"), Fails(OID_ST_NOT_FOUND));
  EXPECT_EQ(Record(OID_FILE_LOCALE, next), "<none>");  // the index record went too
  // The same for a further name.
  EXPECT_EQ(OID_AddName(l, block_, Bytes(Binary(7)), "x-alias"), OID_ST_INCONSISTENT);
  EXPECT_EQ(ByName("x-alias"), Fails(OID_ST_NOT_FOUND));
  EXPECT_EQ(NameOf(Binary(7)), "id-syn-delta-time");
}

TEST_F(oid_change, ReadOnlyStoresAreRefusedAndNothingIsLeft) {
  Open(reg_.dir(), OID_MODE_READ);
  List l;
  unsigned char chars[OID_CHARS_LEN] = {0x30, 0x40};
  EXPECT_EQ(OID_AddOID(l, block_, Bytes(NewBinary("5")), "x-read-only", chars, 0),
            OID_ST_INCONSISTENT);
  EXPECT_EQ(ByName("x-read-only"), Fails(OID_ST_NOT_FOUND));
  EXPECT_EQ(OID_DeleteOID(l, block_, Bytes(Binary(7))), OID_ST_INCONSISTENT);
  EXPECT_EQ(ByName("id-syn-delta-time"), Binary(7));
}

// OID_Init in a child process: its result (0, or the low byte of the code). The
// parent's registry state came along with the fork and is ended first.
int InitInChild(const std::string &dir, uint32_t mode) {
  pid_t pid = fork();
  if (pid == 0) {
    OID_Term();
    List l;
    uint32_t st = OID_Init(l, dir.c_str(), mode);
    OID_Term();
    _exit(st & 0xff);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(oid_process, ReadersShareAWriterIsAlone) {
  TempRegistry reg;
  const int locked = OID_ST_LOCK_FAILED & 0xff, none = -1;
  const struct {
    int held, mode, want;
  } rows[] = {// clang-format off
      {OID_MODE_READ, OID_MODE_READ, 0}, {OID_MODE_READ, OID_MODE_WRITE, locked},
      {OID_MODE_WRITE, OID_MODE_READ, locked}, {OID_MODE_WRITE, OID_MODE_WRITE, locked},
      {none, OID_MODE_WRITE, 0}};
  // clang-format on
  for (const auto &row : rows) {
    List l;
    ASSERT_EQ(row.held == none ? 0u : OID_Init(l, reg.dir().c_str(), row.held), 0u);
    EXPECT_EQ(InitInChild(reg.dir(), row.mode), row.want) << row.held << " " << row.mode;
    OID_Term();  // releases the lock
  }
}

using oid_threads = oid_change;

// The name `Added` gives the identifier 2.25.77.<t>.<i>.
std::string Added(int t, int i) {
  return "x-thread-" + std::to_string(t) + "-" + std::to_string(i);
}

TEST_F(oid_threads, LookupsAndAddsOnOneBlock) {
  Open(reg_.dir(), OID_MODE_WRITE);
  constexpr int kThreads = 4, kRounds = 150;
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; t++)
    threads.emplace_back([&, t] {
      List l;
      unsigned char bin[OID_BINARY_MAX], chars[OID_CHARS_LEN];
      OID_SetValueCharacteristics(0, 0, chars);
      char name[OID_NAME_MAX];
      for (int i = 0; i < kRounds; i++) {
        // Enough distinct rows to push entries out of the caches as well.
        std::string dotted = "2.25.77." + std::to_string(t) + "." + std::to_string(i);
        if (i % 10 == 0)
          failures += OID_ConvertDecToBin(l, dotted.c_str(), bin, nullptr) ||
                      OID_AddOID(l, block_, bin, Added(t, i).c_str(), chars, 0) ||
                      OID_LookupName(l, block_, Added(t, i).c_str(), bin, nullptr);
        uint32_t shoid = 100 + static_cast<uint32_t>((i * 7 + t * 13) % 200);
        std::string want = Binary(shoid);
        if (want.empty()) continue;
        const char *wantName = GENU_ShortOIDToAscii(shoid);
        failures += ByName(wantName) != want || NameOf(want) != wantName;
        failures +=
            OID_LookupShort(l, block_, shoid, name, nullptr) || name != std::string(wantName);
      }
    });
  for (std::thread &th : threads) th.join();
  EXPECT_EQ(failures.load(), 0);
  // Every addition took its own locale index.
  for (int t = 0; t < kThreads; t++)
    for (int i = 0; i < kRounds; i += 10)
      EXPECT_EQ(NameOf(ByName(Added(t, i).c_str())), Added(t, i));
}

}  // namespace
