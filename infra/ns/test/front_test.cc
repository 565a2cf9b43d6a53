// The NS_ front end, DPA address strings and the address store over hand-written
// entries (no registry service needed).
#include <unistd.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "infra/ns.h"
#include "ns_test_util.h"

namespace kq::ns::test {
namespace {

class NsFront : public NsFiles {
 protected:
  // A client over three printers; lp2's registry binding does not exist.
  void Client() {
    WriteEtc(
        "lp1:paddr=h1,300001,1,sys,lp,spool1,0:\npp1:paddr=h2,300002,4,kerb,pp,super1,0:\n"
        "lp2:paddr=127.0.0.1,105004,1,sys,lp,nobody-registered,1:\n");
    ASSERT_EQ(NS_Init(nullptr, NS_CLASS_CLIENT), NS_OK);
  }
};

std::string Error(int rc) { return "error " + std::to_string(rc); }

TEST_F(NsFront, InitChecksClassAndName) {
  // A server names itself and keeps its name; a client needs none.
  EXPECT_EQ((std::vector<int>{
                NS_Init(nullptr, NS_KIND_SPOOLER), NS_Init("x", 12), NS_Init("x", NS_KIND_LOGICAL),
                NS_Init("spool1", NS_KIND_SPOOLER), NS_Init("spool1", NS_KIND_SPOOLER),
                NS_Init("spool2", NS_KIND_SPOOLER), NS_Init(nullptr, NS_CLASS_CLIENT), NS_Term(),
                NS_Init(nullptr, NS_CLASS_CLIENT), NS_Init("anything", NS_CLASS_CLIENT)}),
            (std::vector<int>{NS_ERR_NAME, NS_ERR_BAD_KIND, NS_ERR_BAD_KIND, NS_OK, NS_OK,
                              NS_ERR_NAME, NS_ERR_BAD_KIND, NS_OK, NS_OK, NS_OK}));
}

TEST_F(NsFront, GetObjectFillsFromTheEntry) {
  ASSERT_NO_FATAL_FAILURE(Client());
  NS_object_t *o = nullptr, *copy = nullptr;
  ASSERT_EQ(NS_GetObject(NS_KIND_PRINTER, "pp1", nullptr, &o), NS_OK);
  ASSERT_EQ(NS_CopyObject(o, &copy), NS_OK);
  EXPECT_NE(copy->host, o->host);
  NS_FreeObject(o);
  // Asked as a printer, the object carries its entry's class.
  EXPECT_EQ(Text(*copy), "0 1 pp1 4 super1 h2 300002 4 3 paddr etc 0");
  NS_FreeObject(copy);
  // A registry address whose server nobody registered cannot be resolved.
  EXPECT_EQ(
      (std::vector<std::string>{Get(NS_KIND_LOGICAL, "missing"), Get(NS_KIND_LOGICAL, nullptr),
                                Get(10, "lp1"), Get(8, "lp1"), Get(NS_KIND_LOGICAL, "lp2")}),
      (std::vector<std::string>{Error(NS_ERR_NOT_FOUND), Error(NS_ERR_NAME), Error(NS_ERR_BAD_KIND),
                                Error(NS_ERR_NOT_FOUND), Error(NS_ERR_NOT_FOUND)}));
}

TEST_F(NsFront, NotificationServiceNeedsNoEntry) {
  ASSERT_EQ(NS_Init("evt1", NS_KIND_NOTIFY), NS_OK);
  NS_object_t *o = nullptr;
  ASSERT_EQ(NS_GetObject(NS_KIND_NOTIFY, "evt1", nullptr, &o), NS_OK);
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  EXPECT_EQ(Text(*o), "0 7 evt1 7 evt1 " + std::string(host) + " " + std::to_string(PTS_PROGRAM) +
                          " 1 1 - - 0");
  int same[2] = {-1, -1};
  EXPECT_EQ(NS_IsSameHost(o, &same[0]) + NS_IsSameServer(o, &same[1]), NS_OK);
  EXPECT_EQ(same[0] + same[1], 2);                   // this host, this server
  EXPECT_EQ(NS_CreateObject(o, 0, nullptr), NS_OK);  // kind 7: nothing to store
  EXPECT_EQ(NS_DeleteObject(o), NS_OK);
  NS_FreeObject(o);
}

TEST_F(NsFront, ListsSkipUnresolvableEntries) {
  ASSERT_NO_FATAL_FAILURE(Client());
  NS_list_t *list = nullptr;
  ASSERT_EQ(NS_ListObjectBegin(NS_KIND_PRINTER, nullptr, &list), NS_OK);
  std::string got;
  NS_object_t *o = nullptr;
  int rc;
  while ((rc = NS_ListNext(list, &o)) == NS_OK) {
    got += std::string(o->name) + ":" + std::to_string(o->kind) + " ";
    NS_FreeObject(o);
  }
  EXPECT_EQ(got + Error(rc), "lp1:0 pp1:1 " + Error(NS_ERR_END));  // lp2 has no binding
  EXPECT_EQ(NS_ListNext(list, &o), NS_ERR_END);
  EXPECT_EQ(NS_ListEnd(list), NS_OK);
  NS_object_t group = Object("g", NS_KIND_PRINTER, 3, "h", "s", 1, 1);
  EXPECT_EQ((std::vector<int>{NS_ListObjectBegin(NS_KIND_QUEUE, nullptr, &list),
                              NS_ListObjectBegin(NS_KIND_NOTIFY, nullptr, &list),
                              NS_ListBackupPrtBegin(&group, &list)}),
            (std::vector<int>{NS_ERR_NOT_FOUND, NS_ERR_BAD_KIND, NS_ERR_UNSUPPORTED}));
}

TEST_F(NsFront, CreateAndDeleteChecksAndQueueRoundTrip) {
  WriteEtc("");
  NS_object_t q = Object("q7", NS_KIND_QUEUE, 3, "hq", "spool7", 300007, 1);
  EXPECT_EQ(NS_CreateObject(&q, 0, nullptr), NS_ERR_NOT_INIT);
  ASSERT_EQ(NS_Init(nullptr, NS_CLASS_CLIENT), NS_OK);
  EXPECT_EQ(NS_CreateObject(&q, 0, nullptr), NS_ERR_NOT_PERMITTED);
  EXPECT_EQ(NS_DeleteObject(&q), NS_ERR_NOT_PERMITTED);
  NS_Term();
  ASSERT_EQ(NS_Init("spool7", NS_KIND_SPOOLER), NS_OK);
  NS_object_t noName = q, badServer = q, badKind = q;
  noName.name = nullptr;
  badServer.serverType = 4;
  badKind.kind = NS_KIND_SERVER;
  EXPECT_EQ(
      (std::vector<int>{NS_CreateObject(nullptr, 0, nullptr), NS_CreateObject(&noName, 0, nullptr),
                        NS_CreateObject(&badServer, 0, nullptr),
                        NS_CreateObject(&badKind, 0, nullptr), NS_CreateGroup(&q, &q)}),
      (std::vector<int>{NS_ERR_OBJECT, NS_ERR_NAME, NS_ERR_BAD_KIND, NS_ERR_BAD_KIND,
                        NS_ERR_UNSUPPORTED}));
  EXPECT_EQ(ReadFile(etc), "");
  ASSERT_EQ(NS_CreateObject(&q, 0, nullptr), NS_OK);
  EXPECT_NE(ReadFile(etc).find("q7:\\\n\t:qaddr=hq,105004,1,sys,qu,spool7,1:"), std::string::npos);
  EXPECT_EQ(NS_DeleteObject(&q), NS_OK);
  EXPECT_EQ(ReadFile(etc).find("q7"), std::string::npos);
  EXPECT_EQ(NS_DeleteObject(&q), NS_ERR_NOT_FOUND);
}

// "auth cls address" of str_to_dpa_addr's answer for `text`, or "<none>".
std::string Parsed(const char *text) {
  ns_dpa_addr_t *a = str_to_dpa_addr("lp1", "paddr", text);
  if (!a) return "<none>";
  std::string got = std::to_string(a->auth) + " " + std::to_string(a->cls) + " " + AddressText(*a) +
                    (strcmp(a->name, "lp1") || strcmp(a->key, "paddr") ? "!" : "");
  ns_free_dpa_addr(a);
  return got;
}

TEST(NsAddress, SevenNonEmptyFieldsAndTableLookups) {
  // "auth cls": des 2, sys 1; sl 3, lp 0 (first found at kind 0); unknown names 0.
  const std::pair<const char *, std::string> rows[] = {
      {"hostA,300001,2,des,sl,spool1,0", "2 3 hostA,300001,2,des,sl,spool1,0"},
      {"h,1,1,foo,xx,s,1", "0 0 h,1,1,none,lp,s,1"},
      {"h,1,1,sys,lp,s,1", "1 0 h,1,1,sys,lp,s,1"},
      {nullptr, "<none>"}};
  for (const auto &[text, want] : rows) EXPECT_EQ(Parsed(text), want) << text;
  // Six or eight fields, an empty field, a number that is not one, an empty text.
  for (const char *bad : {"h,1,1,sys,sl,s", "h,1,1,sys,sl,s,1,extra", "h,,1,sys,sl,s,1",
                          "h,1,1,sys,sl,s,", ",1,1,sys,sl,s,1", "h,one,1,sys,sl,s,1", ""})
    EXPECT_EQ(Parsed(bad), "<none>") << bad;
}

// (PTS_TIMEOUT, ENV_JQP_RPC_TIMEOUT, JQP_LONGTIME) give "create call" seconds; an
// RPC time-out of 20 would do for the client frame, not here.
TEST(NsAddress, TimeoutsFromTheEnvironment) {
  const std::pair<std::array<const char *, 3>, const char *> rows[] = {
      {{nullptr, nullptr, nullptr}, "25 120"},
      {{"7", nullptr, nullptr}, "7 120"},
      {{"0", "20", nullptr}, "25 120"},
      {{nullptr, "26", "1"}, "25 26"},
      {{nullptr, nullptr, "1"}, "25 3600"}};
  {
    kq::test::EnvGuard env;
    for (const auto &[vars, want] : rows) {
      for (int i = 0; i < 3; i++)
        env.Set(std::array{"PTS_TIMEOUT", "ENV_JQP_RPC_TIMEOUT", "JQP_LONGTIME"}[i], vars[i]);
      ComputeTimeouts();
      EXPECT_EQ(
          std::to_string(nsCreateTimeout.tv_sec) + " " + std::to_string(nsRpcCallTimeout.tv_sec),
          want);
    }
  }
  ComputeTimeouts();
}

using NsStore = NsFiles;

// The names of the addresses of class `kind`, comma-separated.
std::string Listed(int kind) {
  std::string got;
  ns_dpa_addr_t **list = ns_list_dpa_addr(kind);
  for (ns_dpa_addr_t **x = list; x && *x; ++x)
    got += std::string(got.empty() ? "" : ",") + (*x)->name;
  ns_free_dpa_addr_list(list);
  return got;
}

// "ns address" of ns_get_dpa_addr's answer, or "<none>".
std::string Found(const char *name, int kind) {
  ns_dpa_addr_t *a = ns_get_dpa_addr(name, kind);
  std::string got = a ? std::string(a->ns) + " " + AddressText(*a) : "<none>";
  if (a) ns_free_dpa_addr(a);
  return got;
}

TEST_F(NsStore, HandWrittenAddressesAreFoundAndListedByClass) {
  WriteEtc(
      "lp1:paddr=h1,300001,1,sys,lp,spool1,0:spooling-type=dpa:\n"
      "pp1:paddr=h2,300002,1,none,pp,super1,0:\nspool1:saddr=h1,300001,1,sys,sl,spool1,0:\n"
      "super1:saddr=h2,300002,1,sys,sv,super1,0:\nq1:qaddr=h1,300001,1,sys,qu,spool1,0:\n"
      "broken:paddr=h1,1,1,sys,lp:\n");
  EXPECT_EQ(Found("lp1", NS_KIND_LOGICAL), "etc h1,300001,1,sys,lp,spool1,0");
  // No "saddr" for lp1, too few fields for "broken", no class 8.
  EXPECT_EQ(Found("lp1", NS_KIND_SPOOLER) + Found("broken", NS_KIND_LOGICAL) + Found("lp1", 8),
            "<none><none><none>");
  EXPECT_EQ((std::vector<std::string>{Listed(NS_KIND_PRINTER), Listed(NS_KIND_LOGICAL),
                                      Listed(NS_KIND_PHYSICAL), Listed(NS_KIND_SERVER),
                                      Listed(NS_KIND_QUEUE), Listed(9)}),
            (std::vector<std::string>{"lp1,pp1", "lp1", "pp1", "spool1,super1", "q1", ""}));
}

TEST_F(NsStore, QueueWrittenToTheSystemFilePointsAtTheRegistry) {
  WriteEtc("other:description=x:\n");
  ns_dpa_addr_t a = Address("q2", NS_KIND_QUEUE, "hostQ", "spool9", 300009, 3);
  ASSERT_EQ(ns_put_dpa_addr(&a), 0);
  std::string before = ReadFile(etc);
  EXPECT_NE(before.find("q2:\\\n\t:qaddr=hostQ,105004,3,sys,qu,spool9,1:\n"), std::string::npos)
      << before;
  // Another host for the name, names the file cannot hold, and classes it does not have.
  for (auto [name, host, cls] : {std::tuple{"q2", "elsewhere", NS_KIND_QUEUE},
                                 {"", "hostQ", NS_KIND_QUEUE},
                                 {"a b", "hostQ", NS_KIND_QUEUE},
                                 {"a:b", "hostQ", NS_KIND_QUEUE},
                                 {"a,b", "hostQ", NS_KIND_QUEUE},
                                 {"q2", "hostQ", 8}}) {
    ns_dpa_addr_t bad = Address(name, cls, host, "spool9", 300009, 3);
    EXPECT_EQ(ns_put_dpa_addr(&bad), -1) << name << " " << host << " " << cls;
  }
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

}  // namespace
}  // namespace kq::ns::test
