// The XDR forms of the request procedure against the plain xdr_array/xdr_char
// reference, byte for byte and in both directions, on a memory stream and on record
// streams (the form TCP calls take) with buffers small enough that blocks cross their
// edges; hand-worked wire bytes for the records; damaged and lying counts.
#include <gtest/gtest.h>
#include <rpc/rpc.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
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

// A stream kind: a memory stream, a record stream with send and receive buffers of
// `buffer` bytes, or a standard-I/O stream (which never lends its buffer, so every
// element takes the stream's own routine). The record reader hands out at most
// `chunk` bytes per read, as a socket may.
enum Kind { kMemory, kRecord, kStdio };
struct Stream {
  const char *name;
  Kind kind;
  u_int buffer;
  int chunk;
};
const Stream kStreams[] = {{"memory", kMemory, 0, 0},
                           {"record 4000", kRecord, 4000, 1 << 20},
                           {"record 100", kRecord, 100, 7},
                           {"stdio", kStdio, 0, 0}};

struct Sink {
  Bytes bytes;
  size_t readAt = 0;
  int chunk = 0;
  size_t delivered = 0;  // bytes handed to the stream by reads
};
int WriteIt(void *handle, void *buf, int len) {
  auto *sink = static_cast<Sink *>(handle);
  auto *p = static_cast<unsigned char *>(buf);
  sink->bytes.insert(sink->bytes.end(), p, p + len);
  return len;
}
int ReadIt(void *handle, void *buf, int len) {
  auto *sink = static_cast<Sink *>(handle);
  size_t left = sink->bytes.size() - sink->readAt;
  if (left == 0) return -1;
  size_t n = std::min<size_t>({left, static_cast<size_t>(len), static_cast<size_t>(sink->chunk)});
  memcpy(buf, sink->bytes.data() + sink->readAt, n);
  sink->readAt += n;
  sink->delivered += n;
  return static_cast<int>(n);
}

// Encodes with `routine` on `stream`; the wire bytes, or nothing when it failed.
template <typename T>
std::optional<Bytes> Encode(const Stream &stream, bool_t (*routine)(XDR *, T *), T *value) {
  XDR xdrs;
  if (stream.kind == kStdio) {
    FILE *file = tmpfile();
    xdrstdio_create(&xdrs, file, XDR_ENCODE);
    bool ok = routine(&xdrs, value);
    xdr_destroy(&xdrs);
    Bytes bytes(ftell(file), 0);
    rewind(file);
    ok = ok && fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    fclose(file);
    if (!ok) return std::nullopt;
    return bytes;
  }
  if (stream.kind == kMemory) {
    Bytes buf(16 << 20);
    xdrmem_create(&xdrs, reinterpret_cast<char *>(buf.data()), buf.size(), XDR_ENCODE);
    if (!routine(&xdrs, value)) return std::nullopt;
    buf.resize(xdr_getpos(&xdrs));
    xdr_destroy(&xdrs);
    return buf;
  }
  Sink sink;
  xdrrec_create(&xdrs, stream.buffer, stream.buffer, &sink, ReadIt, WriteIt);
  xdrs.x_op = XDR_ENCODE;
  bool ok = routine(&xdrs, value) && xdrrec_endofrecord(&xdrs, TRUE);
  xdr_destroy(&xdrs);
  if (!ok) return std::nullopt;
  return sink.bytes;
}

// Decodes `wire` with `routine` into a zeroed value on `stream`.
template <typename T>
bool Decode(const Stream &stream, bool_t (*routine)(XDR *, T *), const Bytes &wire, T *value,
            size_t *delivered = nullptr) {
  XDR xdrs;
  bool ok;
  if (stream.kind == kStdio) {
    FILE *file = tmpfile();
    fwrite(wire.data(), 1, wire.size(), file);
    rewind(file);
    xdrstdio_create(&xdrs, file, XDR_DECODE);
    ok = routine(&xdrs, value);
    if (delivered) *delivered = ftell(file);
    xdr_destroy(&xdrs);
    fclose(file);
    return ok;
  }
  if (stream.kind == kMemory) {
    Bytes copy = wire;
    xdrmem_create(&xdrs, reinterpret_cast<char *>(copy.data()), copy.size(), XDR_DECODE);
    ok = routine(&xdrs, value);
    if (delivered) *delivered = xdr_getpos(&xdrs);
  } else {
    Sink sink;
    sink.bytes = wire;
    sink.chunk = stream.chunk;
    xdrrec_create(&xdrs, stream.buffer, stream.buffer, &sink, ReadIt, WriteIt);
    xdrs.x_op = XDR_DECODE;
    ok = xdrrec_skiprecord(&xdrs) && routine(&xdrs, value);
    if (delivered) *delivered = sink.delivered;
  }
  xdr_destroy(&xdrs);
  return ok;
}

// Record marking aside, the XDR body of `wire` (memory streams have none).
Bytes Body(const Stream &stream, const Bytes &wire) {
  if (stream.kind != kRecord) return wire;
  Bytes body;
  for (size_t at = 0; at + 4 <= wire.size();) {
    uint32_t mark =
        (uint32_t{wire[at]} << 24) | (wire[at + 1] << 16) | (wire[at + 2] << 8) | wire[at + 3];
    size_t len = mark & 0x7fffffffu;
    body.insert(body.end(), wire.begin() + at + 4, wire.begin() + at + 4 + len);
    at += 4 + len;
  }
  return body;
}

// `body` as one last record fragment.
Bytes LastFragment(const Bytes &body) {
  uint32_t mark = 0x80000000u | static_cast<uint32_t>(body.size());
  Bytes framed = {static_cast<unsigned char>(mark >> 24), static_cast<unsigned char>(mark >> 16),
                  static_cast<unsigned char>(mark >> 8), static_cast<unsigned char>(mark)};
  framed.insert(framed.end(), body.begin(), body.end());
  return framed;
}

std::string Hex(const Bytes &b) {
  std::string s;
  char piece[4];
  for (size_t i = 0; i < b.size(); ++i) {
    snprintf(piece, sizeof piece, "%02x", b[i]);
    s += piece;
    if (i % 4 == 3 && i + 1 < b.size()) s += ' ';
  }
  return s;
}

Bytes EveryByteValue(size_t n) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<unsigned char>(i * 7 + i / 256);
  return b;
}

encodePacket View(Bytes &b) {
  return {static_cast<uint32_t>(b.size()),
          b.empty() ? nullptr : reinterpret_cast<char *>(b.data())};
}

class JqpXdrPacket : public ::testing::Test {
 protected:
  void SetUp() override {
    if (CHAR_MIN == 0) GTEST_SKIP() << "xdr_char does not sign-extend where char is unsigned";
  }
};

TEST_F(JqpXdrPacket, WireBytesEqualTheReferenceInBothDirectionsOnEveryStream) {
  for (size_t size :
       {size_t{0}, size_t{1}, size_t{127}, size_t{128}, size_t{255}, size_t{1} << 20}) {
    Bytes data = EveryByteValue(size);
    for (const Stream &stream : kStreams) {
      SCOPED_TRACE(std::string(stream.name) + ", " + std::to_string(size) + " bytes");
      encodePacket in = View(data);
      auto ours = Encode<encodePacket>(stream, Ours, &in);
      auto reference = Encode<encodePacket>(stream, Reference, &in);
      ASSERT_TRUE(ours && reference);
      EXPECT_EQ(*ours, *reference);  // record marks and fragment edges included
      EXPECT_EQ(Body(stream, *ours).size(), 4 + 4 * size);

      encodePacket back{}, refBack{};
      ASSERT_TRUE(Decode<encodePacket>(stream, Ours, *reference, &back));
      ASSERT_TRUE(Decode<encodePacket>(stream, Reference, *ours, &refBack));
      ASSERT_EQ(back.encodePacket_len, size);
      ASSERT_EQ(refBack.encodePacket_len, size);
      if (size > 0) {
        EXPECT_EQ(memcmp(back.encodePacket_val, data.data(), size), 0);
        EXPECT_EQ(memcmp(refBack.encodePacket_val, data.data(), size), 0);
      } else {
        EXPECT_EQ(back.encodePacket_val, nullptr);
      }
      xdr_free(reinterpret_cast<xdrproc_t>(xdr_encodePacket), &back);
      EXPECT_EQ(back.encodePacket_val, nullptr);
      xdr_free(reinterpret_cast<xdrproc_t>(Reference), &refBack);
    }
  }
}

TEST_F(JqpXdrPacket, EveryByteValueTravelsSignExtendedAndComesBackAsItsLowByte) {
  Bytes data(256);
  for (int i = 0; i < 256; ++i) data[i] = static_cast<unsigned char>(i);
  encodePacket in = View(data);
  auto wire = Encode<encodePacket>(kStreams[0], Ours, &in);
  ASSERT_TRUE(wire);
  ASSERT_EQ(wire->size(), 4u + 4 * 256);
  EXPECT_EQ(Hex(Bytes(wire->begin(), wire->begin() + 4)), "00000100");
  for (int i = 0; i < 256; ++i) {
    Bytes element(wire->begin() + 4 + 4 * i, wire->begin() + 8 + 4 * i);
    char want[16];
    snprintf(want, sizeof want, "%08x", i < 0x80 ? i : 0xffffff00u | i);
    ASSERT_EQ(Hex(element), want) << "byte " << i;
  }
  // High bits set by a sender that does not sign-extend are dropped on the way in.
  Bytes loose = {0, 0, 0, 2, 0, 0, 0x01, 0x41, 0x7f, 0xff, 0xff, 0x80};
  encodePacket back{};
  ASSERT_TRUE(Decode<encodePacket>(kStreams[0], Ours, loose, &back));
  EXPECT_EQ(Hex(Bytes(back.encodePacket_val, back.encodePacket_val + 2)), "4180");
  xdr_free(reinterpret_cast<xdrproc_t>(xdr_encodePacket), &back);
}

TEST(JqpXdrRecords, ArgumentAndResultHaveTheirHandWorkedWireForm) {
  unsigned char arg[] = {0x30, 0x80};
  JQP_argument_t argument{3, {2, reinterpret_cast<char *>(arg)}};
  auto wire = Encode<JQP_argument_t>(kStreams[0], xdr_JQP_argument_t, &argument);
  ASSERT_TRUE(wire);
  EXPECT_EQ(Hex(*wire), "00000003 00000002 00000030 ffffff80");

  unsigned char err[] = {0xa1};
  JQP_result_t result{11, {0, nullptr}, {1, reinterpret_cast<char *>(err)}};
  wire = Encode<JQP_result_t>(kStreams[0], xdr_JQP_result_t, &result);
  ASSERT_TRUE(wire);
  EXPECT_EQ(Hex(*wire), "0000000b 00000000 00000001 ffffffa1");

  for (const Stream &stream : kStreams) {
    SCOPED_TRACE(stream.name);
    auto sent = Encode<JQP_result_t>(stream, xdr_JQP_result_t, &result);
    JQP_result_t back{};
    ASSERT_TRUE(sent && Decode<JQP_result_t>(stream, xdr_JQP_result_t, *sent, &back));
    EXPECT_EQ(back.errorType, 11);
    EXPECT_EQ(back.result.encodePacket_len, 0u);
    ASSERT_EQ(back.error.encodePacket_len, 1u);
    EXPECT_EQ(static_cast<unsigned char>(back.error.encodePacket_val[0]), 0xa1);
    xdr_free(reinterpret_cast<xdrproc_t>(xdr_JQP_result_t), &back);
  }
}

// Damaged input is refused with nothing left allocated, whatever the count claims.
TEST(JqpXdrRecords, ShortAndLyingPacketsAreRefusedWithNothingKept) {
  struct Case {
    const char *name;
    Bytes wire;
  };
  const Case kCases[] = {
      {"no count", {0, 0}},
      {"count 3, two bytes", {0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 2}},
      {"count 3, two and a half bytes", {0, 0, 0, 3, 0, 0, 0, 1, 0, 0, 0, 2, 0, 0}},
      {"count 2^32-1, one byte", {0xff, 0xff, 0xff, 0xff, 0, 0, 0, 1}},
      {"count 2^31, nothing", {0x80, 0, 0, 0}},
  };
  for (const Case &c : kCases) {
    for (const Stream &stream : kStreams) {
      SCOPED_TRACE(std::string(c.name) + " on " + stream.name);
      Bytes wire = stream.kind == kRecord ? LastFragment(c.wire) : c.wire;
      encodePacket back{};
      EXPECT_FALSE(Decode<encodePacket>(stream, Ours, wire, &back));
      EXPECT_EQ(back.encodePacket_val, nullptr);
      EXPECT_EQ(back.encodePacket_len, 0u);
    }
  }
  // A record that still holds bytes is not decoded into (its size is unknown).
  Bytes wire = {0, 0, 0, 1, 0, 0, 0, 9};
  char kept = 0;
  encodePacket holding{1, &kept};
  EXPECT_FALSE(Decode<encodePacket>(kStreams[0], Ours, wire, &holding));
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
  Bytes body(4 << 20, 0);  // 1 Mi elements of value 0
  wire.insert(wire.end(), body.begin(), body.end());
  for (Routine routine : {Ours, Reference}) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      struct rlimit limit = {size_t{1} << 30, size_t{1} << 30};
      getrlimit(RLIMIT_AS, &limit);
      FILE *status = fopen("/proc/self/statm", "r");
      unsigned long pages = 0;
      if (!status || fscanf(status, "%lu", &pages) != 1) _exit(3);
      fclose(status);
      rlim_t cap = pages * sysconf(_SC_PAGESIZE) + (rlim_t{512} << 20);
      limit.rlim_cur = cap;
      if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(3);
      encodePacket back{};
      size_t delivered = 0;
      bool ok = Decode<encodePacket>(kStreams[2], routine, LastFragment(wire), &back, &delivered);
      if (ok) _exit(4);
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
