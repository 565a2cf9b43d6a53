// `kq dbm dump` and `kq dbm get` on a small database.
#include <fcntl.h>
#include <gtest/gtest.h>

#include "dbm_cmd.h"
#include "kqbm_checker.h"

using namespace kq::kqbm::test;

namespace {

std::pair<int, std::string> Kq(std::vector<std::string> args) {
  std::vector<char *> argv;
  for (auto &a : args) argv.push_back(a.data());
  FILE *out = tmpfile();
  int rc = kq_dbm_run((int)argv.size(), argv.data(), out, out);
  rewind(out);
  std::string text;
  char buf[512];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, out)) > 0) text.append(buf, n);
  fclose(out);
  return {rc, text};
}

TEST(KqDbm, DumpAndGet) {
  ScratchDir dir;
  std::string name = dir.Path("reg");
  KQBM_dbHandle_t db = KQBM_open(name.c_str(), O_CREAT | O_RDWR, 0644, 0);
  ASSERT_EQ(KQBM_store(db, D("job-name"), D(std::string("12\0", 3)), KQBM_INSERT), 0u);
  ASSERT_EQ(KQBM_store(db, D(std::string("\x06\x02\x28\x01", 4)), D("x"), KQBM_INSERT), 0u);
  ASSERT_EQ(KQBM_store(db, D("a\"b"), D(""), KQBM_INSERT), 0u);
  KQBM_close(db);
  EXPECT_EQ(Kq({"dump", name + ".dbm"}),
            std::make_pair(0, std::string("0x06022801\t\"x\"\n\"a\\\"b\"\t\"\"\n"
                                          "\"job-name\"\t\"12\\0\"\n")));
  EXPECT_EQ(Kq({"get", name, "job-name"}), std::make_pair(0, std::string("\"12\\0\"\n")));
  EXPECT_EQ(Kq({"get", name, "nope"}).first, 1);
  EXPECT_EQ(Kq({"get", name}).first, 2);
  EXPECT_EQ(Kq({"dump", dir.Path("absent")}).first, 1);
}

}  // namespace
