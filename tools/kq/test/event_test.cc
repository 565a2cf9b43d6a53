// kq event send and kq event listen talking to each other on loopback.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <thread>
#include <vector>

#include "captured.h"
#include "event_cmd.h"
#include "kqtest.h"

namespace {

using kq::test::Captured;

uint16_t FreePort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  socklen_t len = sizeof a;
  bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a);
  getsockname(fd, reinterpret_cast<sockaddr *>(&a), &len);
  close(fd);
  return ntohs(a.sin_port);
}

TEST(kq_event, SendArgumentsArePrintedOneLinePerMessage) {
  kq::test::TempDir dir;
  kq::test::WriteFile(dir / "bytes", std::string("\x00\x7f\xff", 3));
  const std::string bytes = "@" + (dir / "bytes");
  const struct {
    std::vector<std::string> args;
    const char *line;
  } rows[] = {
      {{"42", "-2147483648", "2147483647"}, "42 -2147483648 2147483647"},
      {{"2147483648", "+1", "0x10", "", "a \"q\"\\"}, R"("2147483648" "+1" "0x10" "" "a \"q\"\\")"},
      {{bytes, "tab\there"}, R"(0x007fff "tab\x09here")"},
  };
  uint16_t port = FreePort();
  Captured listener;
  int listened = -1;
  std::thread t([&] {
    listened = kq_event_listen(port, std::size(rows), 10000, listener.out, listener.err);
  });
  Captured c;
  for (const auto &row : rows) {
    int rc = 1;
    for (int tries = 0; rc == 1 && tries < 200; tries++) {
      if (tries) usleep(10 * 1000);  // until the listener is up
      rc = kq_event_send("127.0.0.1:" + std::to_string(port), row.args, c.err);
    }
    EXPECT_EQ(rc, 0) << row.line << c.Err();
  }
  t.join();
  EXPECT_EQ(listened, 0) << listener.Err();
  std::string want;
  for (const auto &row : rows) want += std::string(row.line) + "\n";
  EXPECT_EQ(listener.Out(), want);
}

TEST(kq_event, UnusableArgumentsAndUnreachableDestinations) {
  kq::test::TempDir dir;
  kq::test::WriteFile(dir / "empty", "");
  const struct {
    std::string destination, arg;
    int status;
    const char *says;
  } rows[] = {
      {"127.0.0.1", "1", 2, "HOST:PORT"},
      {"127.0.0.1:1", "@" + (dir / "missing"), 2, "No such file"},
      {"127.0.0.1:1", "@" + (dir / "empty"), 2, "empty file"},
      {"127.0.0.1:1", "@" + dir.path(), 2, "not a regular file"},
      {"127.0.0.1:" + std::to_string(FreePort()), "1", 1, "not delivered (result 16)"},
  };
  for (const auto &row : rows) {
    Captured c;
    EXPECT_EQ(kq_event_send(row.destination, {row.arg}, c.err), row.status) << row.arg;
    EXPECT_NE(c.Err().find(row.says), std::string::npos) << c.Err();
  }
  Captured c;
  EXPECT_EQ(kq_event_listen(0, 0, 50, c.out, c.err), 1);
  EXPECT_NE(c.Err().find("no message within 50 ms"), std::string::npos) << c.Err();
}

}  // namespace
