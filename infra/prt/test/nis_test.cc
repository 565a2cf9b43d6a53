// The printer configuration's NIS source against the real NIS server of the kq_nis
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
#include <vector>

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

TEST_F(PrtNis, DomainIsTheFixturesDomain) {
  ASSERT_NE(prt__nis_domain(), nullptr);
  EXPECT_STREQ(prt__nis_domain(), kq::test::kNisDomain);
}

TEST_F(PrtNis, SingleLookupsFindNamesAndAliasesInTheMap) {
  struct Case {
    const char *name;
    const char *service;  // null: every service in order
    std::string found;    // "source name addr", or "<none>"
  } cases[] = {
      {"nisprinter", "nis", "nis nisprinter nishost,nisq,-"},
      {"nisalias", "nis", "nis nisprinter nishost,nisq,-"},
      {"nisother", "nis", "nis nisother otherhost,otherq,Solaris"},
      {"nisprinter", nullptr, "nis nisprinter nishost,nisq,-"},
      {"nosuchprinter", "nis", "<none>"},
      {"nosuchprinter", nullptr, "<none>"},
      // A host:queue name is answered without reading any source.
      {"lab7:q2", nullptr, "posix lab7:q2 lab7,q2,-"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    ns_printer_t *p = ns_printer_get_name(c.name, c.service);
    std::string found = "<none>";
    if (p) {
      found = std::string(p->source ? p->source : "-") + " " + p->name + " " +
              Addr(static_cast<ns_bsd_addr_t *>(ns_get_value(NS_KEY_BSDADDR, p)));
      ns_printer_destroy(p);
    }
    EXPECT_EQ(found, c.found);
  }
  EXPECT_EQ(Value("nisprinter", "description", "nis"), "printer known only to NIS");
}

TEST_F(PrtNis, LocalFilesComeBeforeNis) {
  WriteEtc("nisprinter:bsdaddr=etchost,etcq:\n");
  EXPECT_EQ(AddrOf("nisprinter"), "etchost,etcq,-");
  ns_printer_t *p = ns_printer_get_name("nisprinter", "nis");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Addr(static_cast<ns_bsd_addr_t *>(ns_get_value(NS_KEY_BSDADDR, p))), "nishost,nisq,-");
  ns_printer_destroy(p);
}

TEST_F(PrtNis, ListOfTheMapHoldsEveryEntryOnce) {
  ns_printer_t **list = ns_printer_get_list("nis");
  ASSERT_NE(list, nullptr);
  std::multiset<std::string> names;
  for (ns_printer_t **p = list; *p; ++p) {
    names.insert((*p)->name);
    EXPECT_STREQ((*p)->source, "nis");
  }
  ns_printer_list_destroy(list);
  EXPECT_EQ(names, (std::multiset<std::string>{"_all", "_default", "nisother", "nisprinter"}));
}

TEST_F(PrtNis, AddressWalkGoesThroughTheMapSkippingAllAndStartsAgain) {
  for (int walk = 0; walk < 2; ++walk) {
    SCOPED_TRACE(walk);
    std::multiset<std::string> seen;
    ns_bsd_addr_t *a;
    while ((a = ns_bsd_addr_nis_get_list_once()) != nullptr) {
      seen.insert(std::string(a->pname ? a->pname : "-") + " " + Addr(a));
      ns_bsd_addr_destroy(a);
    }
    // "_default" uses nisprinter: its address is the one read from that entry.
    EXPECT_EQ(seen, (std::multiset<std::string>{"nisprinter nishost,nisq,-",
                                                "nisother otherhost,otherq,Solaris",
                                                "nisprinter nishost,nisq,-"}));
  }
}

TEST_F(PrtNis, DefaultAndAllComeFromTheMap) {
  EXPECT_EQ(AddrOf("_default"), "nishost,nisq,-");  // inherited through "use"
  ns_bsd_addr_t *def = ns_bsd_addr_get_default();
  EXPECT_EQ(Addr(def), "nishost,nisq,-");
  if (def) ns_bsd_addr_destroy(def);
  ns_bsd_addr_t **all = ns_bsd_addr_get_all();
  std::vector<std::string> addrs;
  for (ns_bsd_addr_t **a = all; a && *a; ++a) addrs.push_back(Addr(*a));
  if (all) ns_bsd_addr_list_destroy(all);
  EXPECT_EQ(addrs, (std::vector<std::string>{"nishost,nisq,-", "otherhost,otherq,Solaris"}));
  EXPECT_EQ(Value("_all", NS_KEY_ALL, "nis"), "nisprinter,nisother");
}

// The map's entry for `name` as the server answers it now, or "<none>".
std::string MapEntry(const char *name) {
  char *value = nullptr;
  int length = 0;
  if (yp_match(const_cast<char *>(kq::test::kNisDomain), const_cast<char *>("printers.conf.byname"),
               const_cast<char *>(name), static_cast<int>(strlen(name)), &value, &length) != 0)
    return "<none>";
  std::string entry(value, length);
  free(value);
  return entry;
}

// Puts a printer of the NIS source with the given address (none: no attributes).
int PutToNis(const char *name, const char *bsdaddr) {
  ns_printer_t *p = ns_printer_create(name, nullptr, NS_SVC_NIS, nullptr);
  if (bsdaddr) ns_set_value_from_string(NS_KEY_BSDADDR, bsdaddr, p);
  int rc = ns_printer_put(p);
  ns_printer_destroy(p);
  return rc;
}

TEST_F(PrtNis, UpdateOnTheMasterAddsAndRemovesAnEntryOfTheMap) {
  // The local copy the update works on.
  struct Cleanup {
    ~Cleanup() {
      for (const char *f : {"/tmp/printers.conf.byname", "/tmp/printers.conf.byname-",
                            "/tmp/printers.conf.byname.LCK"})
        unlink(f);
    }
  } cleanup;
  ASSERT_EQ(MapEntry("nisnew"), "<none>");
  ASSERT_EQ(PutToNis("nisnew", "newhost,newq"), 0);
  EXPECT_EQ(MapEntry("nisnew"), "nisnew::bsdaddr=newhost,newq:");
  ns_printer_t *p = ns_printer_get_name("nisnew", "nis");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Addr(static_cast<ns_bsd_addr_t *>(ns_get_value(NS_KEY_BSDADDR, p))), "newhost,newq,-");
  ns_printer_destroy(p);
  // The other entries went through the rewrite of the master's file unchanged.
  EXPECT_EQ(MapEntry("nisother"), "nisother::bsdaddr=otherhost,otherq,Solaris:");
  EXPECT_EQ(Value("nisprinter", "description", "nis"), "printer known only to NIS");

  // Without attributes the entry leaves the map.
  ASSERT_EQ(PutToNis("nisnew", nullptr), 0);
  EXPECT_EQ(MapEntry("nisnew"), "<none>");
}

}  // namespace
}  // namespace kq::prt::test
