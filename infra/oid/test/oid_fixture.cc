#include "oid_fixture.h"

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>

#include "infra/genu_oid.h"
#include "private/oid_cache.h"
#include "internal/oid_build.h"
#include "private/oid_db.h"

namespace oidtest {

std::string StagedRegistry() {
  const char *root = getenv("QV_ROOT");
  return std::string(root ? root : ".") + "/usr/kq/share/data";
}

TempRegistry::TempRegistry() {
  char tmpl[] = "/tmp/oid_reg_XXXXXX";
  if (!mkdtemp(tmpl)) ADD_FAILURE() << "mkdtemp failed";
  dir_ = tmpl;
  std::string error;
  EXPECT_EQ(OID__BuildRegistry(dir_.c_str(), &error), 0u) << error;
}

TempRegistry::~TempRegistry() {
  if (DIR *d = opendir(dir_.c_str())) {
    while (struct dirent *e = readdir(d)) {
      if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) {
        unlink((dir_ + "/" + e->d_name).c_str());
      }
    }
    closedir(d);
  }
  rmdir(dir_.c_str());
}

std::string Binary(uint32_t shoid) {
  List l;
  const unsigned char *bin = nullptr;
  if (GENU_ShortToBinaryOID(l.s, shoid, &bin) || !bin) return {};
  return std::string(reinterpret_cast<const char *>(bin), bin[1] + 3u);
}

const unsigned char *Bytes(const std::string &binary) {
  return reinterpret_cast<const unsigned char *>(binary.data());
}

void Registry::Open(const std::string &dir, uint32_t mode, const char *locale) {
  OID__InitCache();
  List l;
  ASSERT_EQ(OID_Init(l.s, dir.c_str(), mode), 0u);
  ASSERT_EQ(OID_OpenDb(l.s, dir.c_str(), locale, mode, &block_), 0u);
}

void Registry::TearDown() {
  List l;
  if (block_) OID_CloseDb(l.s, &block_);
  OID_Term();
  OID__noCache = false;
  OID__InitCache();
}

}  // namespace oidtest
