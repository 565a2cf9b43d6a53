// Shared pieces of the registry tests: status lists, fresh registries in temporary
// directories, and a fixture that initialises the registry for one test.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "infra/oid.h"

namespace oidtest {

struct List {
  STF_statusList_t *s = STF_CreateList(nullptr);
  List() = default;
  List(const List &) = delete;
  ~List() { STF_DeleteList(s); }
  uint32_t Code() const { return STF_GetStatus(s); }
};

// The registry the build staged: <QV_ROOT>/usr/kq/share/data.
std::string StagedRegistry();

// A registry built from the compiled table in a new temporary directory, removed
// with its files at the end.
class TempRegistry {
 public:
  TempRegistry();
  ~TempRegistry();
  const std::string &dir() const { return dir_; }

 private:
  std::string dir_;
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

}  // namespace oidtest
