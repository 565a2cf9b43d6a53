// The per-thread coding world and the four coding operations, with their traces in
// a real service log file.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <string>
#include <thread>

#include "infra/genu.h"
#include "infra/msg.h"
#include "infra/svclog.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "kqtest.h"
#include "private/genu_world_int.h"

namespace {

// User messages are read from the catalogues while the log is captured.
struct MessageUsage {
  MessageUsage() {
    LOG_Term();
    MSG_UsageBegin("GENUT");
  }
  ~MessageUsage() { MSG_UsageEnd(); }
};

class GenuWorld : public ::testing::Test {
 protected:
  std::string Log() { return log_.Text(); }
  MessageUsage usage_;
  kq::test::LogCapture log_{"DXM"};
};

TEST_F(GenuWorld, OneWorldPerThreadMadeOnFirstUse) {
  OssGlobal *mine = GENU_GetWorld();
  ASSERT_NE(mine, nullptr);
  EXPECT_EQ(GENU_GetWorld(), mine);
  EXPECT_EQ(mine->mallocp, &malloc);  // the process heap unless a caller routes it
  EXPECT_EQ(mine->freep, &free);

  OssGlobal *other = nullptr;
  void *otherBefore = reinterpret_cast<void *>(1);
  std::thread t([&] {
    THR_GetThreadKeyValue(kq::genu::worldKey, &otherBefore);  // none yet in a new thread
    int32_t v = 5;
    OssBuf out{0, nullptr};
    EXPECT_EQ(GENU_OssEncode(nullptr, Integer_PDU, &v, &out), 0);
    free(out.value);
    other = GENU_GetWorld();
  });
  t.join();  // the thread's world is ended by the key's destructor (the leak check sees it)
  EXPECT_EQ(otherBefore, nullptr);
  EXPECT_NE(other, nullptr);
  EXPECT_NE(other, mine);
}

TEST_F(GenuWorld, EncodeDecodeFreeWorkAndPrintRefusesUnknownPdus) {
  CardinalRange r{3, 70000};
  OssBuf enc{99, reinterpret_cast<unsigned char *>(1)};
  ASSERT_EQ(GENU_OssEncode(nullptr, CardinalRange_PDU, &r, &enc), 0);
  ASSERT_EQ(enc.length, 10);
  EXPECT_EQ(memcmp(enc.value, "\x30\x08\x80\x01\x03\x81\x03\x01\x11\x70", 10), 0);
  int pdu = CardinalRange_PDU;
  void *back = reinterpret_cast<void *>(1);
  ASSERT_EQ(GENU_OssDecode(nullptr, &pdu, &enc, &back), 0);
  EXPECT_EQ(static_cast<CardinalRange *>(back)->upper, 70000);
  EXPECT_EQ(GENU_OssFreePDU(nullptr, pdu, back), 0);
  free(enc.value);
  EXPECT_EQ(GENU_OssPrintPDU(nullptr, 9999, &r), BER_E_PDU);
  // Freeing nothing succeeds without asking the coder, even for an unknown PDU.
  EXPECT_EQ(GENU_OssFreePDU(nullptr, 9999, nullptr), 0);
}

// Both directions report through one path: the trace names the component and the
// offset, the user message the coder's text.
TEST_F(GenuWorld, CodingFailuresLeaveNothingAndAreTraced) {
  JobIdentifier tooLong;
  memset(tooLong, 'x', sizeof tooLong);  // no terminating NUL within the bound
  OssBuf out{7, reinterpret_cast<unsigned char *>(1)};
  EXPECT_EQ(GENU_OssEncode(nullptr, JobIdentifier_PDU, tooLong, &out), BER_E_CONSTRAINT);
  EXPECT_EQ(out.length, 0);
  EXPECT_EQ(out.value, nullptr);
  unsigned char bad[] = {0x30, 0x02, 0x80, 0x05};
  OssBuf in{4, bad};
  int pdu = CardinalRange_PDU;
  void *back = reinterpret_cast<void *>(1);
  EXPECT_EQ(GENU_OssDecode(nullptr, &pdu, &in, &back), BER_E_DATA);
  EXPECT_EQ(back, nullptr);
  const char *text = "CardinalRange.lower: encoding ends early at byte 2";
  EXPECT_NE(Log().find(std::string("GENU_OssDecode failed: ") + text), std::string::npos) << Log();
  EXPECT_NE(Log().find(std::string("BER coding failed: ") + text), std::string::npos) << Log();
  pdu = 4;  // no such record
  EXPECT_EQ(GENU_OssDecode(nullptr, &pdu, &in, &back), BER_E_PDU);
}

}  // namespace
