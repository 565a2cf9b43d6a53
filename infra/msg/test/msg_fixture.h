// Test support: real catalogues compiled with gencat under a private installation
// root, which QV_ROOT points at for the duration of a test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "infra/msg.h"

namespace kq::msg::test {

class CatalogueRoot {
 public:
  CatalogueRoot() {
    char pattern[] = "/tmp/kqmsgXXXXXX";
    const char *dir = mkdtemp(pattern);
    if (dir) root_ = dir;
  }
  ~CatalogueRoot() {
    if (!root_.empty()) Run("rm -rf '" + root_ + "'");
  }
  CatalogueRoot(const CatalogueRoot &) = delete;
  CatalogueRoot &operator=(const CatalogueRoot &) = delete;

  const std::string &root() const { return root_; }
  // <root>/usr/kq/share/messages/<locale>
  std::string Dir(const std::string &locale) const {
    return root_ + "/usr/kq/share/messages/" + locale;
  }

  // Compiles gencat source text into <dir>/<name>. The catalogue replaces any
  // earlier file by rename, so a catalogue already open keeps its old contents.
  void Compile(const std::string &dir, const std::string &name, const std::string &source) {
    ASSERT_EQ(Run("mkdir -p '" + dir + "'"), 0);
    std::string msg = root_ + "/src.msg";
    FILE *f = fopen(msg.c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs(source.c_str(), f);
    fclose(f);
    std::string out = dir + "/." + name + ".new";
    unlink(out.c_str());  // gencat merges into an existing output file
    ASSERT_EQ(Run("/usr/bin/gencat '" + out + "' '" + msg + "'"), 0) << source;
    ASSERT_EQ(rename(out.c_str(), (dir + "/" + name).c_str()), 0);
  }
  void Add(const std::string &locale, const std::string &name, const std::string &source) {
    Compile(Dir(locale), name, source);
  }

 private:
  static int Run(const std::string &command) { return system(command.c_str()); }
  std::string root_;
};

// A catalogue source of a shared facility: set 1 (MSG texts) and set 2 (STF texts,
// message 1 being the facility's symbolic name).
inline std::string SharedSource(const std::string &facility, const std::string &stfTexts,
                                const std::string &msgTexts = "") {
  return "$set 1\n" + msgTexts + "$set 2\n1 " + facility + "\n" + stfTexts;
}

// Each test gets a fresh root, NLSPATH pointing into it (so the bare-name step of
// the search path sees only what a test puts there) and the facility in use.
class MsgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(roots_.root().empty());
    setenv("QV_ROOT", roots_.root().c_str(), 1);
    setenv("NLSPATH", (roots_.root() + "/nls/%N").c_str(), 1);
    ASSERT_EQ(MSG_UsageBegin("kqtest"), 0u);
  }
  void TearDown() override {
    MSG_UsageEnd();
    unsetenv("NLSPATH");
  }

  // MSG_GetUnformatted into a string; the status goes to *status.
  std::string Unformatted(uint32_t source, uint32_t code, uint32_t *status,
                          const char *locale = nullptr) {
    char buffer[1024];
    uint32_t length = 0;
    *status = MSG_GetUnformatted(source, code, locale, sizeof buffer, &length, buffer);
    EXPECT_EQ(length, strlen(buffer) + 1);
    return buffer;
  }

  std::string Formatted(uint32_t source, uint32_t code, int32_t count, const STF_argument_t *args,
                        uint32_t *status) {
    char buffer[1024];
    uint32_t length = 0;
    *status = MSG_GetFormattedByArray(source, code, 0, nullptr, sizeof buffer, &length, buffer,
                                      count, args);
    EXPECT_EQ(length, strlen(buffer) + 1);
    return buffer;
  }

  CatalogueRoot roots_;
};

inline STF_argument_t CharArg(char c) {
  STF_argument_t a{};
  a.type = STF_ARG_CHAR;
  a.length = 1;
  a.value.c = c;
  return a;
}
inline STF_argument_t IntArg(int32_t i) {
  STF_argument_t a{};
  a.type = STF_ARG_INT;
  a.length = 4;
  a.value.i = i;
  return a;
}
inline STF_argument_t DoubleArg(double d) {
  STF_argument_t a{};
  a.type = STF_ARG_DOUBLE;
  a.length = 8;
  a.value.d = d;
  return a;
}
inline STF_argument_t StringArg(const char *s) {
  STF_argument_t a{};
  a.type = STF_ARG_STRING;
  a.length = static_cast<int32_t>(strlen(s) + 1);
  a.value.p = s;
  return a;
}
inline STF_argument_t BytesArg(const void *p, int32_t length) {
  STF_argument_t a{};
  a.type = STF_ARG_BYTES;
  a.length = length;
  a.value.p = p;
  return a;
}

}  // namespace kq::msg::test
