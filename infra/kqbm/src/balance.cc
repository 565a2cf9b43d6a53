// Plans of the balancing steps of a store: how many entries move to a sibling, and
// how two full pages are spread over three.
#include <algorithm>
#include <climits>

#include "private/kqbm_balance.h"

namespace kq::kqbm {

void Run::Finish() {
  sum.assign(sz.size() + 1, 0);
  for (size_t i = 0; i < sz.size(); i++) sum[i + 1] = sum[i] + sz[i];
}

int Run::Bytes(size_t b, size_t e) const {
  if (e <= b) return 0;
  int bytes = sum[e] - sum[b];
  return type == kLeafNode ? bytes : bytes - sz[e - 1];
}

int Run::Entries(size_t b, size_t e) const {
  if (e <= b) return 0;
  return static_cast<int>(type == kLeafNode ? e - b : e - b - 1);
}

bool Run::PageOk(size_t b, size_t e) const {
  if (e <= b) return false;
  if (type != kLeafNode && e - b < 2) return false;
  return Entries(b, e) <= kMaxEntries && Bytes(b, e) <= Area(type);
}

Run MakeRun(uint8_t type, const Seq &s) {
  Run r{type == kLeafNode ? kLeafNode : kInnerNode, {}, {}};
  r.sz.reserve(s.size());
  for (const Entry &e : s) {
    int k = static_cast<int>(e.key.size());
    r.sz.push_back(type == kLeafNode ? ItemSize(k, static_cast<int>(e.content.size()))
                                     : FieldSize(k));
  }
  r.Finish();
  return r;
}

int PlanShiftRight(const Run &r, size_t nx, int newAt) {
  const bool leaf = r.type == kLeafNode;
  const size_t n = r.size();
  int sibling = r.Entries(nx, n);
  if (leaf ? sibling > 30 : sibling >= 30) return -1;
  int half = (r.Entries(0, nx) + sibling) / 2;
  if (!leaf && half >= kMaxEntries) return -1;
  // A new item that would end this page goes to the front of the sibling instead.
  size_t cut = leaf && nx > 0 && newAt == static_cast<int>(nx) - 1 ? nx - 1 : nx;
  while (cut > 0 && r.Free(0, cut) < r.Free(cut, n)) {
    if (r.Entries(cut - 1, n) > kMaxEntries) break;
    if (!leaf && r.Entries(0, cut - 1) < half) break;
    if (r.Free(cut - 1, n) < 0) return -1;
    cut--;
  }
  size_t moved = nx - cut;
  if (newAt >= static_cast<int>(cut) && newAt < static_cast<int>(nx)) moved--;
  if (moved == 0 || cut == 0) return -1;
  if (!r.PageOk(0, cut) || !r.PageOk(cut, n)) return -1;
  return static_cast<int>(cut);
}

int PlanShiftLeft(const Run &r, size_t nl, int newAt) {
  const bool leaf = r.type == kLeafNode;
  const size_t n = r.size();
  int sibling = r.Entries(0, nl);
  if (leaf ? sibling > 30 : sibling >= 30) return -1;
  int half = (r.Entries(nl, n) + sibling) / 2;
  if (!leaf && half >= kMaxEntries) return -1;
  // A new item that would start this page goes to the end of the sibling instead.
  size_t cut = leaf && newAt == static_cast<int>(nl) && nl < n ? nl + 1 : nl;
  while (cut < n && r.Free(cut, n) < r.Free(0, cut)) {
    if (r.Entries(0, cut + 1) > kMaxEntries) break;
    if (!leaf && r.Entries(cut + 1, n) < half) break;
    if (r.Free(0, cut + 1) < 0) return -1;
    cut++;
  }
  size_t moved = cut - nl;
  if (newAt >= static_cast<int>(nl) && newAt < static_cast<int>(cut)) moved--;
  if (moved == 0 || cut == n) return -1;
  if (!r.PageOk(0, cut) || !r.PageOk(cut, n)) return -1;
  return static_cast<int>(cut);
}

bool PlanSplit(const Run &r, size_t nl, int newAt, size_t *b1, size_t *b2) {
  // Spread the old entries by count, a third to each page, as far as bytes allow;
  // then the new entry joins the page of the entry it precedes.
  Run o = r;
  if (newAt >= 0) o.sz.erase(o.sz.begin() + newAt);
  o.Finish();
  const size_t n = o.size();
  const size_t a = newAt >= 0 && static_cast<size_t>(newAt) < nl ? nl - 1 : nl;
  const size_t t = n / 3;
  auto fits = [&](size_t b, size_t e) {
    return o.Entries(b, e) <= kMaxEntries && o.Bytes(b, e) <= Area(o.type);
  };
  size_t bl, bm;
  if (a > t) {
    bl = t;
    bm = a;
    if (bm - bl > t) {
      while (bm - bl > t && fits(bm - 1, n)) bm--;
    } else if (n - bm > t) {
      while (n - bm > t && fits(bl, bm + 1)) bm++;
    }
  } else {
    bl = a;
    bm = n - t;
    if (bm - bl > t) {
      while (bm - bl > t && fits(0, bl + 1)) bl++;
    } else if (bl > t) {
      while (bl > t && fits(bl - 1, bm)) bl--;
    }
  }
  auto map = [&](size_t b) { return newAt < 0 || b <= static_cast<size_t>(newAt) ? b : b + 1; };
  *b1 = map(bl);
  *b2 = map(bm);
  if (r.PageOk(0, *b1) && r.PageOk(*b1, *b2) && r.PageOk(*b2, r.size())) return true;
  std::vector<size_t> cuts;
  if (!PlanEven(r, 3, cuts)) return false;
  *b1 = cuts[0];
  *b2 = cuts[1];
  return true;
}

bool PlanEven(const Run &r, int pages, std::vector<size_t> &cuts) {
  const size_t n = r.size();
  int best = INT_MAX;
  cuts.clear();
  if (pages == 2) {
    for (size_t c = 1; c < n; c++) {
      if (!r.PageOk(0, c) || !r.PageOk(c, n)) continue;
      int worst = std::max(r.Bytes(0, c), r.Bytes(c, n));
      if (worst < best) {
        best = worst;
        cuts = {c};
      }
    }
  } else if (pages == 3) {
    for (size_t c1 = 1; c1 < n; c1++) {
      if (!r.PageOk(0, c1)) continue;
      for (size_t c2 = c1 + 1; c2 < n; c2++) {
        if (!r.PageOk(c1, c2) || !r.PageOk(c2, n)) continue;
        int worst = std::max({r.Bytes(0, c1), r.Bytes(c1, c2), r.Bytes(c2, n)});
        if (worst < best) {
          best = worst;
          cuts = {c1, c2};
        }
      }
    }
  }
  return !cuts.empty();
}

}  // namespace kq::kqbm
