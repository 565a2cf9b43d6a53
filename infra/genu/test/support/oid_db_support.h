// A private identifier database ("oid_cvrt") in a scratch directory, for tests of
// identifiers the shipped table does not have. GENU_Init on `dir` opens it; the
// destructor closes the conversion layer (the directory goes with its files).
#ifndef KQ_INFRA_GENU_TEST_SUPPORT_OID_DB_SUPPORT_H
#define KQ_INFRA_GENU_TEST_SUPPORT_OID_DB_SUPPORT_H

#include <fcntl.h>
#include <gtest/gtest.h>

#include <string>

#include "infra/genu_oid.h"
#include "infra/kqbm.h"
#include "kqtest.h"

namespace kq::genu::test {

struct TempOidDb {
  kq::test::TempDir tmp{"genu_oid"};
  std::string dir = tmp.path();
  KQBM_dbHandle_t db = KQBM_open((tmp / "oid_cvrt").c_str(), O_CREAT | O_RDWR, 0644, 0);

  ~TempOidDb() {
    Close();
    GENU_Term();
  }
  void Close() {
    if (db) KQBM_close(db);
    db = nullptr;
  }
  void Put(const std::string &k, const std::string &v) {
    datum key{const_cast<char *>(k.data()), static_cast<int32_t>(k.size())};
    datum content{const_cast<char *>(v.data()), static_cast<int32_t>(v.size())};
    ASSERT_EQ(KQBM_store(db, key, content, KQBM_INSERT), 0u);
  }
  // A dynamic identifier `shoid`: its binary form (tag, length, arcs), the value type
  // of its attribute values, and its name, with the reverse entries.
  void Register(uint32_t shoid, const std::string &binary, char type, const std::string &name) {
    Put("b-" + std::to_string(shoid), binary + std::string(1, type));
    Put("a-" + std::to_string(shoid), name + std::string(1, '\0'));
    Put(binary, std::to_string(shoid));
    Put(name, std::to_string(shoid));
  }
};

}  // namespace kq::genu::test

#endif
