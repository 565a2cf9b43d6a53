// The registry paths against a real rpcbind and kqptsd on loopback (started by the
// ns_pts fixture of ctest).
#include <rpc/rpc.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "infra/ns.h"
#include "ns_test_util.h"

namespace kq::ns::test {
namespace {

class NsRegistry : public NsFiles {
 protected:
  void SetUp() override {
    NsFiles::SetUp();
    const char *state = getenv("KQ_PTS_FIXTURE");
    if (state) {
      std::ifstream skip(std::string(state) + "/skip");
      std::stringstream why;
      why << skip.rdbuf();
      if (skip) GTEST_SKIP() << why.str();
    }
    struct timeval wait = {3, 0};
    CLIENT *probe = clnt_create_timed("localhost", PTS_PROGRAM, PTS_VERSION, "udp", &wait);
    if (!probe && !state)
      GTEST_SKIP() << "no pts service registered; run through ctest, whose "
                      "ns_pts fixture starts rpcbind and kqptsd";
    ASSERT_NE(probe, nullptr) << "the fixture started kqptsd but it does not answer";
    clnt_destroy(probe);
  }
};

TEST_F(NsRegistry, BindingsAddGetDelete) {
  pts_binding_t b = {{const_cast<char *>("ptsdirect"), PTS_TYPE_SERVER}, 400001, 3};
  ASSERT_EQ(pts_add(&b), 0);
  pts_binding_t *got = pts_get("localhost", "ptsdirect", PTS_TYPE_SERVER);
  ASSERT_NE(got, nullptr);
  EXPECT_STREQ(got->name.name, "ptsdirect");
  EXPECT_EQ(got->prognum, 400001u);
  EXPECT_EQ(got->versnum, 3u);
  pts_destroy(got);
  EXPECT_EQ(pts_get(nullptr, "ptsdirect", 4), nullptr);  // another type
  b.prognum = 400002;
  ASSERT_EQ(pts_add(&b), 0);
  got = pts_get(nullptr, "ptsdirect", PTS_TYPE_SERVER);
  ASSERT_NE(got, nullptr);
  EXPECT_EQ(got->prognum, 400002u);
  pts_destroy(got);
  EXPECT_EQ(pts_delete("ptsdirect", PTS_TYPE_SERVER), 0);
  EXPECT_EQ(pts_delete("ptsdirect", PTS_TYPE_SERVER), 1);
  EXPECT_EQ(pts_get("localhost", "ptsdirect", PTS_TYPE_SERVER), nullptr);
  pts_binding_t empty = {{const_cast<char *>(""), PTS_TYPE_SERVER}, 1, 1};
  EXPECT_EQ(pts_add(&empty), 1);
}

TEST_F(NsRegistry, ServerEntryResolvesToItsRegisteredProgram) {
  WriteEtc("");
  ns_dpa_addr_t server = Address("spoolR", NS_KIND_SPOOLER, "localhost", "spoolR", 300101, 2);
  ASSERT_EQ(ns_put_dpa_addr(&server), 0);
  EXPECT_EQ(ReadFile(etc).substr(ReadFile(etc).find("spoolR")),
            "spoolR:\\\n\t:saddr=localhost,105004,2,sys,sl,spoolR,1:\n");
  ns_dpa_addr_t printer = Address("lpR", NS_KIND_LOGICAL, "localhost", "spoolR", 1, 2);
  ASSERT_EQ(ns_put_dpa_addr(&printer), 0);
  EXPECT_NE(ReadFile(etc).find(
                "lpR:\\\n\t:paddr=localhost,105004,2,sys,lp,spoolR,1:\\\n\t:spooling-type=dpa:"),
            std::string::npos);

  ASSERT_EQ(NS_Init("spoolR", NS_KIND_SPOOLER), NS_OK);
  NS_object_t *o = nullptr;
  ASSERT_EQ(NS_GetObject(NS_KIND_SPOOLER, "spoolR", nullptr, &o), NS_OK);
  EXPECT_EQ(Text(*o), "0 3 spoolR 3 spoolR localhost 300101 2 1 saddr etc 1");
  int same = 0;
  EXPECT_EQ(NS_IsSameServer(o, &same), NS_OK);
  EXPECT_EQ(same, 1);
  NS_FreeObject(o);
  EXPECT_EQ(Get(NS_KIND_LOGICAL, "lpR"), "0 0 lpR 3 spoolR localhost 300101 2 1 paddr etc 1");

  // The server restarts under another program: only the registration changes.
  std::string file = ReadFile(etc);
  server.prognum = 300102;
  ASSERT_EQ(ns_put_dpa_addr(&server), 0);
  EXPECT_EQ(ReadFile(etc), file);
  EXPECT_EQ(Get(NS_KIND_LOGICAL, "lpR"), "0 0 lpR 3 spoolR localhost 300102 2 1 paddr etc 1");
  ns_dpa_addr_t moved = server;
  moved.host = const_cast<char *>("elsewhere");
  EXPECT_EQ(ns_put_dpa_addr(&moved), -1);

  NS_list_t *list = nullptr;
  ASSERT_EQ(NS_ListObjectBegin(NS_KIND_SERVER, nullptr, &list), NS_OK);
  ASSERT_EQ(NS_ListNext(list, &o), NS_OK);
  EXPECT_STREQ(o->name, "spoolR");
  EXPECT_EQ(o->prognum, 300102);
  NS_FreeObject(o);
  EXPECT_EQ(NS_ListNext(list, &o), NS_ERR_END);
  NS_ListEnd(list);

  // Removing the server removes its registration; its printers no longer resolve.
  ASSERT_EQ(ns_delete_dpa_addr("spoolR", NS_KIND_SPOOLER), 0);
  EXPECT_EQ(pts_get("localhost", "spoolR", PTS_TYPE_SERVER), nullptr);
  EXPECT_EQ(Get(NS_KIND_LOGICAL, "lpR"), "error " + std::to_string(NS_ERR_NOT_FOUND));
}

TEST_F(NsRegistry, CreateObjectWithReplaceRewritesTheAddress) {
  WriteEtc("");
  ASSERT_EQ(NS_Init("superR", NS_KIND_SUPERVISOR), NS_OK);
  NS_object_t s = Object("superR", NS_KIND_SUPERVISOR, 4, "localhost", "superR", 300201, 1);
  ASSERT_EQ(NS_CreateObject(&s, 0, nullptr), NS_OK);
  s.auth = NS_AUTH_DES;  // a different address needs replacing
  EXPECT_EQ(NS_CreateObject(&s, 0, nullptr), NS_ERR_SYSTEM);
  ASSERT_EQ(NS_CreateObject(&s, 1, nullptr), NS_OK);
  EXPECT_EQ(Get(NS_KIND_SERVER, "superR"), "0 4 superR 4 superR localhost 300201 1 2 saddr etc 1");
  ASSERT_EQ(NS_DeleteObject(&s), NS_OK);
  EXPECT_EQ(pts_get(nullptr, "superR", PTS_TYPE_SERVER), nullptr);
}

TEST_F(NsRegistry, FailedWriteTakesTheRegistrationBack) {
  env.Set("PRINTERS_CONF", "/nonexistent/dir/printers.conf");
  ns_dpa_addr_t server = Address("spoolF", NS_KIND_SPOOLER, "localhost", "spoolF", 300301, 2);
  EXPECT_EQ(ns_put_dpa_addr(&server), -1);
  EXPECT_EQ(pts_get("localhost", "spoolF", PTS_TYPE_SERVER), nullptr);
}

}  // namespace
}  // namespace kq::ns::test
