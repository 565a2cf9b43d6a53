// The printer configuration's NIS source against the real NIS server of the nis
// fixture, whose printers map is built from test/nis/printers.conf: single lookups,
// yp_all walks, inheritance through NIS entries, host:queue names beside them, and the
// update of the map on its master (this host, reached through the fixture's doubles of
// rcp and rsh).
#include <rpcsvc/ypclnt.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "internal/prt_nis.h"
#include "prt_test_util.h"

namespace kq::prt::test {
namespace {

class PrtNis : public PrtFiles {
 protected:
  void SetUp() override {
    std::string why = kq::test::NisFixtureSkipReason();
    if (!why.empty()) GTEST_SKIP() << why;
  }
};

TEST_F(PrtNis, LookupsListsAndWalksReadTheMapAfterTheLocalFile) {
  ASSERT_NE(prt__nis_domain(), nullptr);
  EXPECT_STREQ(prt__nis_domain(), kq::test::kNisDomain);
  WriteEtc("nisother:bsdaddr=etchost,etcq:\n");
  const struct {
    const char *name, *service, *found;
  } rows[] = {{"nisprinter", "nis", "nis nisprinter|nisalias nishost,nisq,-"},
              {"nisalias", "nis", "nis nisprinter|nisalias nishost,nisq,-"},
              {"nisother", "nis", "nis nisother otherhost,otherq,Solaris"},
              {"nisprinter", nullptr, "nis nisprinter|nisalias nishost,nisq,-"},
              {"nisother", nullptr, "etc nisother etchost,etcq,-"},
              {"nosuchprinter", "nis", "<none>"},
              {"nosuchprinter", nullptr, "<none>"},
              {"lab7:q2", nullptr, "posix lab7:q2 lab7,q2,-"}};  // read from no source
  for (const auto &row : rows) EXPECT_EQ(Found(row.name, row.service), row.found) << row.name;
  EXPECT_EQ(Value("nisprinter", "description", "nis"), "printer known only to NIS");
  // Lists, walks, the default and _all.
  ns_printer_t **list = ns_printer_get_list("nis");
  ASSERT_NE(list, nullptr);
  std::multiset<std::string> names;
  for (ns_printer_t **p = list; *p; ++p)
    names.insert((*p)->source + (" " + std::string((*p)->name)));
  ns_printer_list_destroy(list);
  EXPECT_EQ(names, (std::multiset<std::string>{"nis _all", "nis _default", "nis nisother",
                                               "nis nisprinter"}));
  for (int walk = 0; walk < 2; ++walk) {  // the walk skips _all and starts again
    std::multiset<std::string> seen;
    while (ns_bsd_addr_t *a = ns_bsd_addr_nis_get_list_once()) {
      seen.insert(std::string(a->pname ? a->pname : "-") + " " + Addr(a));
      ns_bsd_addr_destroy(a);
    }
    // "_default" uses nisprinter: its address is the one read from that entry.
    EXPECT_EQ(seen, (std::multiset<std::string>{"nisprinter nishost,nisq,-",
                                                "nisother otherhost,otherq,Solaris",
                                                "nisprinter nishost,nisq,-"}))
        << walk;
  }
  EXPECT_EQ(AddrOf("_default"), "nishost,nisq,-");
  ns_bsd_addr_t *def = ns_bsd_addr_get_default();
  EXPECT_EQ(Addr(def), "nishost,nisq,-");
  if (def) ns_bsd_addr_destroy(def);
  EXPECT_EQ(AddrList(ns_bsd_addr_get_all()), "nishost,nisq,- etchost,etcq,- ");
  EXPECT_EQ(Value("_all", NS_KEY_ALL, "nis"), "nisprinter,nisother");
}

// The map's entry for `name` as the server answers it now, or "<none>".
std::string MapEntry(const char *name) {
  char *value = nullptr;
  int length = 0;
  std::string entry =
      yp_match(const_cast<char *>(kq::test::kNisDomain), const_cast<char *>("printers.conf.byname"),
               const_cast<char *>(name), static_cast<int>(strlen(name)), &value, &length) == 0
          ? std::string(value, length)
          : "<none>";
  free(value);
  return entry;
}

TEST_F(PrtNis, UpdateOnTheMasterAddsAndRemovesAnEntryOfTheMap) {
  struct Cleanup {  // the local copy the update works on
    ~Cleanup() {
      for (const char *f : {"/tmp/printers.conf.byname", "/tmp/printers.conf.byname-",
                            "/tmp/printers.conf.byname.LCK"})
        unlink(f);
    }
  } cleanup;
  ASSERT_EQ(MapEntry("nisnew"), "<none>");
  ASSERT_EQ(Put("nisnew", NS_SVC_NIS, {{NS_KEY_BSDADDR, "newhost,newq"}}), 0);
  EXPECT_EQ(MapEntry("nisnew"), "nisnew::bsdaddr=newhost,newq:");
  EXPECT_EQ(Found("nisnew", "nis"), "nis nisnew newhost,newq,-");
  // The other entries went through the rewrite of the master's file unchanged.
  EXPECT_EQ(MapEntry("nisother"), "nisother::bsdaddr=otherhost,otherq,Solaris:");
  EXPECT_EQ(Value("nisprinter", "description", "nis"), "printer known only to NIS");
  // Without attributes the entry leaves the map.
  ASSERT_EQ(Put("nisnew", NS_SVC_NIS, {}), 0);
  EXPECT_EQ(MapEntry("nisnew"), "<none>");
}

}  // namespace
}  // namespace kq::prt::test
