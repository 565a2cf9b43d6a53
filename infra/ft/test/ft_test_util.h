// Shared helpers of the transfer tests.
#ifndef KQ_INFRA_FT_TEST_FT_TEST_UTIL_H
#define KQ_INFRA_FT_TEST_FT_TEST_UTIL_H

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "infra/ft.h"

namespace ft_test {

// Names in a directory, sorted, without "." and "..".
inline std::vector<std::string> Entries(const std::string &dir) {
  std::vector<std::string> names;
  for (const auto &entry : std::filesystem::directory_iterator(dir))
    names.push_back(entry.path().filename());
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

}  // namespace ft_test

#endif
