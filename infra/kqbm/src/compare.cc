// Key, name and abbreviation comparison. The tree is ordered by CompareKeys; name and
// abbreviation searches descend it with their own comparisons.
#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

#include "private/kqbm_db.h"

namespace kq::kqbm {

namespace {

// Tie over the common length: the shorter sorts first.
int ByLength(int alen, int blen) { return alen < blen ? kBefore : alen > blen ? kAfter : kEqual; }

// The "-"-separated components of a key taken as text (it ends at a NUL byte).
std::vector<std::string_view> Components(const uint8_t *p, int len) {
  const char *s = reinterpret_cast<const char *>(p);
  size_t n = strnlen(s, static_cast<size_t>(len));
  std::vector<std::string_view> out;
  size_t start = 0;
  for (size_t i = 0; i <= n; i++) {
    if (i == n || s[i] == '-') {
      out.emplace_back(s + start, i - start);
      start = i + 1;
    }
  }
  return out;
}

int CompareBytes(std::string_view a, std::string_view b, size_t n) {
  return memcmp(a.data(), b.data(), n);
}

}  // namespace

int CompareKeys(const uint8_t *a, int alen, const uint8_t *b, int blen) {
  if (!a || !b) return kNoKey;
  int n = alen < blen ? alen : blen;
  int c = n > 0 ? memcmp(a, b, static_cast<size_t>(n)) : 0;
  if (c < 0) return kBefore;
  if (c > 0) return kAfter;
  return ByLength(alen, blen);
}

int CompareNames(const uint8_t *a, int alen, const uint8_t *b, int blen, int caseMode) {
  if (!a || !b) return kNoKey;
  size_t n = static_cast<size_t>(alen < blen ? alen : blen);
  const char *as = reinterpret_cast<const char *>(a);
  const char *bs = reinterpret_cast<const char *>(b);
  int c = caseMode == 1 ? strncmp(as, bs, n) : strncasecmp(as, bs, n);
  if (c < 0) return kBefore;
  if (c > 0) return kAfter;
  return ByLength(alen, blen);
}

// An abbreviation matches a stored key when it is not longer, has as many components,
// and each pair of components agrees over the shorter one's length. Otherwise the
// first components tell on which side of the key the matches lie, or that it is
// undecided (the abbreviation's first component is a prefix of the key's).
int CompareKeysAbbrev(const uint8_t *a, int alen, const uint8_t *b, int blen) {
  if (!a || !b) return kNoKey;
  std::vector<std::string_view> ac = Components(a, alen), bc = Components(b, blen);
  if (alen <= blen) {
    size_t i = 0;
    for (; i < ac.size() && i < bc.size(); i++) {
      size_t n = std::min(ac[i].size(), bc[i].size());
      if (CompareBytes(ac[i], bc[i], n) != 0) break;
    }
    if (i == ac.size() && i == bc.size()) return kEqual;
  }
  size_t n = std::min(ac[0].size(), bc[0].size());
  int c = CompareBytes(ac[0], bc[0], n);
  if (c > 0) return kAfter;
  if (c < 0) return kBefore;
  return ac[0].size() > bc[0].size() ? kAfter : kUndecided;
}

}  // namespace kq::kqbm
