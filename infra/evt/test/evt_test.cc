// Event messaging over real loopback TCP: both ends are this library's queues, or a
// raw socket where the test plays a misbehaving peer.
#include "infra/evt.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <future>
#include <set>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include "kqtest.h"

namespace {

using Bytes = std::vector<unsigned char>;
using Arg = std::variant<int32_t, std::string, Bytes>;

// The text record points into `text`, which must outlive it.
GEN_Text_t Address(const std::string &text, int32_t choice = GEN_TEXT_OTHER) {
  GEN_Text_t t{};
  t.choice = choice;
  t.u.octets.length = static_cast<int32_t>(text.size());
  t.u.octets.value = reinterpret_cast<unsigned char *>(const_cast<char *>(text.data()));
  return t;
}

sockaddr_in Loopback(uint16_t port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_port = htons(port);
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return a;
}

// A raw connection to a port on loopback.
int Connect(uint16_t port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = Loopback(port);
  if (connect(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

// A socket bound on loopback that does not listen: connections to it are refused.
int Bound(uint16_t *port) {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = Loopback(0);
  socklen_t len = sizeof a;
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) |
                getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len),
            0);
  *port = ntohs(a.sin_port);
  return fd;
}

// Puts one argument of any type into message m of queue q.
struct Put {
  EVT_queueId_t q;
  EVT_messageId_t m;
  int operator()(int32_t i) const { return EVT_MessageIArgPut(q, m, i); }
  int operator()(const std::string &s) const { return EVT_MessageArgPut(q, m, s.c_str()); }
  int operator()(const Bytes &b) const {
    return EVT_MessageBArgPut(q, m, static_cast<int32_t>(b.size()), b.data());
  }
};

// A receiving queue on a free port and a sending queue to it.
class Evt : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(EVT_Init(), EVT_OK);
    ASSERT_EQ(EVT_Open(nullptr, &port_, &rq_), EVT_OK);
    ASSERT_NE(port_, 0);
    const std::string text = "127.0.0.1:" + std::to_string(port_);
    GEN_Text_t to = Address(text);
    ASSERT_EQ(EVT_Open(&to, nullptr, &sq_), EVT_OK);
  }
  void TearDown() override {
    EXPECT_EQ(sq_ ? EVT_Close(sq_) : EVT_OK, EVT_OK);
    EXPECT_EQ(rq_ ? EVT_Close(rq_) : EVT_OK, EVT_OK);
    sq_ = rq_ = 0;
    EXPECT_EQ(EVT_Term(), EVT_OK);
  }

  EVT_messageId_t Build(EVT_queueId_t q, const std::vector<Arg> &args) {
    EVT_messageId_t m = 0;
    EXPECT_EQ(EVT_MessageCreate(q, &m), EVT_OK);
    for (const Arg &a : args) EXPECT_EQ(std::visit(Put{q, m}, a), EVT_OK);
    return m;
  }
  // Sends `args` and returns the id of the message received for it.
  EVT_messageId_t RoundTrip(const std::vector<Arg> &args) {
    EVT_messageId_t m = Build(sq_, args);
    auto received = std::async(std::launch::async, [this] {
      EVT_messageId_t id = 0;
      EXPECT_EQ(EVT_MessageReceive(rq_, 10000, nullptr, &id), EVT_OK);
      return id;
    });
    EXPECT_EQ(EVT_MessageSend(sq_, m), EVT_OK);
    EXPECT_EQ(EVT_MessageFree(sq_, m), EVT_OK);  // a sent message stays in its queue
    return received.get();
  }
  std::vector<Arg> ReadAll(EVT_messageId_t m) {
    std::vector<Arg> out;
    std::vector<char> buf(4 << 20);
    for (int32_t i, len;;) {
      int rc = EVT_MessageIArgGet(rq_, m, &i);
      if (rc == EVT_OK) {
        out.emplace_back(i);
      } else if (len = static_cast<int32_t>(buf.size()),
                 (rc = EVT_MessageBArgGet(rq_, m, &len, buf.data())) == EVT_OK) {
        out.emplace_back(Bytes(buf.begin(), buf.begin() + len));
      } else if ((rc = EVT_MessageArgGet(rq_, m, static_cast<int32_t>(buf.size()), buf.data())) ==
                 EVT_OK) {
        out.emplace_back(std::string(buf.data()));
      } else {
        EXPECT_EQ(rc, EVT_E_NOARG);
        return out;
      }
    }
  }

  kq::test::EnvGuard env_{{"EVT_TIMEOUT", "5000"}};
  uint16_t port_ = 0;
  EVT_queueId_t rq_ = 0, sq_ = 0;
};

TEST_F(Evt, OpenRejectsMalformedAddresses) {
  const int kOther = GEN_TEXT_OTHER;
  for (auto [text, choice, want] : {std::tuple{":3009", kOther, EVT_E_INVALID},
                                    {"127.0.0.1:65536", kOther, EVT_E_INVALID},
                                    {"127.0.0.1:12a", kOther, EVT_E_INVALID},
                                    {"no-such-host.invalid:9", kOther, EVT_E_INVALID},
                                    {"127.0.0.1:9", int{GEN_TEXT_STRING}, EVT_E_INVALID},
                                    {"localhost:65535", kOther, EVT_OK},
                                    {"127.0.0.1:0", kOther, EVT_OK}}) {
    const std::string bytes = text;
    GEN_Text_t a = Address(bytes, choice);
    EVT_queueId_t q = 0;
    EXPECT_EQ(EVT_Open(&a, nullptr, &q), want) << text;
    EXPECT_TRUE(!q || EVT_Close(q) == EVT_OK);
  }
}

TEST_F(Evt, EveryArgumentTypeAndBoundaryArrivesIntact) {
  Bytes large(3 << 20);
  for (size_t i = 0; i < large.size(); i++) large[i] = static_cast<unsigned char>(i * 7 + i / 251);
  const std::vector<std::vector<Arg>> cases = {
      {INT32_MIN, INT32_MAX, int32_t{-1}, int32_t{128}, int32_t{-129}},
      {std::string()},
      {std::string(4095, 'x'), std::string("\xc3\xa9t\xc3\xa9")},
      {Bytes{0, 0xff, 0, 1}, Bytes(127, 0xab), Bytes(128, 0xcd)},
      {large},
      {int32_t{7}, std::string("mixed"), Bytes{1, 2, 3}, int32_t{-7}, std::string("end")},
  };
  for (size_t i = 0; i < cases.size(); i++) {
    EVT_messageId_t m = RoundTrip(cases[i]);
    ASSERT_NE(m, 0u) << "case " << i;
    EXPECT_TRUE(ReadAll(m) == cases[i]) << "case " << i;
    EXPECT_EQ(EVT_MessageFree(rq_, m), EVT_OK);
    EXPECT_EQ(EVT_MessageFree(rq_, m), EVT_E_NOMESSAGE);
  }
}

TEST_F(Evt, ReadingAnArgumentChecksTypeAndBufferWithoutMovingOn) {
  EVT_messageId_t m = RoundTrip({std::string("abc"), Bytes{9, 8, 7}, int32_t{42}});
  char buf[8];
  int32_t i = 0, len = 99;
  // The string needs 4 bytes with its NUL.
  EXPECT_EQ(EVT_MessageIArgGet(rq_, m, &i), EVT_E_ARGTYPE);
  EXPECT_EQ(EVT_MessageBArgGet(rq_, m, &len, buf), EVT_E_ARGTYPE);
  EXPECT_EQ(len, 0);
  EXPECT_EQ(EVT_MessageArgGet(rq_, m, 3, buf), EVT_E_BUFFER);
  EXPECT_EQ(EVT_MessageArgGet(rq_, m, 4, buf), EVT_OK);
  EXPECT_STREQ(buf, "abc");
  len = 2;
  EXPECT_EQ(EVT_MessageBArgGet(rq_, m, &len, buf), EVT_E_BUFFER);
  EXPECT_EQ(len, 3);  // the length needed
  EXPECT_EQ(EVT_MessageArgGet(rq_, m, sizeof buf, buf), EVT_E_ARGTYPE);
  EXPECT_EQ(EVT_MessageBArgGet(rq_, m, &len, buf), EVT_OK);
  EXPECT_EQ(Bytes(buf, buf + len), (Bytes{9, 8, 7}));
  EXPECT_EQ(EVT_MessageArgGet(rq_, m, sizeof buf, buf), EVT_E_ARGTYPE);
  EXPECT_EQ(EVT_MessageIArgGet(rq_, m, &i), EVT_OK);
  EXPECT_EQ(i, 42);
  EXPECT_EQ(EVT_MessageIArgGet(rq_, m, &i), EVT_E_NOARG);
}

TEST_F(Evt, OperationsCheckQueueMessageAndDirection) {
  EVT_messageId_t sm = Build(sq_, {}), none = 0x7fffffff;
  struct Case {
    const char *what;
    int got, want;
  } cases[] = {
      {"send without arguments", EVT_MessageSend(sq_, sm), EVT_E_NOARG},
      {"put on a receiving queue", EVT_MessageArgPut(rq_, sm, "x"), EVT_E_DIRECTION},
      {"receive on a sending queue", EVT_MessageReceive(sq_, 1, nullptr, &none), EVT_E_DIRECTION},
      {"unknown queue", EVT_MessageIArgPut(0x7fffffff, sm, 1), EVT_E_NOQUEUE},
      {"unknown message", EVT_MessageIArgPut(sq_, 0x7fffffff, 1), EVT_E_NOMESSAGE},
      {"receiver without callback", EVT_MessageReceive(rq_, -1, nullptr, nullptr), EVT_E_INVALID},
      {"term with open queues", EVT_Term(), EVT_E_BUSY},
      {"free a built message", EVT_MessageFree(sq_, sm), EVT_OK},
  };
  for (const Case &c : cases) EXPECT_EQ(c.got, c.want) << c.what;
  // Still usable after the refused EVT_Term.
  EXPECT_EQ(ReadAll(RoundTrip({int32_t{1}})), std::vector<Arg>{int32_t{1}});
}

TEST(EvtLifecycle, NothingWorksBeforeInitAndTermIsCounted) {
  EVT_queueId_t q = 0;
  EVT_messageId_t m = 0;
  uint16_t port = 0;
  EXPECT_EQ(EVT_Open(nullptr, &port, &q), EVT_E_NOTINIT);
  EXPECT_EQ(EVT_MessageCreate(1, &m), EVT_E_NOTINIT);
  EXPECT_EQ(EVT_Term(), EVT_E_NOTINIT);
  ASSERT_TRUE(EVT_Init() == EVT_OK && EVT_Init() == EVT_OK);
  EXPECT_EQ(EVT_Term(), EVT_OK);
  EXPECT_EQ(EVT_Open(nullptr, &port, &q), EVT_OK);  // one count left
  EXPECT_EQ(EVT_Close(q), EVT_OK);
  EXPECT_EQ(EVT_Term(), EVT_OK);
  EXPECT_EQ(EVT_Term(), EVT_E_NOTINIT);
}

// A peer that sends something other than one event message: the receive fails with
// 14 (or times out when nobody connects), and the queue goes on receiving.
TEST_F(Evt, BadPeersFailTheirReceiveOnly) {
  for (auto [what, bytes, closeAfter, want] :
       {std::tuple<const char *, std::string, bool, int>{"nobody connects", "", false,
                                                         EVT_E_TIMEOUT},
        {"garbage", "\xde\xad\xbe\xef\x01\x02", true, EVT_E_DECODE},
        {"truncated encoding", std::string("\x30\x0a\x80\x01\x05\x81\x02h", 8), true, EVT_E_DECODE},
        {"another PDU (an integer)", std::string("\x02\x01\x05", 3), true, EVT_E_DECODE},
        {"nothing, then close", "", true, EVT_E_DECODE},
        // The decode's own time-out: a message that stops half-way cannot be decoded.
        {"silent after a header", "\x30\x05", false, EVT_E_DECODE}}) {
    const int fd = std::string(what) == "nobody connects" ? -1 : Connect(port_);
    ASSERT_EQ(fd < 0 ? 0 : write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    if (closeAfter) shutdown(fd, SHUT_WR);
    EVT_messageId_t m = 99;
    EXPECT_EQ(EVT_MessageReceive(rq_, 300, nullptr, &m), want) << what;
    EXPECT_EQ(m, 0u) << what;
    if (fd >= 0) close(fd);
  }
  EXPECT_EQ(ReadAll(RoundTrip({std::string("after")})), std::vector<Arg>{std::string("after")});
}

TEST_F(Evt, ASendThePeerRefusesIsANetworkFailure) {
  uint16_t refusingPort = 0;
  int refusing = Bound(&refusingPort);
  const std::string text = "127.0.0.1:" + std::to_string(refusingPort);
  GEN_Text_t to = Address(text);
  EVT_queueId_t q = 0;
  ASSERT_EQ(EVT_Open(&to, nullptr, &q), EVT_OK);
  EXPECT_EQ(EVT_MessageSend(q, Build(q, {int32_t{1}})), EVT_E_NETWORK);
  EXPECT_EQ(EVT_Close(q), EVT_OK);
  close(refusing);
}

std::atomic<int> g_calls{0};
std::promise<std::pair<EVT_queueId_t, EVT_messageId_t>> *g_delivered = nullptr;
void OnMessage(EVT_queueId_t q, EVT_messageId_t m) {
  g_calls++;
  g_delivered->set_value({q, m});
}
void NeverCalled(EVT_queueId_t, EVT_messageId_t) { g_calls += 1000; }

TEST_F(Evt, ReceiverThreadDeliversOneMessageThenRegistersAgain) {
  g_calls = 0;
  std::promise<std::pair<EVT_queueId_t, EVT_messageId_t>> delivered;
  g_delivered = &delivered;
  ASSERT_EQ(EVT_MessageReceive(rq_, -1, OnMessage, nullptr), EVT_OK);
  EXPECT_EQ(EVT_MessageReceive(rq_, -1, OnMessage, nullptr), EVT_E_BUSY);
  ASSERT_EQ(EVT_MessageSend(sq_, Build(sq_, {int32_t{5}})), EVT_OK);
  auto [queue, message] = delivered.get_future().get();
  EXPECT_EQ(queue, rq_);
  EXPECT_EQ(ReadAll(message), std::vector<Arg>{int32_t{5}});
  // One-shot: once the callback has returned, a new receiver can be registered.
  int rc;
  while ((rc = EVT_MessageReceive(rq_, -1, NeverCalled, nullptr)) == EVT_E_BUSY) usleep(1000);
  EXPECT_EQ(rc, EVT_OK);
  EXPECT_EQ(g_calls, 1);
}

TEST_F(Evt, CloseCancelsWaitingReceivers) {
  g_calls = 0;
  // A registered receiver waiting for a connection, a registered receiver inside a
  // half-sent message, and a caller's thread waiting without limit.
  ASSERT_EQ(EVT_MessageReceive(rq_, -1, NeverCalled, nullptr), EVT_OK);
  int fd = Connect(port_);
  ASSERT_EQ(write(fd, "\x30\x05\x80", 3), 3);
  auto waiter = std::async(std::launch::async, [this] {
    EVT_messageId_t m = 0;
    return EVT_MessageReceive(rq_, 0, nullptr, &m);
  });
  usleep(100 * 1000);
  EXPECT_EQ(EVT_Close(rq_), EVT_OK);
  rq_ = 0;
  EXPECT_EQ(waiter.get(), EVT_E_NOQUEUE);
  EXPECT_EQ(g_calls, 0);
  close(fd);
}

TEST_F(Evt, FourSendersThousandMessagesEachNoneLost) {
  constexpr int kThreads = 4, kEach = 1000;
  std::vector<std::thread> senders;
  std::atomic<int> failures{0};
  for (int t = 0; t < kThreads; t++)
    senders.emplace_back([&, t] {
      const std::string text = "127.0.0.1:" + std::to_string(port_);
      GEN_Text_t to = Address(text);
      EVT_queueId_t q = 0;
      if (EVT_Open(&to, nullptr, &q) != EVT_OK) return void(failures += kEach);
      for (int i = 0; i < kEach; i++) {
        EVT_messageId_t m = 0;
        if (EVT_MessageCreate(q, &m) || EVT_MessageIArgPut(q, m, t) ||
            EVT_MessageArgPut(q, m, std::to_string(i).c_str()) || EVT_MessageSend(q, m) ||
            EVT_MessageFree(q, m))
          failures++;
      }
      EVT_Close(q);
    });
  std::set<std::pair<int32_t, std::string>> seen;  // (sender, number)
  int received = 0;
  for (EVT_messageId_t m = 0; received < kThreads * kEach; received++) {
    if (EVT_MessageReceive(rq_, 10000, nullptr, &m) != EVT_OK) break;
    int32_t t = -1;
    char text[16] = "";
    EXPECT_EQ(EVT_MessageIArgGet(rq_, m, &t), EVT_OK);
    EXPECT_EQ(EVT_MessageArgGet(rq_, m, sizeof text, text), EVT_OK);
    seen.emplace(t, text);
    EXPECT_EQ(EVT_MessageFree(rq_, m), EVT_OK);
  }
  for (auto &s : senders) s.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(received, kThreads * kEach);
  EXPECT_EQ(seen.size(), size_t{kThreads * kEach}) << "messages received twice";
  EXPECT_TRUE(!seen.empty() && seen.begin()->first == 0 && seen.rbegin()->first == kThreads - 1);
}

}  // namespace
