// A record decoded through the world lives in one arena and is released whole. These
// tests decode records whose parts overflow the first block, need blocks of their own or
// are empty, and check every part (contents, alignment) and that the record encodes back
// to the same bytes; a failed decode, cut at every point, hands nothing out. The
// sanitizer build checks that ossFreePDU and the failures leave nothing behind.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "ber_test_util.h"

namespace kq::ber::test {
namespace {

// One argument of a message: kind 1 an integer, 2 a string, 3 octets, of `size` bytes.
struct Arg {
  int kind;
  size_t size;
};

struct Shape {
  const char *name;
  std::vector<Arg> args;
};

std::vector<Arg> Repeat(std::vector<Arg> pattern, int times) {
  std::vector<Arg> out;
  for (int i = 0; i < times; i++) out.insert(out.end(), pattern.begin(), pattern.end());
  return out;
}

// The byte of string or octet argument `i` at `at`: distinct per argument and place.
uint8_t ByteOf(size_t i, size_t at, int kind) {
  uint8_t b = static_cast<uint8_t>(i * 31 + at * 7);
  return kind == 2 ? static_cast<uint8_t>(0x20 + b % 0x5f) : b;  // strings: printable
}

class BerRecordMemory : public ::testing::Test {
 protected:
  void SetUp() override {
    world_ = static_cast<OssGlobal *>(calloc(1, ossGetOssGlobalSize()));
    ASSERT_EQ(ossinit(world_, &evt), 0);
  }
  void TearDown() override {
    ossterm(world_);
    free(world_);
  }

  // The message of `args`, encoded.
  std::vector<uint8_t> Encode(const std::vector<Arg> &args) {
    std::vector<EventMessage_node> nodes(args.size());
    std::vector<std::vector<uint8_t>> data(args.size());
    for (size_t i = 0; i < args.size(); i++) {
      nodes[i].next = i + 1 < args.size() ? &nodes[i + 1] : nullptr;
      nodes[i].value.choice = static_cast<uint16_t>(args[i].kind);
      for (size_t at = 0; at < args[i].size; at++) data[i].push_back(ByteOf(i, at, args[i].kind));
      if (args[i].kind == 1) {
        nodes[i].value.u.integer = static_cast<int32_t>(i * 1000003);
      } else if (args[i].kind == 2) {
        data[i].push_back(0);
        nodes[i].value.u.string = reinterpret_cast<char *>(data[i].data());
      } else {
        nodes[i].value.u.octets = {static_cast<int32_t>(args[i].size), data[i].data()};
      }
    }
    EventMessage list = args.empty() ? nullptr : &nodes[0];
    OssBuf out{0, nullptr};
    EXPECT_EQ(ossEncode(world_, EventMessage_PDU, &list, &out), 0) << ossGetErrMsg(world_);
    std::vector<uint8_t> bytes(out.value, out.value + out.length);
    world_->freep(out.value);
    return bytes;
  }

  // Every part of a decoded message against `args`.
  void Expect(void *decoded, const std::vector<Arg> &args) {
    size_t i = 0;
    for (EventMessage n = *static_cast<EventMessage *>(decoded); n; n = n->next, i++) {
      SCOPED_TRACE("argument " + std::to_string(i));
      ASSERT_LT(i, args.size());
      EXPECT_EQ(reinterpret_cast<uintptr_t>(n) % alignof(EventMessage_node), 0u);
      ASSERT_EQ(n->value.choice, args[i].kind);
      const uint8_t *bytes = nullptr;
      if (args[i].kind == 1) {
        EXPECT_EQ(n->value.u.integer, static_cast<int32_t>(i * 1000003));
        continue;
      }
      if (args[i].kind == 2) {
        ASSERT_EQ(strlen(n->value.u.string), args[i].size);
        bytes = reinterpret_cast<const uint8_t *>(n->value.u.string);
      } else {
        ASSERT_EQ(n->value.u.octets.length, static_cast<int32_t>(args[i].size));
        bytes = n->value.u.octets.value;
      }
      for (size_t at = 0; at < args[i].size; at++)
        ASSERT_EQ(bytes[at], ByteOf(i, at, args[i].kind)) << "byte " << at;
    }
    EXPECT_EQ(i, args.size());
  }

  OssGlobal *world_ = nullptr;
};

TEST_F(BerRecordMemory, RecordsOfEveryShapeDecodeWholeAndEncodeBack) {
  const Shape kShapes[] = {
      {"empty message", {}},
      {"one integer", {{1, 0}}},
      {"empty string and empty octets", {{2, 0}, {3, 0}}},
      {"parts filling several blocks", Repeat({{1, 0}, {2, 40}, {3, 90}}, 2000)},
      {"one part larger than any block", {{3, 200000}}},
      {"large parts between small ones", Repeat({{2, 5}, {3, 70000}, {1, 0}}, 4)},
      {"a string just under a block", {{2, 3}, {2, 32767}, {2, 3}}},
  };
  for (const Shape &shape : kShapes) {
    SCOPED_TRACE(shape.name);
    std::vector<uint8_t> bytes = Encode(shape.args);
    int pdu = EventMessage_PDU;
    OssBuf in{static_cast<int32_t>(bytes.size()), bytes.data()};
    void *out = nullptr;
    ASSERT_EQ(ossDecode(world_, &pdu, &in, &out), 0) << ossGetErrMsg(world_);
    Expect(out, shape.args);
    OssBuf again{0, nullptr};
    ASSERT_EQ(ossEncode(world_, pdu, out, &again), 0);
    EXPECT_EQ(std::vector<uint8_t>(again.value, again.value + again.length), bytes);
    world_->freep(again.value);
    EXPECT_EQ(ossFreePDU(world_, pdu, out), 0);
  }
}

// Cut short anywhere, a record fails to decode and nothing is handed out; the records
// decoded between the failures are whole.
TEST_F(BerRecordMemory, ARecordCutShortAnywhereFailsCleanly) {
  const std::vector<Arg> args = Repeat({{2, 300}, {1, 0}, {3, 5000}}, 6);
  std::vector<uint8_t> bytes = Encode(args);
  for (size_t cut = 0; cut < bytes.size(); cut += 1 + cut / 50) {
    SCOPED_TRACE("first " + std::to_string(cut) + " bytes");
    int pdu = EventMessage_PDU;
    OssBuf in{static_cast<int32_t>(cut), bytes.data()};
    void *out = reinterpret_cast<void *>(1);
    EXPECT_NE(ossDecode(world_, &pdu, &in, &out), 0);
    EXPECT_EQ(out, nullptr);
  }
  int pdu = EventMessage_PDU;
  OssBuf in{static_cast<int32_t>(bytes.size()), bytes.data()};
  void *out = nullptr;
  ASSERT_EQ(ossDecode(world_, &pdu, &in, &out), 0);
  Expect(out, args);
  ossFreePDU(world_, pdu, out);
}

}  // namespace
}  // namespace kq::ber::test
