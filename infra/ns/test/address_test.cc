// DPA address strings and the address store over the printer configuration,
// without the registry service.
#include <cstdlib>
#include <cstring>

#include "ns_test_util.h"

namespace kq::ns::test {
namespace {

TEST(NsAddress, SevenNonEmptyFieldsAndTableLookups) {
  ns_dpa_addr_t *a = str_to_dpa_addr("lp1", "paddr", "hostA,300001,2,des,sl,spool1,0");
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->name, "lp1");
  EXPECT_STREQ(a->key, "paddr");
  EXPECT_EQ(a->auth, NS_AUTH_DES);
  EXPECT_EQ(a->cls, NS_KIND_SPOOLER);
  EXPECT_EQ(AddressText(*a), "hostA,300001,2,des,sl,spool1,0");
  ns_free_dpa_addr(a);

  a = str_to_dpa_addr("x", "paddr", "h,1,1,foo,xx,s,1");
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->auth, 0);  // unknown authentication name
  EXPECT_EQ(a->cls, 0);   // unknown class name
  ns_free_dpa_addr(a);
  a = str_to_dpa_addr("x", "paddr", "h,1,1,sys,lp,s,1");
  EXPECT_EQ(a->cls, NS_KIND_LOGICAL);  // "lp" is first found at kind 0
  ns_free_dpa_addr(a);

  for (const char *bad : {"h,1,1,sys,sl,s", "h,1,1,sys,sl,s,1,extra", "h,,1,sys,sl,s,1",
                          "h,1,1,sys,sl,s,", ",1,1,sys,sl,s,1", "h,one,1,sys,sl,s,1", ""})
    EXPECT_EQ(str_to_dpa_addr("x", "paddr", bad), nullptr) << bad;
  EXPECT_EQ(str_to_dpa_addr("x", "paddr", nullptr), nullptr);
}

TEST(NsAddress, TimeoutsFromTheEnvironment) {
  struct Case {
    const char *pts, *rpc, *longtime;
    long create, call;
  } cases[] = {
      {nullptr, nullptr, nullptr, 25, 120}, {"7", nullptr, nullptr, 7, 120},
      {"0", "20", nullptr, 25, 120},  // 20 would do for the client frame, not here
      {nullptr, "26", "1", 25, 26},         {nullptr, nullptr, "1", 25, 3600},
  };
  {
    kq::test::EnvGuard env;
    for (const Case &c : cases) {
      env.Set("PTS_TIMEOUT", c.pts);
      env.Set("ENV_JQP_RPC_TIMEOUT", c.rpc);
      env.Set("JQP_LONGTIME", c.longtime);
      ComputeTimeouts();
      EXPECT_EQ(nsCreateTimeout.tv_sec, c.create);
      EXPECT_EQ(nsRpcCallTimeout.tv_sec, c.call);
    }
  }
  ComputeTimeouts();
}

using NsStore = NsFiles;

TEST_F(NsStore, HandWrittenAddressesAreFoundAndListedByClass) {
  WriteEtc(
      "lp1:paddr=h1,300001,1,sys,lp,spool1,0:spooling-type=dpa:\n"
      "pp1:paddr=h2,300002,1,none,pp,super1,0:\n"
      "spool1:saddr=h1,300001,1,sys,sl,spool1,0:\n"
      "super1:saddr=h2,300002,1,sys,sv,super1,0:\n"
      "q1:qaddr=h1,300001,1,sys,qu,spool1,0:\n"
      "broken:paddr=h1,1,1,sys,lp:\n");
  ns_dpa_addr_t *a = ns_get_dpa_addr("lp1", NS_KIND_LOGICAL);
  ASSERT_NE(a, nullptr);
  EXPECT_STREQ(a->ns, "etc");
  EXPECT_EQ(AddressText(*a), "h1,300001,1,sys,lp,spool1,0");
  ns_free_dpa_addr(a);
  EXPECT_EQ(ns_get_dpa_addr("lp1", NS_KIND_SPOOLER), nullptr);  // no "saddr"
  EXPECT_EQ(ns_get_dpa_addr("broken", NS_KIND_LOGICAL), nullptr);
  EXPECT_EQ(ns_get_dpa_addr("lp1", 8), nullptr);

  auto names = [](int kind) {
    std::string got;
    ns_dpa_addr_t **list = ns_list_dpa_addr(kind);
    for (ns_dpa_addr_t **x = list; x && *x; ++x)
      got += std::string(got.empty() ? "" : ",") + (*x)->name;
    ns_free_dpa_addr_list(list);
    return got;
  };
  EXPECT_EQ(names(NS_KIND_PRINTER), "lp1,pp1");
  EXPECT_EQ(names(NS_KIND_LOGICAL), "lp1");
  EXPECT_EQ(names(NS_KIND_PHYSICAL), "pp1");
  EXPECT_EQ(names(NS_KIND_SERVER), "spool1,super1");
  EXPECT_EQ(names(NS_KIND_QUEUE), "q1");
  EXPECT_EQ(names(9), "");
}

TEST_F(NsStore, QueueWrittenToTheSystemFilePointsAtTheRegistry) {
  WriteEtc("other:description=x:\n");
  ns_dpa_addr_t a = Address("q2", NS_KIND_QUEUE, "hostQ", "spool9", 300009, 3);
  ASSERT_EQ(ns_put_dpa_addr(&a), 0);
  EXPECT_NE(ReadFile(etc).find("q2:\\\n\t:qaddr=hostQ,105004,3,sys,qu,spool9,1:\n"),
            std::string::npos)
      << ReadFile(etc);
  std::string before = ReadFile(etc);
  ns_dpa_addr_t conflicting = a;
  conflicting.host = const_cast<char *>("elsewhere");
  EXPECT_EQ(ns_put_dpa_addr(&conflicting), -1);
  for (const char *badName : {"", "a b", "a:b", "a,b"}) {
    ns_dpa_addr_t bad = a;
    bad.name = const_cast<char *>(badName);
    EXPECT_EQ(ns_put_dpa_addr(&bad), -1) << badName;
  }
  ns_dpa_addr_t badKind = a;
  badKind.cls = 8;
  EXPECT_EQ(ns_put_dpa_addr(&badKind), -1);
  EXPECT_EQ(ReadFile(etc), before);

  ASSERT_EQ(ns_delete_dpa_addr("q2", NS_KIND_QUEUE), 0);
  EXPECT_EQ(ReadFile(etc).find("q2"), std::string::npos);
  EXPECT_EQ(ns_delete_dpa_addr("q2", NS_KIND_QUEUE), -1);
}

TEST_F(NsStore, LogicalPrinterDeleteKeepsTheEntrysOtherAttributes) {
  WriteEtc("lp5|five:paddr=h,300001,1,sys,lp,s,0:spooling-type=dpa:description=kept:\n");
  ASSERT_EQ(ns_delete_dpa_addr("five", NS_KIND_LOGICAL), 0);
  EXPECT_EQ(ReadFile(etc).substr(ReadFile(etc).find("lp5")), "lp5|five:\\\n\t:description=kept:\n");
}

TEST_F(NsStore, SwitchOrderChoosesTheServices) {
  const std::string &path = switchFile;
  WriteFile(path, "printers: user nis\n");
  WriteEtc("lp1:paddr=h1,300001,1,sys,lp,spool1,0:\n");
  EXPECT_EQ(ns_get_dpa_addr("lp1", NS_KIND_LOGICAL), nullptr);  // "files" is not listed
  const char *services[11] = {"etc", "nis", nullptr};
  ASSERT_EQ(ns_getservices(services), 0);
  EXPECT_STREQ(services[0], "user");
  EXPECT_STREQ(services[1], "nis");
  EXPECT_EQ(services[2], nullptr);
  WriteFile(path, "printers: files\n");
  ns_dpa_addr_t *a = ns_get_dpa_addr("lp1", NS_KIND_LOGICAL);
  EXPECT_NE(a, nullptr);
  ns_free_dpa_addr(a);
  WriteFile(path, "passwd: files\n");
  services[0] = "etc";
  services[1] = "nis";
  ASSERT_EQ(ns_getservices(services), 0);
  EXPECT_STREQ(services[0], "etc");  // left as the caller filled it
}

}  // namespace
}  // namespace kq::ns::test
