// Lists, values and the two file formats, read from real files.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

TEST(PrtList, AppendGrowsAcrossManySlotBoundaries) {
  std::vector<int> items(200);
  void **list = nullptr;
  for (int i = 0; i < 200; ++i) {
    items[i] = i;
    list = list_append(list, &items[i]);
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list[i + 1], nullptr) << "not terminated after " << i;
  }
  for (int i = 0; i < 200; ++i) EXPECT_EQ(*static_cast<int *>(list[i]), i);
  auto sum = [](void *item, void *) { return *static_cast<int *>(item); };
  EXPECT_EQ(list_iterate(list, sum, nullptr), 199 * 200 / 2);
  free(list);
}

TEST(PrtList, UniqueLocateConcatenate) {
  char a[] = "a", b[] = "b", a2[] = "a";
  auto cmp = [](void *x, void *y) {
    return strcmp(static_cast<char *>(x), static_cast<char *>(y));
  };
  void **list = list_append_unique(nullptr, a, cmp);
  list = list_append_unique(list, b, cmp);
  list = list_append_unique(list, a2, cmp);
  ASSERT_EQ(list[2], nullptr);
  EXPECT_EQ(list_locate(list, cmp, a2), a);
  void **other = list_append(nullptr, a2);
  list = list_concatenate(list, other);
  EXPECT_EQ(list[2], a2);
  EXPECT_EQ(list[3], nullptr);
  free(other);
  free(list);
}

TEST(PrtList, StrsplitSkipsEmptyPieces) {
  char text[] = "::a::b|c:";
  char **parts = strsplit(text, ":|");
  ASSERT_NE(parts, nullptr);
  EXPECT_STREQ(parts[0], "a");
  EXPECT_STREQ(parts[1], "b");
  EXPECT_STREQ(parts[2], "c");
  EXPECT_EQ(parts[3], nullptr);
  free(parts);
  char empty[] = ":::";
  EXPECT_EQ(strsplit(empty, ":"), nullptr);
}

TEST(PrtValue, BsdAddressCompareTreatsMissingPrinterAsItsOwnValue) {
  ns_bsd_addr_t *a = bsd_addr_create("h", nullptr, nullptr);
  ns_bsd_addr_t *b = bsd_addr_create("h", nullptr, "x");
  ns_bsd_addr_t *c = bsd_addr_create("h", "q", nullptr);
  ns_bsd_addr_t *d = bsd_addr_create("g", "q", nullptr);
  EXPECT_EQ(ns_bsd_addr_cmp(a, b), 0);  // the extension is not compared
  EXPECT_NE(ns_bsd_addr_cmp(a, c), 0);
  EXPECT_NE(ns_bsd_addr_cmp(c, a), 0);
  EXPECT_NE(ns_bsd_addr_cmp(c, d), 0);
  for (ns_bsd_addr_t *x : {a, b, c, d}) ns_bsd_addr_destroy(x);
}

TEST(PrtValue, FormsByKeyAndRemoval) {
  ns_printer_t *p = ns_printer_create("p", nullptr, nullptr, nullptr);
  EXPECT_EQ(ns_set_value_from_string("bsdaddr", "srv,q,Solaris", p), 0);
  EXPECT_EQ(ns_set_value_from_string("all", "x,y,z", p), 0);
  EXPECT_EQ(ns_set_value_from_string("description", "a b", p), 0);
  auto *addr = static_cast<ns_bsd_addr_t *>(ns_get_value("bsdaddr", p));
  ASSERT_NE(addr, nullptr);
  EXPECT_STREQ(addr->server, "srv");
  EXPECT_STREQ(addr->printer, "q");
  EXPECT_STREQ(addr->extension, "Solaris");
  EXPECT_STREQ(addr->pname, "p");
  auto **names = static_cast<char **>(ns_get_value("all", p));
  ASSERT_NE(names, nullptr);
  EXPECT_STREQ(names[2], "z");
  EXPECT_EQ(names[3], nullptr);
  char *text = ns_get_value_string("bsdaddr", p);
  EXPECT_STREQ(text, "srv,q,Solaris");
  free(text);
  EXPECT_EQ(ns_set_value("all", nullptr, p), 0);
  EXPECT_EQ(ns_get_value("all", p), nullptr);
  EXPECT_NE(ns_get_value("description", p), nullptr);
  EXPECT_EQ(ns_set_value(nullptr, nullptr, p), 0);
  EXPECT_EQ(p->attributes, nullptr);
  EXPECT_EQ(ns_set_value("k", nullptr, nullptr), -1);
  ns_printer_destroy(p);
}

using PrtFormat = PrtFiles;

TEST_F(PrtFormat, ContinuedEntryIsFoundUnderNameAndAlias) {
  WriteEtc("# a comment\n\nlp1|fast:\\\n\t:bsdaddr=server1,queue1:\n");
  for (const char *name : {"lp1", "fast"}) {
    ns_printer_t *p = ns_printer_get_name(name, nullptr);
    ASSERT_NE(p, nullptr) << name;
    EXPECT_STREQ(p->name, "lp1");
    EXPECT_STREQ(p->source, "etc");
    ASSERT_NE(p->aliases, nullptr);
    EXPECT_STREQ(p->aliases[0], "fast");
    ns_bsd_addr_t *a = ns_bsd_addr_get_name(name);
    ASSERT_NE(a, nullptr);
    EXPECT_STREQ(a->server, "server1");
    EXPECT_STREQ(a->printer, "queue1");
    ns_bsd_addr_destroy(a);
    char *names = ns_printer_name_list(p);
    EXPECT_STREQ(names, "lp1|fast");
    free(names);
    EXPECT_EQ(ns_printer_match_name(p, "fast"), 0);
    EXPECT_EQ(ns_printer_match_name(p, "slow"), -1);
    ns_printer_destroy(p);
  }
}

TEST_F(PrtFormat, ValueIsReadOnlyUpToAnEqualsSign) {
  WriteEtc("p:description=a=b:flag:colour=red:colour:\n");
  EXPECT_EQ(Value("p", "description"), "a");
  EXPECT_EQ(Value("p", "flag"), "");
  EXPECT_EQ(Value("p", "colour"), "red");  // a key without a value takes nothing away
}

TEST_F(PrtFormat, CommentOrEmptyLineEndsAContinuedEntry) {
  WriteEtc("a:k1=v1:\\\n#x:k2=v2\nb:k=1:\\\n\nc:k=2:\n");
  EXPECT_EQ(Value("a", "k1"), "v1");
  EXPECT_EQ(Value("a", "k2"), "");
  EXPECT_EQ(Value("x", "k2"), "<none>");
  EXPECT_EQ(Value("b", "k"), "1");
  EXPECT_EQ(Value("c", "k"), "2");
}

TEST_F(PrtFormat, EntryOverTheLimitIsSkippedAndItsNeighboursKept) {
  std::string longValue(1100, 'x');
  WriteEtc("a:k=1:\nbig:k=" + longValue + ":\nc:k=3:\n");
  EXPECT_EQ(Value("a", "k"), "1");
  EXPECT_EQ(Value("big", "k"), "<none>");
  EXPECT_EQ(Value("c", "k"), "3");
  std::string fits(1023 - std::string("ok:k=:").size(), 'y');
  WriteEtc("ok:k=" + fits + ":\n");
  EXPECT_EQ(Value("ok", "k"), fits);
}

TEST_F(PrtFormat, DirectAddressNeedsNoSource) {
  env.Set("PRINTERS_CONF", "/nonexistent/dir/printers.conf");
  ns_printer_t *p = ns_printer_get_name("hostA:queueB", nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->source, "posix");
  auto *a = static_cast<ns_bsd_addr_t *>(ns_get_value("bsdaddr", p));
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->server, "hostA");
  EXPECT_STREQ(a->printer, "queueB");
  EXPECT_EQ(ns_printer_put(p), -1);  // nowhere to write a direct address
  ns_printer_destroy(p);
}

TEST_F(PrtFormat, UserFileAllListAndUseInheritance) {
  WriteEtc("first:bsdaddr=s1,q1:description=the first:\nsecond:bsdaddr=s2,q2:\n");
  WriteUser("_all\tfirst,second\nthird|3rd first\n");
  ns_printer_t *all = ns_printer_get_name("_all", nullptr);
  ASSERT_NE(all, nullptr);
  EXPECT_STREQ(all->source, "user");
  auto **names = static_cast<char **>(ns_get_value("all", all));
  ASSERT_NE(names, nullptr);
  EXPECT_STREQ(names[0], "first");
  EXPECT_STREQ(names[1], "second");
  EXPECT_EQ(names[2], nullptr);
  ns_printer_destroy(all);
  EXPECT_EQ(Value("3rd", "description"), "the first");
  ns_bsd_addr_t *a = ns_bsd_addr_get_name("third");
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->server, "s1");
  ns_bsd_addr_destroy(a);
  // The user file is asked first, the system file next.
  WriteUser("second\tfirst\n");
  EXPECT_EQ(Value("second", "bsdaddr"), "s1,q1");
  EXPECT_EQ(Value("second", "bsdaddr", "etc"), "s2,q2");
  ns_printer_t *exact = ns_printer_get_name_all("second");
  ASSERT_NE(exact, nullptr);
  EXPECT_STREQ(exact->source, "user");
  ns_printer_destroy(exact);
}

TEST_F(PrtFormat, InheritanceStopsAfterSixteenLevels) {
  auto chain = [&](int links) {
    std::string text;
    for (int i = 0; i < links; ++i)
      text += "p" + std::to_string(i) + ":use=p" + std::to_string(i + 1) + ":\n";
    text += "p" + std::to_string(links) + ":colour=blue:\n";
    WriteEtc(text);
  };
  chain(16);
  EXPECT_EQ(Value("p0", "colour"), "blue");
  chain(17);
  EXPECT_EQ(Value("p0", "colour"), "");
  WriteEtc("a:use=b:\nb:use=a:\n");
  EXPECT_EQ(Value("a", "colour"), "");  // a cycle ends at the depth limit
}

TEST_F(PrtFormat, GroupAndListValuesAreSearched) {
  WriteEtc("m1:colour=red:\nm2:size=a4:\ng:group=m1,m2:\nl:list=m2,missing:\nself:list=self:\n");
  EXPECT_EQ(Value("g", "size"), "a4");
  EXPECT_EQ(Value("l", "size"), "a4");
  EXPECT_EQ(Value("l", "list"), "m2,missing");
  EXPECT_EQ(Value("self", "colour"), "");
}

TEST_F(PrtFormat, BsdAddressListsAndDefaults) {
  WriteEtc(
      "_default:use=b:\n"
      "a:bsdaddr=h1,qa:\nb:bsdaddr=h2:\nc:bsdaddr=h1,qa:\nd:description=no address:\n"
      "_all:all=b,a,b:\n");
  ns_bsd_addr_t **list = ns_bsd_addr_get_list();
  ASSERT_NE(list, nullptr);
  std::vector<std::string> got;
  for (ns_bsd_addr_t **a = list; *a; ++a)
    got.push_back(std::string((*a)->server) + "," + (*a)->printer);
  ns_bsd_addr_list_destroy(list);
  // c duplicates a; b's printer part is its entry's name; _all and d have none.
  EXPECT_EQ(got, (std::vector<std::string>{"h2,b", "h1,qa"}));

  ns_bsd_addr_t *def = ns_bsd_addr_get_default();
  ASSERT_NE(def, nullptr);
  EXPECT_STREQ(def->server, "h2");
  ns_bsd_addr_destroy(def);

  env.Set("LPDEST", "a");
  EXPECT_EQ(ns_bsd_addr_get_default(), nullptr);
  list = ns_bsd_addr_get_all();
  ASSERT_NE(list, nullptr);
  got.clear();
  for (ns_bsd_addr_t **a = list; *a; ++a) got.push_back((*a)->server);
  ns_bsd_addr_list_destroy(list);
  EXPECT_EQ(got, (std::vector<std::string>{"h1", "h2"}));

  got.clear();
  while (ns_bsd_addr_t *a = ns_bsd_addr_get_all_once()) {
    got.push_back(a->server);
    ns_bsd_addr_destroy(a);
  }
  EXPECT_EQ(got, (std::vector<std::string>{"h1", "h2"}));
}

TEST_F(PrtFormat, WalksEndWithNoneAndStartAgain) {
  WriteEtc("_all:all=a:\na:bsdaddr=h1,q:\nb:bsdaddr=h2,q:\n");
  for (int round = 0; round < 2; ++round) {
    std::vector<std::string> got;
    while (ns_bsd_addr_t *a = ns_bsd_addr_etc_get_list_once()) {
      got.push_back(a->server);
      ns_bsd_addr_destroy(a);
    }
    EXPECT_EQ(got, (std::vector<std::string>{"h1", "h2"})) << "round " << round;
  }
  EXPECT_EQ(ns_bsd_addr_user_get_list_once(), nullptr);  // no user file
  EXPECT_EQ(ns_bsd_addr_nis_get_list_once(), nullptr);   // no NIS domain here
}

}  // namespace
}  // namespace kq::prt::test
