// The runtime's world operations, including decoding from a connected socket.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

#include "ber_test_util.h"

namespace kq::ber::test {
namespace {

class BerWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = static_cast<OssGlobal *>(calloc(1, ossGetOssGlobalSize()));
    ASSERT_EQ(ossinit(world_, &evt), 0);
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds_), 0);
  }
  void TearDown() override {
    ossterm(world_);
    free(world_);
    close(fds_[0]);
    close(fds_[1]);
  }
  // A message of `n` integer arguments, encoded.
  std::vector<uint8_t> Message(int n) {
    std::vector<EventMessage_node> nodes(n);
    for (int i = 0; i < n; i++) {
      nodes[i].next = i + 1 < n ? &nodes[i + 1] : nullptr;
      nodes[i].value.choice = EventArgument_integer_chosen;
      nodes[i].value.u.integer = i * 1000;
    }
    EventMessage list = n ? &nodes[0] : nullptr;
    OssBuf out{0, nullptr};
    EXPECT_EQ(ossEncode(world_, EventMessage_PDU, &list, &out), 0);
    std::vector<uint8_t> bytes(out.value, out.value + out.length);
    world_->freep(out.value);
    return bytes;
  }
  int DecodeFromSocket(void **out) {
    void *mark = ossMarkObj(world_, OSS_SOCKET, fds_[0]);
    EXPECT_NE(mark, nullptr);
    OssBuf in{0, static_cast<unsigned char *>(mark)};
    int pdu = EventMessage_PDU;
    int rc = ossDecode(world_, &pdu, &in, out);
    if (rc) ossUnmarkObj(world_, mark);
    return rc;
  }
  static int Count(void *decoded, int n = 0) {
    for (EventMessage p = *static_cast<EventMessage *>(decoded); p; p = p->next) n++;
    return n;
  }
  OssGlobal *world_ = nullptr;
  int fds_[2] = {-1, -1};
};

TEST_F(BerWorld, InitLinksTheRealCoderAndATerminatedWorldRefusesWork) {
  OssGlobal *dpa = static_cast<OssGlobal *>(calloc(1, ossGetOssGlobalSize()));
  ASSERT_EQ(ossinit(dpa, &kq_0b), 0);
  EXPECT_TRUE(dpa->links & BER_LINK_REAL);
  ossterm(dpa);
  // A terminated world refuses work instead of using stale state.
  int pdu = 20;
  OssBuf in{3,
            const_cast<unsigned char *>(reinterpret_cast<const unsigned char *>("\x02\x01\x01"))};
  void *out = nullptr;
  EXPECT_EQ(ossDecode(dpa, &pdu, &in, &out), BER_E_INIT);
  free(dpa);
}

TEST_F(BerWorld, UnknownPduNumbersAreRefusedWithAText) {
  int32_t v = 1;
  OssBuf out{0, nullptr};
  EXPECT_EQ(ossEncode(world_, 2, &v, &out), BER_E_PDU);
  EXPECT_STREQ(ossGetErrMsg(world_), "unknown PDU number 2 in module evt");
  EXPECT_TRUE(out.length == 0 && out.value == nullptr);
}

TEST_F(BerWorld, DecodeErrorsFromMemoryOrSocketLeaveTextAndNoStructure) {
  int pdu = EventMessage_PDU;
  unsigned char bad[] = {0x30, 0x03, 0x80, 0x05, 0x01};
  OssBuf in{5, bad};
  void *out = reinterpret_cast<void *>(1);
  EXPECT_EQ(ossDecode(world_, &pdu, &in, &out), BER_E_DATA);
  EXPECT_EQ(out, nullptr);
  EXPECT_NE(strstr(ossGetErrMsg(world_), "ends early"), nullptr) << ossGetErrMsg(world_);
  // From a socket, input that is not BER is refused at once, without waiting for more.
  ASSERT_EQ(write(fds_[1], "\x04\xff\x01\x02", 4), 4);
  EXPECT_EQ(DecodeFromSocket(&out), BER_E_DATA);
  EXPECT_EQ(out, nullptr);
}

TEST_F(BerWorld, PrintWritesTheRendering) {
  std::vector<uint8_t> enc = Message(2);
  int pdu = EventMessage_PDU;
  OssBuf in{static_cast<int32_t>(enc.size()), enc.data()};
  void *out = nullptr;
  char *text = nullptr;
  size_t len = 0;
  ASSERT_EQ(ossDecode(world_, &pdu, &in, &out), 0);
  world_->printOut = open_memstream(&text, &len);
  EXPECT_EQ(ossPrintPDU(world_, pdu, out), 0);
  fclose(std::exchange(world_->printOut, nullptr));
  EXPECT_STREQ(text,
               "EventMessage {\n  - : {\n    integer 0\n  }\n  - : {\n    integer 1000\n  }\n}\n");
  free(text);
  EXPECT_EQ(ossFreePDU(world_, pdu, out), 0);
}

TEST_F(BerWorld, SocketInputArrivingInPieces) {
  std::vector<uint8_t> enc = Message(300);
  std::thread writer([&] {
    for (size_t i = 0; i < enc.size(); i += 7) {
      size_t n = std::min<size_t>(7, enc.size() - i);
      ASSERT_EQ(write(fds_[1], enc.data() + i, n), static_cast<ssize_t>(n));
      if (i % 70 == 0) usleep(200);
    }
    // What follows the message stays in the socket.
    ASSERT_EQ(write(fds_[1], "\x05\x00", 2), 2);
  });
  void *out = nullptr;
  EXPECT_EQ(DecodeFromSocket(&out), 0) << ossGetErrMsg(world_);
  writer.join();
  EXPECT_EQ(out ? Count(out) : 0, 300);
  EXPECT_EQ(world_->marked, nullptr);  // consumed by the successful decode
  ossFreePDU(world_, EventMessage_PDU, out);
  char rest[4];
  EXPECT_EQ(read(fds_[0], rest, sizeof rest), 2);
}

TEST_F(BerWorld, SocketInputOfIndefiniteLength) {
  std::vector<uint8_t> enc = Hex("30 80 80 01 07 81 02 68 69 00 00");
  ASSERT_EQ(write(fds_[1], enc.data(), enc.size()), static_cast<ssize_t>(enc.size()));
  void *out = nullptr;
  ASSERT_EQ(DecodeFromSocket(&out), 0) << ossGetErrMsg(world_);
  EventMessage m = *static_cast<EventMessage *>(out);
  EXPECT_EQ(m->value.u.integer, 7);
  EXPECT_STREQ(m->next->value.u.string, "hi");
  ossFreePDU(world_, EventMessage_PDU, out);
}

TEST_F(BerWorld, SocketTimeoutAndEarlyClose) {
  ASSERT_EQ(ossSetTimeout(world_, 50), 0);
  void *out = nullptr;
  EXPECT_EQ(DecodeFromSocket(&out), BER_E_TIMEOUT);
  EXPECT_EQ(world_->marked, nullptr);  // released by ossUnmarkObj
  std::vector<uint8_t> enc = Message(3);
  ASSERT_EQ(write(fds_[1], enc.data(), enc.size() - 1), static_cast<ssize_t>(enc.size() - 1));
  shutdown(fds_[1], SHUT_WR);
  EXPECT_EQ(DecodeFromSocket(&out), BER_E_IO);
  EXPECT_NE(strstr(ossGetErrMsg(world_), "closed"), nullptr);
  EXPECT_EQ(out, nullptr);
}

}  // namespace
}  // namespace kq::ber::test
