// Lists, values, the two printers-file formats read from real files, and the switch
// file.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "private/prt_internal.h"
#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

int Cmp(void *x, void *y) { return strcmp(static_cast<char *>(x), static_cast<char *>(y)); }
int Length(void *x, void *) { return static_cast<int>(strlen(static_cast<char *>(x))); }

TEST(PrtList, UniqueLocateConcatenateAndIterate) {
  char a[] = "a", b[] = "b", a2[] = "a";
  void **list =
      list_append_unique(list_append_unique(list_append_unique(nullptr, a, Cmp), b, Cmp), a2, Cmp);
  EXPECT_EQ(list_locate(list, Cmp, a2), a);
  void **other = list_append(nullptr, a2);
  list = list_concatenate(list, other);
  EXPECT_EQ(list[2], a2);
  EXPECT_EQ(Names(reinterpret_cast<char **>(list)), "a,b,a");
  EXPECT_EQ(list_iterate(list, Length, nullptr), 3);
  free(other);
  free(list);
}

TEST(PrtValue, FormsByKeyAndClearing) {
  ns_printer_t *p = ns_printer_create("p", nullptr, nullptr, nullptr);
  EXPECT_EQ(ns_set_value_from_string("bsdaddr", "srv,q,Solaris", p), 0);
  EXPECT_EQ(ns_set_value_from_string("all", "x,y,z", p), 0);
  auto *addr = static_cast<ns_bsd_addr_t *>(ns_get_value("bsdaddr", p));
  EXPECT_EQ(Addr(addr) + " " + addr->pname, "srv,q,Solaris p");
  EXPECT_EQ(Names(static_cast<char **>(ns_get_value("all", p))), "x,y,z");
  EXPECT_EQ(ns_set_value(nullptr, nullptr, p), 0);  // clears every attribute
  EXPECT_EQ(p->attributes, nullptr);
  ns_printer_destroy(p);
}

using PrtFormat = PrtFiles;

TEST_F(PrtFormat, LookupsFindNamesAliasesDirectAddressesAndTheUserFileFirst) {
  WriteEtc(
      "# a comment\n\nlp1|fast:\\\n\t:bsdaddr=server1,queue1:\n"
      "first:bsdaddr=s1,q1:description=the first:\nsecond:bsdaddr=s2,q2:\n");
  WriteUser("_all\tfirst,second\nthird|3rd first\nsecond\tfirst\n");
  const std::pair<std::string, const char *> rows[] = {
      {Found("lp1"), "etc lp1|fast server1,queue1,-"},
      {Found("fast"), "etc lp1|fast server1,queue1,-"},
      {Found("hostA:queueB"), "posix hostA:queueB hostA,queueB,-"},  // from no source
      {Found("3rd"), "user third|3rd s1,q1,-"},
      {Found("second"), "user second s1,q1,-"},
      {Found("second", "etc"), "etc second s2,q2,-"},
      {Described(ns_printer_get_name_all("second")), "user second s1,q1,-"},
      {Value("_all", "all"), "first,second"},
      {Value("3rd", "description"), "the first"}};
  for (const auto &[got, want] : rows) EXPECT_EQ(got, want);
}

TEST_F(PrtFormat, EntriesValuesAndTheirLimits) {
  // A value is read up to an equals sign; a key without a value takes nothing away.
  // A comment or an empty line ends a continued entry. An entry over the limit is
  // skipped and its neighbours kept.
  std::string fits(1023 - std::string("ok:k=:").size(), 'y');
  WriteEtc(
      "p:description=a=b:flag:colour=red:colour:\na:k1=v1:\\\n#x:k2=v2\nb:k=1:\\\n\nc:k=2:\n"
      "big:k=" +
      std::string(1100, 'x') + ":\nd:k=3:\nok:k=" + fits + ":\n");
  const std::pair<std::pair<const char *, const char *>, std::string> rows[] = {
      {{"p", "description"}, "a"}, {{"p", "flag"}, ""}, {{"p", "colour"}, "red"},
      {{"a", "k1"}, "v1"},         {{"a", "k2"}, ""},   {{"x", "k2"}, "<none>"},
      {{"b", "k"}, "1"},           {{"c", "k"}, "2"},   {{"big", "k"}, "<none>"},
      {{"d", "k"}, "3"},           {{"ok", "k"}, fits}};
  for (const auto &[at, want] : rows) EXPECT_EQ(Value(at.first, at.second), want) << at.first;
}

TEST_F(PrtFormat, PiecesWithoutValueAreKeysWithoutValue) {
  // "bare" and "empty=" are keys with no value; a later bare "k" keeps k's value. The
  // writer writes only the keys that have a value.
  WriteEtc("lp:bare:k=v:\nq:k=v:empty=:k:\n");
  std::vector<ns_printer_t *> read;
  for (const char *name : {"lp", "q"}) read.push_back(ns_printer_get_name(name, nullptr));
  for (auto [p, want] : {std::pair{read[0], "bare k=v"}, {read[1], "k=v empty"}}) {
    ASSERT_NE(p, nullptr) << want;
    std::string got;
    for (ns_kvp_t **kv = p->attributes; kv && *kv; ++kv)
      got += (got.empty() ? "" : " ") + std::string((*kv)->key) +
             ((*kv)->value ? "=" + std::string(static_cast<char *>((*kv)->value)) : "");
    EXPECT_EQ(got, want);
    EXPECT_EQ(ns_printer_put(p), 0) << want;
    ns_printer_destroy(p);
  }
  EXPECT_EQ(ReadFile(etc), kHeader + "lp:\\\n\t:k=v:\nq:\\\n\t:k=v:\n");
}

TEST_F(PrtFormat, InheritanceStopsAfterSixteenLevelsAndGroupsAndListsAreSearched) {
  std::string text;
  for (int i = 0; i < 17; ++i)
    text += "p" + std::to_string(i) + ":use=p" + std::to_string(i + 1) + ":\n";
  WriteEtc(text +
           "p17:colour=blue:\nm1:colour=red:\nm2:size=a4:\ng:group=m1,m2:\n"
           "l:list=m2,missing:\nself:list=self:\na:use=b:\nb:use=a:\n");
  const std::pair<std::pair<const char *, const char *>, const char *> rows[] = {
      {{"p1", "colour"}, "blue"}, {{"p0", "colour"}, ""}, {{"a", "colour"}, ""},
      {{"g", "size"}, "a4"},      {{"l", "size"}, "a4"},  {{"l", "list"}, "m2,missing"},
      {{"self", "colour"}, ""}};
  for (const auto &[at, want] : rows) EXPECT_EQ(Value(at.first, at.second), want) << at.first;
}

TEST_F(PrtFormat, BsdAddressListsDefaultsAndWalks) {
  WriteEtc(
      "_default:use=b:\na:bsdaddr=h1,qa:\nb:bsdaddr=h2:\nc:bsdaddr=h1,qa:\ne:bsdaddr=h1,qa,x:\n"
      "d:description=no address:\n_all:all=b,a,b:\n");
  // c and e duplicate a (the extension is not compared); b's printer part is its entry's name; _all
  // and d have none.
  EXPECT_EQ(AddrList(ns_bsd_addr_get_list()), "h2,b,- h1,qa,- ");
  ns_bsd_addr_t *def = ns_bsd_addr_get_default();
  EXPECT_EQ(Addr(def), "h2,b,-");
  if (def) ns_bsd_addr_destroy(def);
  env.Set("LPDEST", "a");
  EXPECT_EQ(ns_bsd_addr_get_default(), nullptr);
  EXPECT_EQ(AddrList(ns_bsd_addr_get_all()), "h1,qa,- h2,b,- ");
  // The walks end with none and start again; the user file and NIS have nothing here.
  const std::string etcWalk = "h2,b,- h1,qa,- h2,b,- h1,qa,- h1,qa,x ";
  const std::pair<ns_bsd_addr_t *(*)(), std::string> walks[] = {
      {ns_bsd_addr_get_all_once, "h1,qa,- h2,b,- "},
      {ns_bsd_addr_etc_get_list_once, etcWalk},
      {ns_bsd_addr_etc_get_list_once, etcWalk},
      {ns_bsd_addr_user_get_list_once, ""},
      {ns_bsd_addr_nis_get_list_once, ""}};
  for (const auto &[walk, want] : walks) {
    std::string got;
    while (ns_bsd_addr_t *a = walk()) {
      got += Addr(a) + " ";
      ns_bsd_addr_destroy(a);
    }
    EXPECT_EQ(got, want);
  }
}

// The order parsed from `text` as "rc: services" (an order ends at its 0).
std::string Parse(const char *text, int max = 10) {
  int order[11] = {};
  std::string got = std::to_string(ns_parse_confentries(text, max, order)) + ":";
  for (int *o = order; *o; ++o) got += " " + std::to_string(*o);
  return got;
}

TEST(PrtSwitch, EntriesCriteriaAndErrors) {
  const std::pair<std::string, const char *> rows[] = {
      {Parse(" user files [NOTFOUND=return] nis"), "0: 1 3"},
      {Parse("files\t[UNAVAIL=continue] nis dns\n compat"), "0: 3 4 8"},
      {Parse("files nis xfn", 2), "0: 3 4"},
      {Parse("files ldap"), "-2:"},
      {Parse("files [NOTFOUND=stop] nis"), "-2:"},
      {Parse("files [BOGUS=return]"), "-2:"},
      {Parse("files [NOTFOUND=return"), "-2:"}};
  for (const auto &[got, want] : rows) EXPECT_EQ(got, want);
  EXPECT_EQ(std::string(ns_get_svc_string(1)) + ns_get_svc_string(8), "userdns");
  EXPECT_EQ(ns_get_svc_string(9), nullptr);
}

using PrtSwitchFile = PrtFiles;

TEST_F(PrtSwitchFile, FirstLineOfTheDatabaseIsUsed) {
  std::string path = dir + "/nsswitch.conf";
  ns__nsswitch_path = path.c_str();
  int order[11];
  EXPECT_EQ(ns_get_svc_order("printers", 10, order), -1);
  WriteFile(path,
            "# printers: nis\n\n   passwd: files\n"
            "printers\t: user files [NOTFOUND=return] nis\nprinters: nis\n");
  ASSERT_EQ(ns_get_svc_order("printers", 10, order), 0);
  EXPECT_EQ(std::vector<int>(order, order + 3), (std::vector<int>{1, 3, 0}));
  EXPECT_EQ(ns_get_svc_order("group", 10, order), 1);
  WriteFile(path, "printers: files bogus\n");
  EXPECT_EQ(ns_get_svc_order("printers", 10, order), -2);
  EXPECT_EQ(order[0], 0);
  ns__nsswitch_path = "/etc/nsswitch.conf";
}

}  // namespace
}  // namespace kq::prt::test
