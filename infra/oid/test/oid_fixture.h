// Shared pieces of the registry tests: fresh registries in scratch directories, the
// binary form of table rows, and a fixture that initialises the registry for one test.
#ifndef KQ_INFRA_OID_TEST_OID_FIXTURE_H
#define KQ_INFRA_OID_TEST_OID_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "infra/genu_oid.h"
#include "infra/oid.h"
#include "internal/oid_build.h"
#include "kqtest.h"
#include "private/oid_cache.h"
#include "private/oid_db.h"

namespace kq::oid::test {

using List = kq::test::StatusList;

// "fails <code>" for a failed call.
inline std::string Fails(uint32_t code) { return "fails " + std::to_string(code); }

// The registry the build staged: <QV_ROOT>/usr/kq/share/data.
inline std::string StagedRegistry() {
  const char *root = getenv("QV_ROOT");
  return std::string(root ? root : ".") + "/usr/kq/share/data";
}

// A registry built from the compiled table in a scratch directory.
class TempRegistry {
 public:
  TempRegistry() {
    std::string error;
    EXPECT_EQ(OID__BuildRegistry(dir().c_str(), &error), 0u) << error;
  }
  const std::string &dir() const { return tmp_.path(); }

 private:
  kq::test::TempDir tmp_{"oid_reg"};
};

// A binary OID as bytes (L + 3 with the closing 0 byte), and back.
inline std::string Str(const unsigned char *bin) {
  return std::string(reinterpret_cast<const char *>(bin), bin[1] + 3u);
}
inline const unsigned char *Bytes(const std::string &binary) {
  return reinterpret_cast<const unsigned char *>(binary.data());
}
// The binary form of a table row; empty for a short OID the table lacks.
inline std::string Binary(uint32_t shoid) {
  List l;
  const unsigned char *bin = nullptr;
  return GENU_ShortToBinaryOID(l, shoid, &bin) || !bin ? std::string() : Str(bin);
}

// The dotted text of `bin` (with `chars` when given), or Fails(code).
inline std::string ToDec(const unsigned char *bin, const unsigned char *chars = nullptr) {
  List l;
  char *text = nullptr;
  uint32_t len = 0;
  uint32_t st = OID_ConvertBinToDec(l, bin, chars, &len, &text);
  if (st) return Fails(st) + (text ? " with a text" : "");
  std::string s = text;
  free(text);
  EXPECT_EQ(len, s.size() + 1) << s;
  return s;
}

// Initialises the registry in `dir` with `mode` and opens a block in locale "C"; the
// caches start empty, and everything is ended afterwards.
class Registry : public ::testing::Test {
 protected:
  void Open(const std::string &dir, uint32_t mode, const char *locale = "C") {
    OID__InitCache();
    List l;
    ASSERT_EQ(OID_Init(l, dir.c_str(), mode), 0u);
    ASSERT_EQ(OID_OpenDb(l, dir.c_str(), locale, mode, &block_), 0u);
  }
  void TearDown() override {
    List l;
    if (block_) OID_CloseDb(l, &block_);
    OID_Term();
    OID__noCache = false;
    OID__InitCache();
  }
  // OID_LookupName's binary, or Fails(code).
  std::string ByName(const char *name) {
    List l;
    unsigned char bin[OID_BINARY_MAX];
    uint32_t st = OID_LookupName(l, block_, name, bin, nullptr);
    return st ? Fails(st) : Str(bin);
  }
  // OID_LookupBinary's name, or Fails(code).
  std::string NameOf(const std::string &bin) {
    List l;
    char name[OID_NAME_MAX];
    uint32_t st = OID_LookupBinary(l, block_, Bytes(bin), name, nullptr);
    return st ? Fails(st) : name;
  }
  OID_dbBlock_t *block_ = nullptr;
};

}  // namespace kq::oid::test

#endif
