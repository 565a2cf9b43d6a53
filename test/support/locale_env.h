// The locale environment of the suites that convert texts or read the locale
// tables: the staged data directory, the test locales (generated with localedef when
// the system lacks them), the messages locale of a test, the shipped tables loaded
// around a test, and a word and some code sets to convert between.
#ifndef KQ_TEST_SUPPORT_LOCALE_ENV_H
#define KQ_TEST_SUPPORT_LOCALE_ENV_H

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>

#include "infra/i18n.h"
#include "kqtest.h"

namespace kq::test::locale {

// The staged data directory holding the shipped "charset.dat".
std::string StageDataDir();

// Makes the test locale `name` ("de_DE.ISO-8859-1" or "en_US.UTF-8") usable by
// setlocale: when the system lacks one, they are generated with localedef into a
// private directory of the build tree that LOCPATH names. False when it cannot be.
bool EnsureLocale(const std::string &name);

// The messages locale for the lifetime of the object.
class MessagesLocale {
 public:
  explicit MessagesLocale(const char *name);
  ~MessagesLocale();
  bool ok() const { return ok_; }

 private:
  std::string old_;
  bool ok_;
};

// Loads the shipped tables for the test and releases them afterwards; a test that
// needs the tables unloaded can call Release().
class ShippedTables : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override { Release(); }
  void Release();
  bool loaded_ = false;
};

// Sets up the thread's context for texts that travel in `codeSet` (a text of choice
// GEN_TEXT_OTHER carrying it, as ICONV_ConfigureContext takes them).
inline int ConfigureFor(STF_statusList_t *status, uint32_t codeSet) {
  GEN_Text_t wire{};
  wire.choice = GEN_TEXT_OTHER;
  wire.codeSet = codeSet;
  return ICONV_ConfigureContext(status, &wire);
}

// The shipped tables, a messages locale and a thread without a conversion context
// before and after each test.
class InLocale : public ShippedTables {
 protected:
  void SetUp() override {
    ShippedTables::SetUp();
    ICONV_DestroyContext(ICONV_GetAndClearContext());
  }
  void TearDown() override {
    ICONV_DestroyContext(ICONV_GetAndClearContext());
    locale_.reset();
    ShippedTables::TearDown();
  }
  void UseLocale(const char *name) {
    ASSERT_TRUE(EnsureLocale(name)) << name;
    locale_.reset();  // back to the locale before the test first
    locale_ = std::make_unique<MessagesLocale>(name);
    ASSERT_TRUE(locale_->ok());
  }
  // Texts go to the wire in `wire` from now on.
  static void Configure(uint32_t wire) {
    kq::test::StatusList l;
    ASSERT_EQ(ConfigureFor(l, wire), 0) << l.Text();
  }
  std::unique_ptr<MessagesLocale> locale_;
};

// One word in two code sets.
const std::string kGruesseLatin1 =
    "Gr\xfc\xdf"
    "e";
const std::string kGruesseUtf8 =
    "Gr\xc3\xbc\xc3\x9f"
    "e";

// Short OIDs of some code sets (their table indexes).
constexpr uint32_t kAscii = 368;
constexpr uint32_t kLatin1 = 369;
constexpr uint32_t kLatin2 = 370;
constexpr uint32_t kUnicode = 392;  // the code set of UTF-8 texts
constexpr uint32_t kShiftJis = 382;
constexpr uint32_t kEucJp = 383;
constexpr uint32_t kIso2022Jp = 3132;
constexpr uint32_t kOther = 367;  // has no name in the shipped table

}  // namespace kq::test::locale

#endif
