// Test support for the locale tables and the code-set conversion: the staged data
// directory, generated glibc locales, and fixtures holding the shipped tables.
#ifndef KQ_INFRA_I18N_TEST_I18N_ENV_H
#define KQ_INFRA_I18N_TEST_I18N_ENV_H

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "infra/i18n.h"
#include "kqtest.h"
#include "locale_env.h"

namespace kq::i18n::test {

using kq::test::StatusList;
using Codes = std::vector<uint32_t>;
// The locale environment every suite that needs one shares.
using namespace kq::test::locale;

// Lookups as text for comparisons; a failed one answers Failure(its code).
std::string Failure(uint32_t code);
std::string Field(const I18N_localeField_t &f);
// "language/country/codeSet" of a DPA locale.
std::string Text(const I18N_dpaLocale_t &d);
// "language/country/codeSet" of the DPA locale of a locale name.
std::string DpaOf(const char *name);
// The short OID of a code-set name (0 when unknown) and the name of a short OID.
uint32_t CodeSetOf(const char *name);
std::string CodeSetName(uint32_t shoid);

// Loads `text` as the data file of a scratch directory: the codes, empty on success
// (and then the tables stay loaded until Unload).
Codes Load(const std::string &text);
void Unload();

// Tables of the test's own (Use), released after the test.
class OwnTables : public ::testing::Test {
 protected:
  void Use(const std::string &text) {
    ASSERT_EQ(Load(text), Codes{});
    loaded_ = true;
  }
  void TearDown() override {
    if (loaded_) Unload();
  }
  bool loaded_ = false;
};

}  // namespace kq::i18n::test

#endif
