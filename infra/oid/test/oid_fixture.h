// Shared pieces of the registry tests: fresh registries in scratch directories, the
// binary form of table rows, and a fixture that initialises the registry for one test.
#ifndef KQ_INFRA_OID_TEST_OID_FIXTURE_H
#define KQ_INFRA_OID_TEST_OID_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "infra/oid.h"
#include "kqtest.h"

namespace kq::oid::test {

using List = kq::test::StatusList;

// The registry the build staged: <QV_ROOT>/usr/kq/share/data.
std::string StagedRegistry();

// A registry built from the compiled table in a scratch directory.
class TempRegistry {
 public:
  TempRegistry();
  const std::string &dir() const { return tmp_.path(); }

 private:
  kq::test::TempDir tmp_{"oid_reg"};
};

// The binary form of a table row, copied (L + 3 bytes).
std::string Binary(uint32_t shoid);
const unsigned char *Bytes(const std::string &binary);

// Initialises the registry in `dir` with `mode` and opens a block in locale "C".
// The caches start empty.
class Registry : public ::testing::Test {
 protected:
  void Open(const std::string &dir, uint32_t mode, const char *locale = "C");
  void TearDown() override;
  OID_dbBlock_t *block_ = nullptr;
};

}  // namespace kq::oid::test

#endif
