// Test support: real catalogues compiled with gencat under a private installation
// root, which QV_ROOT points at for the duration of a test.
#ifndef KQ_INFRA_MSG_TEST_MSG_FIXTURE_H
#define KQ_INFRA_MSG_TEST_MSG_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "infra/msg.h"
#include "kqtest.h"

namespace kq::msg::test {

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
    env_.Set("QV_ROOT", root_.path().c_str());
    env_.Set("NLSPATH", (root_ / "nls/%N").c_str());
    ASSERT_EQ(MSG_UsageBegin("kqtest"), 0u);
  }
  void TearDown() override { MSG_UsageEnd(); }

  // <root>/usr/kq/share/messages/<locale>
  std::string Dir(const std::string &locale) const {
    return root_ / ("usr/kq/share/messages/" + locale);
  }
  // Compiles gencat source text into <dir>/<name>. The catalogue replaces any
  // earlier file by rename, so a catalogue already open keeps its old contents.
  void Compile(const std::string &dir, const std::string &name, const std::string &source) {
    std::filesystem::create_directories(dir);
    const std::string msg = root_ / "src.msg", out = dir + "/." + name + ".new";
    kq::test::WriteFile(msg, source);
    std::filesystem::remove(out);  // gencat merges into an existing output file
    ASSERT_EQ(system(("/usr/bin/gencat '" + out + "' '" + msg + "'").c_str()), 0) << source;
    std::filesystem::rename(out, dir + "/" + name);
  }
  void Add(const std::string &locale, const std::string &name, const std::string &source) {
    Compile(Dir(locale), name, source);
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

  // Each row's text and status, read with MSG_GetUnformatted.
  struct TextRow {
    uint32_t source, code;
    std::string text;
    uint32_t status;
  };
  void ExpectTexts(const std::vector<TextRow> &rows, const char *locale = nullptr) {
    for (const TextRow &r : rows) {
      SCOPED_TRACE(testing::Message() << std::hex << r.code);
      uint32_t status = 1;
      EXPECT_EQ(Unformatted(r.source, r.code, &status, locale), r.text);
      EXPECT_EQ(status, r.status);
    }
  }

  // MSG_GetFormattedByArray: the status and the text.
  using R = std::pair<uint32_t, std::string>;
  R Formatted(uint32_t source, uint32_t code, int32_t count, const STF_argument_t *args) {
    char buffer[1024];
    uint32_t length = 0;
    uint32_t st = MSG_GetFormattedByArray(source, code, 0, nullptr, sizeof buffer, &length, buffer,
                                          count, args);
    EXPECT_EQ(length, strlen(buffer) + 1);
    return {st, buffer};
  }

  kq::test::TempDir root_{"kqmsg"};
  kq::test::EnvGuard env_;
};

// What `call(size, &length, buffer)` gives into `size` bytes of a '#'-filled buffer: the
// status, the text and the length reported. The byte after `size` must stay '#'.
using T = std::tuple<uint32_t, std::string, uint32_t>;
template <typename Call>
T IntoBuffer(uint32_t size, Call call) {
  std::vector<char> buffer(size + 2, '#');
  buffer[size + 1] = '\0';
  uint32_t length = 0;
  uint32_t st = call(size, &length, buffer.data());
  EXPECT_EQ(buffer[size], '#') << "wrote past " << size;
  return {st, size ? std::string(buffer.data()) : "", length};
}

inline STF_argument_t CharArg(char c) { return {STF_ARG_CHAR, 1, {.c = c}}; }
inline STF_argument_t IntArg(int32_t i) { return {STF_ARG_INT, 4, {.i = i}}; }
inline STF_argument_t DoubleArg(double d) { return {STF_ARG_DOUBLE, 8, {.d = d}}; }
inline STF_argument_t StringArg(const char *s) {
  return {STF_ARG_STRING, static_cast<int32_t>(strlen(s) + 1), {.p = s}};
}
inline STF_argument_t BytesArg(const void *p, int32_t length) {
  return {STF_ARG_BYTES, length, {.p = p}};
}

}  // namespace kq::msg::test

#endif
