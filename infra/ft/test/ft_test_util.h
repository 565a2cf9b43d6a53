// Shared helpers of the transfer tests.
#ifndef KQ_INFRA_FT_TEST_FT_TEST_UTIL_H
#define KQ_INFRA_FT_TEST_FT_TEST_UTIL_H

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "infra/ft.h"

namespace ft_test {

// Names in a directory, sorted, without "." and "..".
inline std::vector<std::string> Entries(const std::string &dir) {
  std::vector<std::string> names;
  if (DIR *d = opendir(dir.c_str())) {
    while (dirent *e = readdir(d)) {
      std::string n = e->d_name;
      if (n != "." && n != "..") names.push_back(n);
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Deterministic bytes that are not a repeating pattern at any short period.
inline std::string Bytes(size_t n, uint32_t seed = 1) {
  std::string s(n, '\0');
  uint32_t x = seed * 2654435761u + 1;
  for (auto &c : s) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<char>(x >> 24);
  }
  return s;
}

// FNV-1a over a file or bytes, for big transfers.
inline uint64_t Fnv(const char *p, size_t n, uint64_t h = 1469598103934665603ull) {
  for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<uint8_t>(p[i])) * 1099511628211ull;
  return h;
}
inline uint64_t FileFnv(const std::string &path, uint64_t *size) {
  uint64_t h = 1469598103934665603ull;
  *size = 0;
  FILE *f = fopen(path.c_str(), "rb");
  if (!f) return 0;
  std::vector<char> block(1 << 20);
  size_t n;
  while ((n = fread(block.data(), 1, block.size(), f)) > 0) h = Fnv(block.data(), n, h), *size += n;
  fclose(f);
  return h;
}

}  // namespace ft_test

#endif
