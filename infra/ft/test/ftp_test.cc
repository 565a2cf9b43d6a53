// Anonymous FTP retrieval against real FTP servers on loopback (the kq_ftp fixture,
// scripts/ftp-fixture) and against scripted hostile peers.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <map>
#include <sstream>
#include <thread>

#include "ft_test_util.h"
#include "kqtest.h"
#include "private/ft_internal.h"

using ft_test::Bytes;
using ft_test::Entries;
using kq::test::ReadFile;
using kq::test::TempDir;
using kq::test::WriteFile;

namespace {

// The retrieval asks for ASCII type, in which a server may turn LF into CR LF: the
// documents here carry no line ends, so that the bytes must arrive unchanged.
std::string NoLineEnds(std::string s) {
  for (auto &c : s)
    if (c == '\n' || c == '\r') c = ' ';
  return s;
}

class FtpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char *state = getenv("KQ_FTP_FIXTURE");
    if (state == nullptr) GTEST_SKIP() << "run through ctest (the kq_ftp fixture)";
    state_ = state;
    if (std::string why = ReadFile(state_ + "/skip"); !why.empty()) GTEST_SKIP() << why;
    std::istringstream ports(ReadFile(state_ + "/ports"));
    for (std::string name; ports >> name >> ports_[name];) {
    }
    ASSERT_EQ(ports_.size(), 2u) << "no ports from the FTP fixture";
    mkdir(spool.c_str(), 0700);
  }
  void TearDown() override { FT__ftpPort = savedPort_, FT__ftpTimeoutSeconds = savedTimeout_; }
  std::string Root(const std::string &name) const { return state_ + "/root/" + name; }

  // Fetches `path` from the server on `port` of 127.0.0.1.
  uint32_t Fetch(int port, const std::string &path, FT_receivedFile_t *got) {
    FT__ftpPort = port;
    static const char kHost[] = "127.0.0.1";
    FT_transferRef_t ref{{9, kHost}, {static_cast<int32_t>(path.size()), path.data()}};
    *got = FT_receivedFile_t{};
    return FT_RetrieveToFile(&doc, &ref, FT_METHOD_ANONYMOUS_FTP, spool.c_str(), got);
  }

  TempDir top{"ftp"};
  std::string spool = top / "spool";
  FT_docId_t doc{"job9", 1};
  std::map<std::string, int> ports_;
  std::string state_;
  int savedPort_ = FT__ftpPort, savedTimeout_ = FT__ftpTimeoutSeconds;
};

TEST_F(FtpTest, RetrievalOutcomes) {
  std::string text = NoLineEnds(Bytes(3 << 20, 3));  // many reads, no line end
  WriteFile(Root("text.ps"), text);
  WriteFile(Root("early-close.bin"), Bytes(300 * 1024));
  const struct {
    const char *what, *server, *path;
    uint32_t code;
  } cases[] = {{"a file", "anon", "text.ps", 0},
               {"a missing file (550)", "anon", "missing.ps", FT_ST_FAILED},
               {"a refused login", "noanon", "text.ps", FT_ST_FAILED},
               {"a data connection closed early", "anon", "early-close.bin", FT_ST_FAILED}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    kq::test::LogCapture log("I");
    FT_receivedFile_t got;
    ASSERT_EQ(Fetch(ports_[c.server], c.path, &got), c.code);
    EXPECT_NE(log.Text().find("FTP_Quit: Quit reply = 221"), std::string::npos) << log.Text();
    if (c.code == 0) {
      EXPECT_EQ(got.fileSize, static_cast<int64_t>(text.size()));
      EXPECT_TRUE(ReadFile(got.fileName) == text);
      unlink(got.fileName), free(got.fileName);
    }
    EXPECT_TRUE(Entries(spool).empty());
  }
}

TEST_F(FtpTest, AHostWithSeveralAddressesIsReachedThroughALaterOne) {
  FT__ftpPort = ports_["anon"];
  const uint8_t kRefusing[4] = {127, 0, 0, 3}, kServing[4] = {127, 0, 0, 1};
  for (auto [addrs, result] : {std::pair{std::vector{kServing}, 0},
                               {std::vector{kRefusing, kServing}, 0},
                               {std::vector{kRefusing, kRefusing}, 1}}) {
    uint8_t list[4][4];
    for (size_t i = 0; i < addrs.size(); ++i) memcpy(list[i], addrs[i], 4);
    FT_ftpConn conn;
    ASSERT_EQ(FTP__ConnectAddresses(&conn, list, static_cast<int>(addrs.size())), result);
    if (result == 0) {
      EXPECT_EQ(conn.reply, 220);
      EXPECT_EQ(FTP_Quit(&conn), 0);
      FTP__Close(&conn);
    }
  }
}

// A scripted FTP peer (a test double for servers that misbehave): sends each reply in
// turn, reading one command line after each, then reads until the client closes; a
// kHangUp reply closes the connection at once instead.
const std::string kHangUp = "hang up";
class ScriptedPeer {
 public:
  explicit ScriptedPeer(std::vector<std::string> replies) {
    FT_transferAddress_t address{};
    listen_ = FT__Listen("peer", &address);  // any free port
    port = address.port;
    thread_ = std::thread([this, replies] {
      int c = accept(listen_, nullptr, nullptr);
      char ch;
      bool hungUp = false;
      for (const auto &r : replies) {
        if ((hungUp = r == kHangUp)) break;
        (void)!send(c, r.data(), r.size(), MSG_NOSIGNAL);
        while (read(c, &ch, 1) == 1 && ch != '\n') {
        }
      }
      while (!hungUp && read(c, &ch, 1) > 0) {
      }
      clientClosed = true;  // (or the peer hung up)
      close(c);
    });
  }
  ~ScriptedPeer() {
    if (thread_.joinable()) thread_.join();
    close(listen_);
  }
  void Join() { thread_.join(); }
  int port = 0, listen_ = -1;
  bool clientClosed = false;
  std::thread thread_;
};

TEST_F(FtpTest, MisbehavingServersFailTheReceiveAndLeaveNothing) {
  std::vector<std::string> untilPort = {"220 hi\r\n",   "331 pass\r\n",         "230 in\r\n",
                                        "200 type\r\n", "200 mode\r\n",         "200 stru\r\n",
                                        "200 port\r\n", "150 here it comes\r\n"};
  const struct {
    const char *what;
    std::vector<std::string> replies;
  } cases[] = {
      {"silent", {}},
      {"malformed greeting", {"hello there\r\n"}},
      {"over-long line", {"220 " + std::string(200 * 1024, 'x')}},
      {"greeting then closes", {"220 hi\r\n"}},
      {"hangs up after the login", {"220 hi\r\n", "331 pass\r\n", "230 in\r\n", kHangUp}},
      {"multi-line greeting never ends", {"220-a\r\n220-b\r\n"}},
      {"malformed login reply", {"220 hi\r\n", "3x1\r\n"}},
      {"retrieve accepted, no data connection", untilPort},
  };
  FT__ftpTimeoutSeconds = 1;
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    ScriptedPeer peer(c.replies);
    FT_receivedFile_t got;
    EXPECT_EQ(Fetch(peer.port, "doc.ps", &got), FT_ST_FAILED);
    peer.Join();
    EXPECT_TRUE(peer.clientClosed);
    EXPECT_TRUE(Entries(spool).empty());
  }
}

}  // namespace
