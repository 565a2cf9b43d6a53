// Streams for driving a kq subcommand from a test: temporary files read back
// afterwards.
#ifndef KQ_TOOLS_KQ_TEST_CAPTURED_H
#define KQ_TOOLS_KQ_TEST_CAPTURED_H

#include <cstdio>
#include <string>

namespace kq::test {

struct Captured {
  FILE *in = tmpfile(), *out = tmpfile(), *err = tmpfile();
  Captured() = default;
  Captured(const Captured &) = delete;
  Captured &operator=(const Captured &) = delete;
  ~Captured() {
    for (FILE *f : {in, out, err}) fclose(f);
  }
  static std::string Read(FILE *f) {
    std::string s;
    rewind(f);
    for (int c; (c = fgetc(f)) != EOF;) s += static_cast<char>(c);
    return s;
  }
  std::string Out() const { return Read(out); }
  std::string Err() const { return Read(err); }
  // Puts `bytes` on the input stream, ready to be read from the start.
  void Input(const std::string &bytes) {
    fwrite(bytes.data(), 1, bytes.size(), in);
    rewind(in);
  }
};

}  // namespace kq::test

#endif
