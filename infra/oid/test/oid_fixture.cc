#include "oid_fixture.h"

#include <cstdlib>

#include "infra/genu_oid.h"
#include "internal/oid_build.h"
#include "private/oid_cache.h"
#include "private/oid_db.h"

namespace kq::oid::test {

std::string StagedRegistry() {
  const char *root = getenv("QV_ROOT");
  return std::string(root ? root : ".") + "/usr/kq/share/data";
}

TempRegistry::TempRegistry() {
  std::string error;
  EXPECT_EQ(OID__BuildRegistry(dir().c_str(), &error), 0u) << error;
}

std::string Binary(uint32_t shoid) {
  List l;
  const unsigned char *bin = nullptr;
  if (GENU_ShortToBinaryOID(l, shoid, &bin) || !bin) return {};
  return std::string(reinterpret_cast<const char *>(bin), bin[1] + 3u);
}

const unsigned char *Bytes(const std::string &binary) {
  return reinterpret_cast<const unsigned char *>(binary.data());
}

void Registry::Open(const std::string &dir, uint32_t mode, const char *locale) {
  OID__InitCache();
  List l;
  ASSERT_EQ(OID_Init(l, dir.c_str(), mode), 0u);
  ASSERT_EQ(OID_OpenDb(l, dir.c_str(), locale, mode, &block_), 0u);
}

void Registry::TearDown() {
  List l;
  if (block_) OID_CloseDb(l, &block_);
  OID_Term();
  OID__noCache = false;
  OID__InitCache();
}

}  // namespace kq::oid::test
