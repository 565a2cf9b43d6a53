// The XDR forms of the request procedure against the plain xdr_array/xdr_char
// reference, byte for byte and in both directions, on record streams (the form TCP
// calls take) with buffers small enough that blocks cross their edges and large enough
// for whole blocks; hand-worked wire bytes for the records; damaged and lying counts.
#include <gtest/gtest.h>
#include <rpc/rpc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "infra/jqp.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The reference form: what xdr_array with xdr_char puts on the wire where char is
// signed (the sign extension the protocol fixes).
bool_t Reference(XDR *xdrs, encodePacket *p) {
  return xdr_array(xdrs, &p->encodePacket_val, &p->encodePacket_len, ~0u, 1,
                   reinterpret_cast<xdrproc_t>(xdr_char));
}
bool_t Ours(XDR *xdrs, encodePacket *p) { return xdr_encodePacket(xdrs, p); }
using Routine = bool_t (*)(XDR *, encodePacket *);

// Record streams (the form TCP calls take) with send and receive buffers of `buffer`
// bytes whose reader hands out at most `chunk` bytes per read, as a socket may: small
// ones make blocks cross their edges, large ones take whole blocks.
struct Stream {
  const char *name;
  u_int buffer;
  size_t chunk;
};
const Stream kSmall{"record 100", 100, 7}, kLarge{"record 64 KiB", 64 << 10, 1 << 20};
struct Sink {
  Bytes bytes;
  size_t chunk, readAt = 0;
};
int WriteIt(void *handle, void *buf, int len) {
  auto *p = static_cast<unsigned char *>(buf);
  static_cast<Sink *>(handle)->bytes.insert(static_cast<Sink *>(handle)->bytes.end(), p, p + len);
  return len;
}
int ReadIt(void *handle, void *buf, int len) {
  auto *sink = static_cast<Sink *>(handle);
  size_t n =
      std::min<size_t>({sink->bytes.size() - sink->readAt, static_cast<size_t>(len), sink->chunk});
  if (n == 0) return -1;
  memcpy(buf, sink->bytes.data() + sink->readAt, n);
  sink->readAt += n;
  return static_cast<int>(n);
}

// Encodes `value` with `routine` as one record on `stream`; the wire bytes, or nothing when it
// failed.
template <typename T>
std::optional<Bytes> Encode(const Stream &stream, bool_t (*routine)(XDR *, T *), T *value) {
  XDR xdrs;
  Sink sink{{}, stream.chunk};
  xdrrec_create(&xdrs, stream.buffer, stream.buffer, &sink, ReadIt, WriteIt);
  xdrs.x_op = XDR_ENCODE;
  bool ok = routine(&xdrs, value) && xdrrec_endofrecord(&xdrs, TRUE);
  xdr_destroy(&xdrs);
  return ok ? std::optional<Bytes>(sink.bytes) : std::nullopt;
}

// Decodes the record `wire` with `routine` into `value`; `delivered` receives how many
// bytes the stream took in.
template <typename T>
bool Decode(const Stream &stream, bool_t (*routine)(XDR *, T *), const Bytes &wire, T *value,
            size_t *delivered = nullptr) {
  XDR xdrs;
  Sink sink{wire, stream.chunk};
  xdrrec_create(&xdrs, stream.buffer, stream.buffer, &sink, ReadIt, WriteIt);
  xdrs.x_op = XDR_DECODE;
  bool ok = xdrrec_skiprecord(&xdrs) && routine(&xdrs, value);
  if (delivered) *delivered = sink.readAt;
  xdr_destroy(&xdrs);
  return ok;
}

// `body` as one last record fragment.
Bytes LastFragment(const Bytes &body) {
  uint32_t mark = 0x80000000u | static_cast<uint32_t>(body.size());
  Bytes framed(4 + body.size());
  for (int k = 0; k < 4; ++k) framed[k] = static_cast<unsigned char>(mark >> (24 - 8 * k));
  std::copy(body.begin(), body.end(), framed.begin() + 4);
  return framed;
}

std::string Hex(const Bytes &b) {
  std::string s;
  char piece[4];
  for (size_t i = 0; i < b.size(); ++i) {
    snprintf(piece, sizeof piece, "%02x", b[i]);
    s += piece + std::string(i % 4 == 3 && i + 1 < b.size() ? " " : "");
  }
  return s;
}

TEST(JqpXdrPacket, WireBytesEqualTheReferenceInBothDirectionsOnSmallAndLargeBuffers) {
  if (CHAR_MIN == 0) GTEST_SKIP() << "xdr_char does not sign-extend where char is unsigned";
  for (size_t size : {size_t{0}, size_t{1}, size_t{255}, size_t{1} << 20}) {
    Bytes data(size);
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 7 + i / 256);
    for (const Stream &stream : {kSmall, kLarge}) {
      SCOPED_TRACE(std::string(stream.name) + ", " + std::to_string(size) + " bytes");
      encodePacket in{static_cast<uint32_t>(size), reinterpret_cast<char *>(data.data())};
      auto ours = Encode<encodePacket>(stream, Ours, &in);
      auto reference = Encode<encodePacket>(stream, Reference, &in);
      ASSERT_TRUE(ours && reference);
      EXPECT_EQ(*ours, *reference);  // record marks and fragment edges included
      encodePacket back{}, refBack{};
      ASSERT_TRUE(Decode<encodePacket>(stream, Ours, *reference, &back));
      ASSERT_TRUE(Decode<encodePacket>(stream, Reference, *ours, &refBack));
      EXPECT_EQ(Bytes(back.encodePacket_val, back.encodePacket_val + back.encodePacket_len), data);
      EXPECT_EQ(refBack.encodePacket_len, size);
      EXPECT_EQ(back.encodePacket_val == nullptr, size == 0);
      xdr_free(reinterpret_cast<xdrproc_t>(xdr_encodePacket), &back);
      EXPECT_EQ(back.encodePacket_val, nullptr);
      xdr_free(reinterpret_cast<xdrproc_t>(Reference), &refBack);
    }
  }
}

TEST(JqpXdrRecords, ArgumentAndResultHaveTheirHandWorkedWireForm) {
  unsigned char arg[] = {0x30, 0x80};
  JQP_argument_t argument{3, {2, reinterpret_cast<char *>(arg)}};
  auto wire = Encode<JQP_argument_t>(kSmall, xdr_JQP_argument_t, &argument);
  ASSERT_TRUE(wire);
  EXPECT_EQ(Hex(*wire), "80000010 00000003 00000002 00000030 ffffff80");

  unsigned char err[] = {0xa1};
  JQP_result_t result{11, {0, nullptr}, {1, reinterpret_cast<char *>(err)}};
  wire = Encode<JQP_result_t>(kSmall, xdr_JQP_result_t, &result);
  ASSERT_TRUE(wire);
  EXPECT_EQ(Hex(*wire), "80000010 0000000b 00000000 00000001 ffffffa1");
  // High bits set by a sender that does not sign-extend are dropped on the way in.
  Bytes loose = {0, 0, 0, 2, 0, 0, 0x01, 0x41, 0x7f, 0xff, 0xff, 0x80};
  encodePacket back{};
  ASSERT_TRUE(Decode<encodePacket>(kSmall, Ours, LastFragment(loose), &back));
  EXPECT_EQ(Hex(Bytes(back.encodePacket_val, back.encodePacket_val + 2)), "4180");
  xdr_free(reinterpret_cast<xdrproc_t>(xdr_encodePacket), &back);
}

// Damaged input is refused with nothing left allocated, whatever the count claims.
TEST(JqpXdrRecords, ShortAndLyingPacketsAreRefusedWithNothingKept) {
  const struct {
    const char *name;
    Bytes wire;
  } kCases[] = {
      {"no count", {0, 0}},
      {"count 3, two bytes", {0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 2}},
      {"count 2^32-1, one byte", {0xff, 0xff, 0xff, 0xff, 0, 0, 0, 1}},
  };
  for (const auto &c : kCases) {
    for (const Stream &stream : {kSmall, kLarge}) {
      SCOPED_TRACE(std::string(c.name) + " on " + stream.name);
      encodePacket back{};
      EXPECT_FALSE(Decode<encodePacket>(stream, Ours, LastFragment(c.wire), &back));
      EXPECT_EQ(back.encodePacket_val, nullptr);
      EXPECT_EQ(back.encodePacket_len, 0u);
    }
  }
  // A record that still holds bytes is not decoded into (its size is unknown).
  char kept = 0;
  encodePacket holding{1, &kept};
  EXPECT_FALSE(
      Decode<encodePacket>(kSmall, Ours, LastFragment({0, 0, 0, 1, 0, 0, 0, 9}), &holding));
  EXPECT_EQ(kept, 0);
}

// A count claiming 4 GiB with 1 MiB behind it: the decoder must read what arrives
// before failing, which it cannot do if it first asks for the claimed size. The child
// process runs under an address-space limit that no 4 GiB block fits in; the
// reference, which allocates the claimed size first, fails at once without reading
// (the control). Address-space limits and sanitizer shadow memory do not mix.
TEST(JqpXdrRecords, AClaimedCountCostsOnlyWhatArrives) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "needs an address-space limit, which the sanitizer's shadow memory breaks";
#else
  Bytes wire = {0xff, 0xff, 0xff, 0xf0};
  wire.resize(4 + (4 << 20), 0);  // 1 Mi elements of value 0
  wire = LastFragment(wire);
  for (Routine routine : {Ours, Reference}) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      struct rlimit limit = {size_t{1} << 30, size_t{1} << 30};
      getrlimit(RLIMIT_AS, &limit);
      FILE *status = fopen("/proc/self/statm", "r");
      unsigned long pages = 0;
      if (!status || fscanf(status, "%lu", &pages) != 1) _exit(3);
      limit.rlim_cur = pages * sysconf(_SC_PAGESIZE) + (rlim_t{512} << 20);
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
      encodePacket back{};
      size_t delivered = 0;
      if (Decode<encodePacket>(kSmall, routine, wire, &back, &delivered)) _exit(4);
      _exit(delivered >= wire.size() ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), routine == Ours ? 0 : 1)
        << (routine == Ours ? "ours" : "reference") << " (0: read everything, 1: stopped early)";
  }
#endif
}

}  // namespace
