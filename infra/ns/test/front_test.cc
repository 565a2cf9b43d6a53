// The NS_ front end over hand-written entries (no registry service needed).
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "infra/ns.h"
#include "ns_test_util.h"

namespace kq::ns::test {
namespace {

const char kEntries[] =
    "lp1:paddr=h1,300001,1,sys,lp,spool1,0:\n"
    "pp1:paddr=h2,300002,4,kerb,pp,super1,0:\n"
    "lp2:paddr=127.0.0.1,105004,1,sys,lp,nobody-registered,1:\n";

class NsFront : public NsFiles {
 protected:
  // A client over kEntries.
  void Client() {
    WriteEtc(kEntries);
    ASSERT_EQ(NS_Init(nullptr, NS_CLASS_CLIENT), NS_OK);
  }
};

TEST_F(NsFront, NothingWorksBeforeInitAndInitChecksClassAndName) {
  NS_object_t *o = nullptr;
  NS_list_t *list = nullptr;
  NS_domain_t *d = nullptr;
  EXPECT_EQ(NS_GetObject(NS_KIND_LOGICAL, "lp1", nullptr, &o), NS_ERR_NOT_INIT);
  EXPECT_EQ(NS_ListObjectBegin(NS_KIND_LOGICAL, nullptr, &list), NS_ERR_NOT_INIT);
  EXPECT_EQ(NS_CreateDomainHandle(&d), NS_ERR_NOT_INIT);
  EXPECT_EQ(NS_Term(), NS_ERR_NOT_INIT);

  EXPECT_EQ(NS_Init(nullptr, NS_KIND_SPOOLER), NS_ERR_NAME);
  EXPECT_EQ(NS_Init("x", 12), NS_ERR_BAD_KIND);
  EXPECT_EQ(NS_Init("x", NS_KIND_LOGICAL), NS_ERR_BAD_KIND);
  ASSERT_EQ(NS_Init("spool1", NS_KIND_SPOOLER), NS_OK);
  EXPECT_EQ(NS_Init("spool1", NS_KIND_SPOOLER), NS_OK);
  EXPECT_EQ(NS_Init("spool2", NS_KIND_SPOOLER), NS_ERR_NAME);
  EXPECT_EQ(NS_Init(nullptr, NS_CLASS_CLIENT), NS_ERR_BAD_KIND);
  int *envs = nullptr, count = 0;
  ASSERT_EQ(NS_ListSupportedEnv(&envs, &count), NS_OK);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(envs[0], NS_ENV_ONC);
  free(envs);
  EXPECT_EQ(NS_Term(), NS_OK);
  ASSERT_EQ(NS_Init(nullptr, NS_CLASS_CLIENT), NS_OK);
  EXPECT_EQ(NS_Init("anything", NS_CLASS_CLIENT), NS_OK);
}

TEST_F(NsFront, GetObjectFillsFromTheEntry) {
  ASSERT_NO_FATAL_FAILURE(Client());
  NS_object_t *o = nullptr, *copy = nullptr;
  ASSERT_EQ(NS_GetObject(NS_KIND_PRINTER, "pp1", nullptr, &o), NS_OK);
  // Asked as a printer, the object carries its entry's class.
  EXPECT_EQ(Text(*o), "0 1 pp1 4 super1 h2 300002 4 3 paddr etc 0");
  ASSERT_EQ(NS_CopyObject(o, &copy), NS_OK);
  EXPECT_NE(copy->host, o->host);
  NS_FreeObject(o);
  EXPECT_EQ(Text(*copy), "0 1 pp1 4 super1 h2 300002 4 3 paddr etc 0");
  NS_FreeObject(copy);
  const std::pair<std::string, int> misses[] = {
      {Get(NS_KIND_LOGICAL, "missing"), NS_ERR_NOT_FOUND},
      {Get(NS_KIND_LOGICAL, nullptr), NS_ERR_NAME},
      {Get(10, "lp1"), NS_ERR_BAD_KIND},
      {Get(8, "lp1"), NS_ERR_NOT_FOUND},
      // A registry address whose server nobody registered cannot be resolved.
      {Get(NS_KIND_LOGICAL, "lp2"), NS_ERR_NOT_FOUND},
  };
  for (const auto &[got, rc] : misses) EXPECT_EQ(got, "error " + std::to_string(rc));
}

TEST_F(NsFront, NotificationServiceNeedsNoEntry) {
  ASSERT_EQ(NS_Init("evt1", NS_KIND_NOTIFY), NS_OK);
  NS_object_t *o = nullptr;
  ASSERT_EQ(NS_GetObject(NS_KIND_NOTIFY, "evt1", nullptr, &o), NS_OK);
  EXPECT_EQ(o->serverType, NS_KIND_NOTIFY);
  EXPECT_STREQ(o->serverName, "evt1");
  char host[256] = "";
  gethostname(host, sizeof host - 1);
  EXPECT_STREQ(o->host, host);
  EXPECT_EQ(o->prognum, PTS_PROGRAM);
  EXPECT_EQ(o->versnum, 1);
  EXPECT_EQ(o->auth, NS_AUTH_SYS);
  int same = -1;
  EXPECT_EQ(NS_IsSameHost(o, &same), NS_OK);
  EXPECT_EQ(same, 1);
  EXPECT_EQ(NS_IsSameServer(o, &same), NS_OK);
  EXPECT_EQ(same, 1);
  free(o->host);
  o->host = strdup("elsewhere");
  EXPECT_EQ(NS_IsSameHost(o, &same), NS_OK);
  EXPECT_EQ(same, 0);
  free(o->host);
  o->host = nullptr;
  EXPECT_EQ(NS_IsSameHost(o, &same), NS_ERR_OBJECT);
  o->serverType = 3;
  EXPECT_EQ(NS_IsSameServer(o, &same), NS_OK);
  EXPECT_EQ(same, 0);
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
  EXPECT_EQ(rc, NS_ERR_END);
  EXPECT_EQ(got, "lp1:0 pp1:1 ");  // lp2's registry has no binding
  EXPECT_EQ(NS_ListNext(list, &o), NS_ERR_END);
  EXPECT_EQ(NS_ListEnd(list), NS_OK);
  EXPECT_EQ(NS_ListNext(nullptr, &o), NS_ERR_NO_HANDLE);
  EXPECT_EQ(NS_ListObjectBegin(NS_KIND_QUEUE, nullptr, &list), NS_ERR_NOT_FOUND);
  EXPECT_EQ(NS_ListObjectBegin(NS_KIND_NOTIFY, nullptr, &list), NS_ERR_BAD_KIND);
  EXPECT_EQ(NS_ListObjectBegin(11, nullptr, &list), NS_ERR_BAD_KIND);
  NS_object_t group = {};
  group.name = const_cast<char *>("g");
  EXPECT_EQ(NS_ListGroupMbrBegin(&group, &list), NS_ERR_UNSUPPORTED);
  EXPECT_EQ(NS_ListBackupPrtBegin(&group, &list), NS_ERR_UNSUPPORTED);
}

TEST_F(NsFront, DomainsOfTheOncEnvironment) {
  ASSERT_NO_FATAL_FAILURE(Client());
  NS_domain_t *d = nullptr;
  ASSERT_EQ(NS_CreateDomainHandle(&d), NS_OK);
  char *name = reinterpret_cast<char *>(1);
  EXPECT_EQ(NS_GetDomain(NS_ENV_ONC, d, &name), NS_OK);
  EXPECT_EQ(name, nullptr);  // no current domain on this machine
  NS_object_t *o = nullptr;
  EXPECT_EQ(NS_GetObject(NS_KIND_LOGICAL, "lp1", d, &o), NS_OK);
  NS_FreeObject(o);
  ASSERT_EQ(NS_SetDomain(NS_ENV_ONC, "other.example", d), NS_OK);
  EXPECT_EQ(NS_GetDomain(NS_ENV_ONC, d, &name), NS_OK);
  EXPECT_STREQ(name, "other.example");
  NS_FreeString(name);
  EXPECT_EQ(NS_GetObject(NS_KIND_LOGICAL, "lp1", d, &o), NS_ERR_DOMAIN);
  NS_list_t *list = nullptr;
  EXPECT_EQ(NS_ListObjectBegin(NS_KIND_LOGICAL, d, &list), NS_ERR_DOMAIN);
  EXPECT_EQ(NS_SetDomain(1, "x", d), NS_ERR_UNSUPPORTED);
  EXPECT_EQ(NS_SetDomain(NS_ENV_ONC, "x", nullptr), NS_ERR_NO_HANDLE);
  d->env = 2;
  EXPECT_EQ(NS_GetObject(NS_KIND_LOGICAL, "lp1", d, &o), NS_ERR_UNSUPPORTED);
  EXPECT_EQ(NS_FreeDomainHandle(d), NS_OK);
  NS_domainList_t *domains = nullptr;
  EXPECT_EQ(NS_ListDomainBegin(NS_ENV_ONC, &domains), NS_ERR_END);
  EXPECT_EQ(NS_ListDomainBegin(1, &domains), NS_ERR_UNSUPPORTED);
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
  EXPECT_EQ(NS_CreateObject(nullptr, 0, nullptr), NS_ERR_OBJECT);
  NS_object_t bad = q;
  bad.name = nullptr;
  EXPECT_EQ(NS_CreateObject(&bad, 0, nullptr), NS_ERR_NAME);
  bad = q;
  bad.serverType = 4;
  EXPECT_EQ(NS_CreateObject(&bad, 0, nullptr), NS_ERR_BAD_KIND);
  bad.kind = NS_KIND_SERVER;
  EXPECT_EQ(NS_CreateObject(&bad, 0, nullptr), NS_ERR_BAD_KIND);
  EXPECT_EQ(ReadFile(etc), "");

  NS_object_t *out = nullptr;
  ASSERT_EQ(NS_CreateObject(&q, 0, &out), NS_OK);
  EXPECT_STREQ(out->name, "q7");
  NS_FreeObject(out);
  EXPECT_NE(ReadFile(etc).find("q7:\\\n\t:qaddr=hq,105004,1,sys,qu,spool7,1:"), std::string::npos);
  EXPECT_EQ(NS_CreateBackup(&q, &q), NS_ERR_UNSUPPORTED);
  EXPECT_EQ(NS_CreateGroup(&q, &q), NS_ERR_UNSUPPORTED);
  EXPECT_EQ(NS_DeleteObject(&q), NS_OK);
  EXPECT_EQ(ReadFile(etc).find("q7"), std::string::npos);
  EXPECT_EQ(NS_DeleteObject(&q), NS_ERR_NOT_FOUND);
}

}  // namespace
}  // namespace kq::ns::test
