// Randomized comparison with a plain reference model: sets with attributes and
// values, handles held by several holders, deletions, copies, overlays and appends.
// After every step each holder's handle must behave as the model says: live ones
// reach the right object, stale ones report a stale handle, and every handle has
// exactly as many users as there are holders of it.
#include <algorithm>
#include <map>
#include <random>
#include <set>

#include "as_test_support.h"

namespace kq::as::test {
namespace {

// The model: sets of attributes of values, each object with a key unique across kinds,
// and the holders of handles (kind, the key of the object held, the handle).
struct MVal {
  uint64_t key;
  int payload;
};
struct MAttr {
  uint64_t key;
  uint32_t id, type;
  std::vector<MVal> vals;
};
struct MSet {
  bool dup = false;
  std::vector<MAttr> attrs;
};
struct Holder {
  uint32_t kind;
  uint64_t key;
  void *handle;
};

class AsModelTest : public AsTest {
 protected:
  std::mt19937 rng;
  std::map<uint64_t, MSet> sets;  // live sets by key
  std::vector<Holder> holders;
  uint64_t nextKey = 1;
  int nextPayload = 1;

  uint32_t Pick(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(rng); }
  bool Chance(int percent) { return int(Pick(100)) < percent; }

  // The model attribute that is, or holds the value, `key` (keys are unique across
  // kinds), and its set; null when it is gone.
  MAttr *Owner(uint64_t key, MSet **setOut = nullptr) {
    for (auto &[k, s] : sets)
      for (MAttr &a : s.attrs)
        if (a.key == key ||
            std::any_of(a.vals.begin(), a.vals.end(), [&](const MVal &v) { return v.key == key; }))
          return setOut ? (*setOut = &s, &a) : &a;
    return nullptr;
  }
  bool Alive(const Holder &h) {
    return h.kind == kSetKind ? sets.count(h.key) != 0 : Owner(h.key) != nullptr;
  }

  // The model's lookup: first match, or the only match when duplicates are allowed.
  uint32_t ModelFind(MSet &s, uint32_t id, size_t *index) {
    auto same = [id](const MAttr &a) { return a.id == id; };
    auto first = std::find_if(s.attrs.begin(), s.attrs.end(), same);
    if (first == s.attrs.end()) return AS_ST_ATTR_NOT_FOUND;
    if (s.dup && std::count_if(s.attrs.begin(), s.attrs.end(), same) > 1)
      return AS_ST_AMBIGUOUS_ATTR;
    *index = size_t(first - s.attrs.begin());
    return 0;
  }
  static bool HasDuplicateIds(const MSet &s) {
    std::set<uint32_t> ids;
    for (const MAttr &a : s.attrs)
      if (!ids.insert(a.id).second) return true;
    return false;
  }
  MAttr CopyOf(const MAttr &a) {
    MAttr c{nextKey++, a.id, a.type, {}};
    for (const MVal &v : a.vals) c.vals.push_back({nextKey++, v.payload});
    return c;
  }

  void Hold(uint32_t kind, uint64_t key, void *handle) { holders.push_back({kind, key, handle}); }
  size_t HoldersOfSet(uint64_t key) {
    return std::count_if(holders.begin(), holders.end(),
                         [&](const Holder &h) { return h.kind == kSetKind && h.key == key; });
  }
  // A holder of the given kind, preferring live ones most of the time.
  Holder *AnyHolder(uint32_t kind) {
    std::vector<Holder *> of;
    for (Holder &h : holders)
      if (h.kind == kind) of.push_back(&h);
    return of.empty() ? nullptr : of[Pick(of.size())];
  }
  AS_setHandle_t SetOf(const Holder *h) { return static_cast<AS_setHandle_t>(h->handle); }
  void Drop(const Holder *h) { holders.erase(holders.begin() + (h - holders.data())); }

  uint32_t FreeOfKind(uint32_t kind, void **var) {
    return kind == kSetKind ? AS_FreeSetHandle(sl, reinterpret_cast<AS_setHandle_t *>(var))
           : kind == kAttrKind
               ? AS_FreeAttrHandle(sl, reinterpret_cast<AS_attrHandle_t *>(var))
               : AS_FreeAttrValHandle(sl, reinterpret_cast<AS_attrValHandle_t *>(var));
  }

  // Where the model adds values to `id`: the attribute found or a new one (index in
  // *i), else the status the library must refuse with.
  uint32_t Target(MSet &s, uint32_t id, uint32_t type, size_t *i) {
    uint32_t expected = ModelFind(s, id, i);
    if (expected == AS_ST_ATTR_NOT_FOUND) {
      s.attrs.push_back({nextKey++, id, type, {}});
      *i = s.attrs.size() - 1;
      return 0;
    }
    return expected == 0 && s.attrs[*i].type != type ? AS_ST_TYPE_MISMATCH : expected;
  }
  // Whether the model refuses (a nonzero `expected`); the call must then have failed so.
  bool Refused(uint32_t rc, uint32_t expected) {
    if (expected == 0) return false;
    EXPECT_EQ(rc, 1u);
    EXPECT_EQ(STF_GetStatus(sl), expected);
    return true;
  }

  void ExpectStale(uint32_t rc) { Refused(rc, AS_ST_STALE_HANDLE); }
  // A holder of the kind, or of a live set when `live`; null when there is none.
  Holder *Pick(uint32_t kind, bool live) {
    Holder *h = AnyHolder(kind);
    return h && (!live || Alive(*h)) ? h : nullptr;
  }

  // ---- Steps

  void CreateSet() {
    if (sets.size() >= 5) return;
    AS_setHandle_t set;
    const bool dup = Chance(30);
    ASSERT_EQ(AS_Create(sl, &set, &kCounting, dup), 0u);
    const uint64_t key = nextKey++;
    sets[key].dup = dup;
    Hold(kSetKind, key, set);
  }

  void DestroySet() {
    Holder *h = AnyHolder(kSetKind);
    if (h == nullptr) return;
    AS_setHandle_t set = SetOf(h);
    if (!Alive(*h)) return ExpectStale(AS_Destroy(sl, &set));
    ASSERT_EQ(AS_Destroy(sl, &set), 0u);
    EXPECT_EQ(set, AS_nullSetHandle);
    sets.erase(h->key);
    Drop(h);
  }

  void CopyHandle() {
    const uint32_t kind = Pick(3);
    Holder *h = AnyHolder(kind);
    if (h == nullptr) return;
    void *out = nullptr;
    uint32_t rc =
        kind == kSetKind ? AS_CopySetHandle(sl, SetOf(h), reinterpret_cast<AS_setHandle_t *>(&out))
        : kind == kAttrKind ? AS_CopyAttrHandle(sl, static_cast<AS_attrHandle_t>(h->handle),
                                                reinterpret_cast<AS_attrHandle_t *>(&out))
                            : AS_CopyAttrValHandle(sl, static_cast<AS_attrValHandle_t>(h->handle),
                                                   reinterpret_cast<AS_attrValHandle_t *>(&out));
    if (!Alive(*h)) return ExpectStale(rc);
    ASSERT_EQ(rc, 0u);
    EXPECT_EQ(out, h->handle);
    Hold(kind, h->key, out);
  }

  void FreeHandle() {
    const uint32_t kind = Pick(3);
    Holder *h = AnyHolder(kind);
    if (h == nullptr) return;
    // The last holder of a live set keeps it, or nobody could destroy it.
    if (kind == kSetKind && Alive(*h) && HoldersOfSet(h->key) == 1) return;
    void *var = h->handle;
    EXPECT_EQ(FreeOfKind(kind, &var), 0u);
    EXPECT_EQ(var, nullptr);
    EXPECT_EQ(STF_GetStatus(sl), Alive(*h) ? 0u : AS_ST_STALE_HANDLE);
    Drop(h);
  }

  void AddValue() {
    Holder *h = AnyHolder(kSetKind);
    if (h == nullptr) return;
    const uint32_t id = 1 + Pick(6);
    const uint32_t type = Chance(10) ? TypeOf(id) + 1 : TypeOf(id);
    TestValue *v = NewValue(nextPayload++);
    AS_attrHandle_t out = AS_nullAttrHandle;
    const bool wantOut = Chance(30);
    uint32_t rc = AS_AddAttrVal(sl, SetOf(h), id, type, v, &kDesc, wantOut ? &out : nullptr);
    if (!Alive(*h)) {
      FreeValue(v);
      return ExpectStale(rc);
    }
    MSet &s = sets[h->key];
    size_t i = 0;
    if (Refused(rc, Target(s, id, type, &i))) return FreeValue(v);
    ASSERT_EQ(rc, 0u) << std::hex << STF_GetStatus(sl);
    s.attrs[i].vals.push_back({nextKey++, v->payload});
    if (wantOut) Hold(kAttrKind, s.attrs[i].key, out);
  }

  void ReplaceValues() {
    Holder *h = Pick(kSetKind, true);
    if (h == nullptr) return;
    const uint32_t id = 1 + Pick(6);
    TestValue *v = NewValue(nextPayload++);
    uint32_t rc = AS_ReplaceAllAttrVals(sl, SetOf(h), id, TypeOf(id), v, &kDesc, nullptr);
    MSet &s = sets[h->key];
    size_t i = 0;
    if (Refused(rc, Target(s, id, TypeOf(id), &i))) return FreeValue(v);
    ASSERT_EQ(rc, 0u);
    s.attrs[i].vals = {{nextKey++, v->payload}};
  }

  void AddAttribute() {
    Holder *h = Pick(kSetKind, true);
    if (h == nullptr) return;
    const uint32_t id = 1 + Pick(6);
    uint32_t rc = AS_AddAttr(sl, SetOf(h), id, TypeOf(id), nullptr);
    MSet &s = sets[h->key];
    size_t i = 0;
    if (Refused(rc, !s.dup && ModelFind(s, id, &i) == 0 ? AS_ST_DUPLICATE_ATTR : 0)) return;
    ASSERT_EQ(rc, 0u);
    s.attrs.push_back({nextKey++, id, TypeOf(id), {}});
  }

  void FindAttribute() {
    Holder *h = AnyHolder(kSetKind);
    if (h == nullptr) return;
    const uint32_t id = 1 + Pick(6);
    AS_attrHandle_t out;
    uint32_t rc = AS_FindAttr(sl, SetOf(h), id, &out);
    if (!Alive(*h)) return ExpectStale(rc);
    MSet &s = sets[h->key];
    size_t i = 0;
    if (Refused(rc, ModelFind(s, id, &i))) return;
    ASSERT_EQ(rc, 0u);
    Hold(kAttrKind, s.attrs[i].key, out);
  }

  void FindValue() {
    Holder *h = AnyHolder(kAttrKind);
    if (h == nullptr) return;
    AS_attrValHandle_t out;
    uint32_t rc = AS_FindFirstAttrValR(sl, static_cast<AS_attrHandle_t>(h->handle), &out, nullptr);
    MAttr *a = Owner(h->key);
    if (a == nullptr) return ExpectStale(rc);
    if (Refused(rc, a->vals.empty() ? AS_ST_NO_VALUES : 0)) return;
    ASSERT_EQ(rc, 0u);
    // Walk on a random number of steps.
    size_t at = 0;
    for (uint32_t steps = Pick(3); steps > 0 && at + 1 < a->vals.size(); steps--, at++) {
      ASSERT_EQ(AS_FindNextAttrValVR(sl, &out, nullptr), 0u);
    }
    Hold(kValKind, a->vals[at].key, out);
  }

  void DeleteAttributeByHandle() {
    Holder *h = AnyHolder(kAttrKind);
    if (h == nullptr) return;
    auto var = static_cast<AS_attrHandle_t>(h->handle);
    uint32_t rc = AS_DeleteAttrR(sl, &var);
    MSet *s;
    MAttr *a = Owner(h->key, &s);
    if (a == nullptr) return ExpectStale(rc);
    ASSERT_EQ(rc, 0u);
    EXPECT_EQ(var, AS_nullAttrHandle);
    s->attrs.erase(s->attrs.begin() + (a - s->attrs.data()));
    Drop(h);
  }

  void DeleteAttributeById() {
    Holder *h = Pick(kSetKind, true);
    if (h == nullptr) return;
    const uint32_t id = 1 + Pick(6);
    uint32_t rc = AS_DeleteAttr(sl, SetOf(h), id);
    MSet &s = sets[h->key];
    size_t i = 0;
    if (Refused(rc, ModelFind(s, id, &i))) return;
    ASSERT_EQ(rc, 0u);
    s.attrs.erase(s.attrs.begin() + i);
  }

  void DeleteValue() {
    Holder *h = AnyHolder(kValKind);
    if (h == nullptr) return;
    auto var = static_cast<AS_attrValHandle_t>(h->handle);
    uint32_t rc = AS_DeleteAttrValVR(sl, &var);
    MAttr *a = Owner(h->key);
    if (a == nullptr) return ExpectStale(rc);
    ASSERT_EQ(rc, 0u);
    std::erase_if(a->vals, [&](const MVal &v) { return v.key == h->key; });
    Drop(h);
  }

  void CombineSets() {
    Holder *x = AnyHolder(kSetKind), *y = AnyHolder(kSetKind);
    if (x == nullptr || sets.size() >= 6) return;
    const uint64_t xk = x->key, yk = y->key;
    AS_setHandle_t out = AS_nullSetHandle;
    const uint32_t which = Pick(3);
    const bool allow = Chance(50);
    uint32_t rc = which == 0   ? AS_Copy(sl, &out, SetOf(x), &kCounting)
                  : which == 1 ? AS_Overlay(sl, &out, SetOf(x), SetOf(y), &kCounting)
                               : AS_Append(sl, &out, SetOf(x), SetOf(y), &kCounting, allow);
    if (sets.count(xk) == 0 || (which != 0 && sets.count(yk) == 0)) {
      EXPECT_TRUE(rc == 1 && out == AS_nullSetHandle);
      return;
    }
    const MSet &a = sets[xk];
    MSet result;
    if (which == 0) {
      result.dup = a.dup;
      for (const MAttr &m : a.attrs) result.attrs.push_back(CopyOf(m));
    } else {
      const MSet &b = sets[yk];
      bool refused = (a.dup && HasDuplicateIds(a)) || (b.dup && HasDuplicateIds(b));
      if (which == 2 && !allow) {
        for (const MAttr &m : a.attrs)
          for (const MAttr &n : b.attrs) refused = refused || m.id == n.id;
      } else if (which == 2) {
        refused = false;
      }
      if (Refused(rc, refused ? AS_ST_DUPLICATE_ATTR : 0)) return;
      result.dup = which == 2 ? a.dup : false;
      for (const MAttr &m : a.attrs) {
        bool replaced = which == 1 && std::any_of(b.attrs.begin(), b.attrs.end(),
                                                  [&](const MAttr &n) { return n.id == m.id; });
        if (!replaced) result.attrs.push_back(CopyOf(m));
      }
      for (const MAttr &n : b.attrs) result.attrs.push_back(CopyOf(n));
    }
    ASSERT_EQ(rc, 0u) << std::hex << STF_GetStatus(sl);
    const uint64_t key = nextKey++;
    sets[key] = result;
    Hold(kSetKind, key, out);
  }

  void FlipDuplicates() {
    Holder *h = Pick(kSetKind, true);
    if (h == nullptr) return;
    const bool allow = Chance(50);
    ASSERT_EQ(allow ? AS_AllowDuplicates(sl, SetOf(h)) : AS_DisallowDuplicates(sl, SetOf(h)), 0u);
    sets[h->key].dup = allow;
  }

  // ---- Checks

  void CheckEverything() {
    std::map<void *, uint32_t> holdCount;
    for (const Holder &h : holders) holdCount[h.handle]++;
    for (const Holder &h : holders) {
      SCOPED_TRACE(h.kind);
      EXPECT_EQ(HandleOf(static_cast<AS_setHandle_t>(h.handle))->userCount, holdCount[h.handle]);
      if (h.kind == kSetKind) {
        CheckSet(h);
        continue;
      }
      // An attribute handle reads its ID, a value handle its payload.
      uint32_t id;
      void *value;
      uint32_t rc = h.kind == kAttrKind
                        ? AS_GetAttrIDR(sl, static_cast<AS_attrHandle_t>(h.handle), &id)
                        : AS_GetAttrValVR(sl, static_cast<AS_attrValHandle_t>(h.handle), &value);
      MAttr *a = Owner(h.key);
      if (a == nullptr) {
        ExpectStale(rc);
        continue;
      }
      ASSERT_EQ(rc, 0u);
      auto v = std::find_if(a->vals.begin(), a->vals.end(),
                            [&](const MVal &m) { return m.key == h.key; });
      EXPECT_EQ(h.kind == kAttrKind ? id : uint32_t(PayloadOf(value)),
                h.kind == kAttrKind ? a->id : uint32_t(v->payload));
    }
  }

  void CheckSet(const Holder &h) {
    uint32_t count;
    uint32_t rc = AS_GetCount(sl, SetOf(&h), &count);
    if (!Alive(h)) return ExpectStale(rc);
    const MSet &m = sets[h.key];
    ASSERT_EQ(rc, 0u);
    ASSERT_EQ(count, m.attrs.size());
    EXPECT_EQ(Image(SetOf(&h)).duplicates, m.dup ? 1u : 0u);
    // The attributes and values, as the walking operations read them.
    std::string text;
    for (const MAttr &a : m.attrs) {
      text += (text.empty() ? "" : " ") + std::to_string(a.id) + "[";
      for (const MVal &v : a.vals) text += std::to_string(v.payload) + ",";
      text += "]";
    }
    EXPECT_EQ(Text(SetOf(&h)), text);
  }

  void DeleteAttribute() { Chance(50) ? DeleteAttributeByHandle() : DeleteAttributeById(); }

  // Adding values is three times as likely as each other step.
  static constexpr void (AsModelTest::*kSteps[16])() = {
      &AsModelTest::CreateSet,      &AsModelTest::DestroySet,    &AsModelTest::CopyHandle,
      &AsModelTest::FreeHandle,     &AsModelTest::AddValue,      &AsModelTest::AddValue,
      &AsModelTest::AddValue,       &AsModelTest::ReplaceValues, &AsModelTest::AddAttribute,
      &AsModelTest::FindAttribute,  &AsModelTest::FindValue,     &AsModelTest::DeleteAttribute,
      &AsModelTest::DeleteValue,    &AsModelTest::CombineSets,   &AsModelTest::FlipDuplicates,
      &AsModelTest::CheckEverything};

  void Run(uint32_t seed, int steps) {
    rng.seed(seed);
    for (int step = 0; step < steps && !HasFatalFailure() && !HasFailure(); step++) {
      SCOPED_TRACE(step);
      (this->*kSteps[Pick(16)])();
    }
    CheckEverything();
    // Give everything back: handles first, then each live set through its last holder.
    while (!holders.empty()) {
      Holder h = holders.back();
      if (h.kind == kSetKind && Alive(h) && HoldersOfSet(h.key) == 1) {
        AS_setHandle_t set = SetOf(&h);
        ASSERT_EQ(AS_Destroy(sl, &set), 0u);
        sets.erase(h.key);
      } else {
        void *var = h.handle;
        ASSERT_EQ(FreeOfKind(h.kind, &var), 0u);
      }
      holders.pop_back();
    }
    EXPECT_TRUE(sets.empty());
  }
};

TEST_F(AsModelTest, RandomOperationsAgreeWithTheModel) {
  for (uint32_t seed = 1; seed <= 100 && !HasFailure(); seed++) {
    SCOPED_TRACE(seed);
    Run(seed, 2000);
    ASSERT_TRUE(Counting().live.empty() && liveValues == 0 && Counting().badFrees == 0);
  }
}

}  // namespace
}  // namespace kq::as::test
