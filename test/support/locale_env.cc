#include "locale_env.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <filesystem>
#include <mutex>

#include "infra/msg.h"

#ifndef KQ_BINARY_DIR
#error "KQ_BINARY_DIR must name the build tree"
#endif

namespace kq::test::locale {

std::string StageDataDir() {
  const char *root = getenv("QV_ROOT");
  return std::string(root ? root : KQ_BINARY_DIR "/stage") + "/usr/kq/share/data";
}

namespace {

// Whether setlocale accepts the locale (tried on the messages category, which is
// put back afterwards).
bool Usable(const std::string &name) {
  char old[256], now[256];
  if (MSG_setlocale_r(LC_MESSAGES, nullptr, old, sizeof old) != 0) return false;
  bool ok = MSG_setlocale_r(LC_MESSAGES, name.c_str(), now, sizeof now) == 0;
  MSG_setlocale_r(LC_MESSAGES, old, now, sizeof now);
  return ok;
}

struct TestLocale {
  const char *name, *source, *charmap;
};
constexpr TestLocale kTestLocales[] = {
    {"de_DE.ISO-8859-1", "de_DE", "ISO-8859-1"},
    {"en_US.UTF-8", "en_US", "UTF-8"},
};

// Generates the test locales the system lacks into a private directory and points
// LOCPATH at it. glibc remembers a locale it once failed to find, so this runs
// before any lookup with LOCPATH set.
void GenerateMissing() {
  std::string dir = std::string(KQ_BINARY_DIR) + "/test-locales";
  bool missing = false;
  for (const TestLocale &t : kTestLocales) missing = missing || !Usable(t.name);
  if (!missing) return;
  std::filesystem::create_directories(dir);
  // Test processes run in parallel: one generates, the others wait and reuse it.
  int lock = open((dir + "/.lock").c_str(), O_CREAT | O_RDWR, 0644);
  if (lock < 0) return;
  flock(lock, LOCK_EX);
  for (const TestLocale &t : kTestLocales) {
    std::string target = dir + "/" + t.name;
    if (std::filesystem::exists(target + "/LC_CTYPE")) continue;
    std::string tmp = dir + "/.tmp-" + std::to_string(getpid());
    std::filesystem::remove_all(tmp);
    std::string cmd = std::string("localedef -c -i ") + t.source + " -f " + t.charmap + " '" + tmp +
                      "' >/dev/null 2>&1";
    (void)system(cmd.c_str());
    std::filesystem::remove_all(target);
    std::error_code ec;
    std::filesystem::rename(tmp, target, ec);
  }
  close(lock);  // releases the lock
  setenv("LOCPATH", dir.c_str(), 1);
}

}  // namespace

bool EnsureLocale(const std::string &name) {
  static std::once_flag once;
  std::call_once(once, GenerateMissing);
  return Usable(name);
}

MessagesLocale::MessagesLocale(const char *name) {
  char buf[256];
  if (MSG_setlocale_r(LC_MESSAGES, nullptr, buf, sizeof buf) == 0) old_ = buf;
  ok_ = MSG_setlocale_r(LC_MESSAGES, name, buf, sizeof buf) == 0;
}

MessagesLocale::~MessagesLocale() {
  char buf[256];
  MSG_setlocale_r(LC_MESSAGES, old_.empty() ? "C" : old_.c_str(), buf, sizeof buf);
}

void ShippedTables::SetUp() {
  kq::test::StatusList l;
  ASSERT_EQ(I18N_Init(l, StageDataDir().c_str()), 0) << l.Text();
  loaded_ = true;
}

void ShippedTables::Release() {
  if (!loaded_) return;
  kq::test::StatusList l;
  EXPECT_EQ(I18N_Term(l), 0);
  loaded_ = false;
}

}  // namespace kq::test::locale
