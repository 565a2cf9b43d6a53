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

TEST(PrtList, UniqueLocateConcatenateAndSplit) {
  char a[] = "a", b[] = "b", a2[] = "a";
  auto cmp = [](void *x, void *y) {
    return strcmp(static_cast<char *>(x), static_cast<char *>(y));
  };
  void **list = list_append_unique(list_append_unique(nullptr, a, cmp), b, cmp);
  list = list_append_unique(list, a2, cmp);
  EXPECT_EQ(Names(reinterpret_cast<char **>(list)), "a,b");
  EXPECT_EQ(list_locate(list, cmp, a2), a);
  void **other = list_append(nullptr, a2);
  list = list_concatenate(list, other);
  EXPECT_EQ(list[2], a2);
  EXPECT_EQ(Names(reinterpret_cast<char **>(list)), "a,b,a");
  free(other);
  free(list);
  // Splitting skips empty pieces.
  for (auto [in, want] : {std::pair{"::a::b|c:", "a,b,c"}, std::pair{":::", "<none>"}}) {
    std::string text = in;
    char **parts = strsplit(text.data(), ":|");
    EXPECT_EQ(Names(parts), want) << in;
    free(parts);
  }
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
  for (auto [k, v] :
       {std::pair{"bsdaddr", "srv,q,Solaris"}, {"all", "x,y,z"}, {"description", "a b"}})
    EXPECT_EQ(ns_set_value_from_string(k, v, p), 0) << k;
  auto *addr = static_cast<ns_bsd_addr_t *>(ns_get_value("bsdaddr", p));
  EXPECT_EQ(Addr(addr), "srv,q,Solaris");
  EXPECT_STREQ(addr->pname, "p");
  EXPECT_EQ(Names(static_cast<char **>(ns_get_value("all", p))), "x,y,z");
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
    EXPECT_EQ(std::string(p->name) + " " + p->source + " " + Names(p->aliases), "lp1 etc fast");
    EXPECT_EQ(AddrOf(name), "server1,queue1,-");
    char *names = ns_printer_name_list(p);
    EXPECT_STREQ(names, "lp1|fast");
    free(names);
    EXPECT_EQ(ns_printer_match_name(p, "fast"), 0);
    EXPECT_EQ(ns_printer_match_name(p, "slow"), -1);
    ns_printer_destroy(p);
  }
}

TEST_F(PrtFormat, EntriesValuesAndTheirLimits) {
  // A value is read up to an equals sign; a key without a value takes nothing away.
  // A comment or an empty line ends a continued entry. An entry over the limit is
  // skipped and its neighbours kept.
  std::string fits(1023 - std::string("ok:k=:").size(), 'y');
  WriteEtc(
      "p:description=a=b:flag:colour=red:colour:\n"
      "a:k1=v1:\\\n#x:k2=v2\nb:k=1:\\\n\nc:k=2:\n"
      "big:k=" +
      std::string(1100, 'x') + ":\nd:k=3:\nok:k=" + fits + ":\n");
  const std::pair<std::pair<const char *, const char *>, std::string> rows[] = {
      {{"p", "description"}, "a"}, {{"p", "flag"}, ""}, {{"p", "colour"}, "red"},
      {{"a", "k1"}, "v1"},         {{"a", "k2"}, ""},   {{"x", "k2"}, "<none>"},
      {{"b", "k"}, "1"},           {{"c", "k"}, "2"},   {{"big", "k"}, "<none>"},
      {{"d", "k"}, "3"},           {{"ok", "k"}, fits},
  };
  for (const auto &[at, want] : rows) EXPECT_EQ(Value(at.first, at.second), want) << at.first;
}

TEST_F(PrtFormat, PiecesWithoutValueAreKeysWithoutValue) {
  // "bare" and "empty=" are keys with no value; a later bare "k" keeps k's value. The
  // writer writes only the keys that have a value.
  WriteEtc("lp:bare:k=v:\nq:k=v:empty=:k:\n");
  const std::pair<const char *, const char *> rows[] = {{"lp", "bare k=v"}, {"q", "k=v empty"}};
  ns_printer_t *read[2] = {};
  for (int i = 0; i < 2; ++i) read[i] = ns_printer_get_name(rows[i].first, nullptr);
  for (int i = 0; i < 2; ++i) {
    auto [name, want] = rows[i];
    ns_printer_t *p = read[i];
    ASSERT_NE(p, nullptr) << name;
    std::string got;
    for (ns_kvp_t **kv = p->attributes; kv && *kv; ++kv)
      got += (got.empty() ? "" : " ") + std::string((*kv)->key) +
             ((*kv)->value ? "=" + std::string(static_cast<char *>((*kv)->value)) : "");
    EXPECT_EQ(got, want) << name;
    EXPECT_EQ(ns_printer_put(p), 0) << name;
    ns_printer_destroy(p);
  }
  EXPECT_EQ(ReadFile(etc), kHeader + "lp:\\\n\t:k=v:\nq:\\\n\t:k=v:\n");
}

TEST_F(PrtFormat, DirectAddressNeedsNoSource) {
  env.Set("PRINTERS_CONF", "/nonexistent/dir/printers.conf");
  ns_printer_t *p = ns_printer_get_name("hostA:queueB", nullptr);
  ASSERT_NE(p, nullptr);
  EXPECT_STREQ(p->source, "posix");
  EXPECT_EQ(Addr(static_cast<ns_bsd_addr_t *>(ns_get_value("bsdaddr", p))), "hostA,queueB,-");
  EXPECT_EQ(ns_printer_put(p), -1);  // nowhere to write a direct address
  ns_printer_destroy(p);
}

TEST_F(PrtFormat, UserFileAllListAndUseInheritance) {
  WriteEtc("first:bsdaddr=s1,q1:description=the first:\nsecond:bsdaddr=s2,q2:\n");
  WriteUser("_all\tfirst,second\nthird|3rd first\n");
  ns_printer_t *all = ns_printer_get_name("_all", nullptr);
  ASSERT_NE(all, nullptr);
  EXPECT_STREQ(all->source, "user");
  EXPECT_EQ(Names(static_cast<char **>(ns_get_value("all", all))), "first,second");
  ns_printer_destroy(all);
  EXPECT_EQ(Value("3rd", "description"), "the first");
  EXPECT_EQ(AddrOf("third"), "s1,q1,-");
  // The user file is asked first, the system file next.
  WriteUser("second\tfirst\n");
  EXPECT_EQ(Value("second", "bsdaddr"), "s1,q1");
  EXPECT_EQ(Value("second", "bsdaddr", "etc"), "s2,q2");
  ns_printer_t *exact = ns_printer_get_name_all("second");
  ASSERT_NE(exact, nullptr);
  EXPECT_STREQ(exact->source, "user");
  ns_printer_destroy(exact);
}

TEST_F(PrtFormat, InheritanceStopsAfterSixteenLevelsAndGroupsAndListsAreSearched) {
  std::string text;
  for (int i = 0; i < 17; ++i)
    text += "p" + std::to_string(i) + ":use=p" + std::to_string(i + 1) + ":\n";
  WriteEtc(text +
           "p17:colour=blue:\nm1:colour=red:\nm2:size=a4:\ng:group=m1,m2:\n"
           "l:list=m2,missing:\nself:list=self:\na:use=b:\nb:use=a:\n");
  const std::pair<std::pair<const char *, const char *>, const char *> rows[] = {
      {{"p1", "colour"}, "blue"},    {{"p0", "colour"}, ""},  // 16 links, 17 links
      {{"a", "colour"}, ""},                                  // a cycle ends at the limit
      {{"g", "size"}, "a4"},         {{"l", "size"}, "a4"},
      {{"l", "list"}, "m2,missing"}, {{"self", "colour"}, ""},
  };
  for (const auto &[at, want] : rows) EXPECT_EQ(Value(at.first, at.second), want) << at.first;
}

TEST_F(PrtFormat, BsdAddressListsDefaultsAndWalks) {
  WriteEtc(
      "_default:use=b:\n"
      "a:bsdaddr=h1,qa:\nb:bsdaddr=h2:\nc:bsdaddr=h1,qa:\nd:description=no address:\n"
      "_all:all=b,a,b:\n");
  auto text = [](ns_bsd_addr_t **list) {
    std::string got;
    for (ns_bsd_addr_t **a = list; a && *a; ++a) got += Addr(*a) + " ";
    ns_bsd_addr_list_destroy(list);
    return got;
  };
  // c duplicates a; b's printer part is its entry's name; _all and d have none.
  EXPECT_EQ(text(ns_bsd_addr_get_list()), "h2,b,- h1,qa,- ");
  ns_bsd_addr_t *def = ns_bsd_addr_get_default();
  EXPECT_EQ(Addr(def), "h2,b,-");
  if (def) ns_bsd_addr_destroy(def);
  env.Set("LPDEST", "a");
  EXPECT_EQ(ns_bsd_addr_get_default(), nullptr);
  EXPECT_EQ(text(ns_bsd_addr_get_all()), "h1,qa,- h2,b,- ");
  std::string got;
  while (ns_bsd_addr_t *a = ns_bsd_addr_get_all_once()) {
    got += Addr(a) + " ";
    ns_bsd_addr_destroy(a);
  }
  EXPECT_EQ(got, "h1,qa,- h2,b,- ");
}

TEST_F(PrtFormat, WalksEndWithNoneAndStartAgain) {
  WriteEtc("_all:all=a:\na:bsdaddr=h1,q:\nb:bsdaddr=h2,q:\n");
  for (int round = 0; round < 2; ++round) {
    std::string got;
    while (ns_bsd_addr_t *a = ns_bsd_addr_etc_get_list_once()) {
      got += Addr(a) + " ";
      ns_bsd_addr_destroy(a);
    }
    EXPECT_EQ(got, "h1,q,- h2,q,- ") << "round " << round;
  }
  EXPECT_EQ(ns_bsd_addr_user_get_list_once(), nullptr);  // no user file
  EXPECT_EQ(ns_bsd_addr_nis_get_list_once(), nullptr);   // no NIS domain here
}

}  // namespace
}  // namespace kq::prt::test
