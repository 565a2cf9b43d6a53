// Large sets find attributes through an index beside their list. These tests drive sets
// across the size where the index starts, add and delete attributes (duplicates
// included) and compare every look-up with a model of the list; and they fail each
// allocation of the operations that build the index, which must refuse cleanly.
#include <algorithm>
#include <functional>
#include <set>

#include "as_test_support.h"

namespace kq::as::test {
namespace {

// The model: the set's attributes in list order, each an ID and a tag (its value type,
// which tells attributes with the same ID apart).
struct ModelAttr {
  uint32_t id, tag;
};

struct Scenario {
  const char *name;
  uint32_t duplicates;   // the set's flag
  uint32_t adds;         // attributes added, IDs from IdAt
  uint32_t idRange;      // IDs are taken modulo this: a small range repeats IDs; in a
                         // large one they are scattered, so that hash slots collide
  uint32_t deleteEvery;  // then every n-th attribute in list order is deleted (0: none)
};

uint32_t IdAt(uint32_t i, uint32_t range) {
  return 1000 + (range > 100000 ? (i * 2654435761u) ^ 0x5bd1e995u : i * 37) % range;
}

class AsIndexTest : public AsTest {
 protected:
  static bool Indexed(AS_setHandle_t set) {
    return static_cast<const Set *>(HandleOf(set)->objectRef)->index != nullptr;
  }

  // Checks the set's order and every ID from 999 to the top of the range against the model.
  // Every ID ever added is probed, and 999, which never is.
  void Check(AS_setHandle_t set, const std::vector<ModelAttr> &model, uint32_t duplicates) {
    std::vector<ModelAttr> listed;
    AS_attrHandle_t walk;
    uint32_t id;
    for (uint32_t rc = AS_FindFirstAttr(sl, set, &walk, &id); rc == 0;
         rc = AS_FindNextAttrR(sl, &walk, &id)) {
      listed.push_back({id, OUT(uint32_t, AS_GetAttrValTypeR(sl, walk, &out))});
    }
    if (!listed.empty()) AS_FreeAttrHandle(sl, &walk);
    ASSERT_EQ(listed.size(), model.size());
    for (size_t i = 0; i < model.size(); i++) {
      ASSERT_EQ(listed[i].id, model[i].id) << "position " << i;
      ASSERT_EQ(listed[i].tag, model[i].tag) << "position " << i;
    }
    for (uint32_t want : probes) {
      SCOPED_TRACE("ID " + std::to_string(want));
      uint32_t count = 0;
      const ModelAttr *first = nullptr;
      for (const ModelAttr &m : model) {
        if (m.id != want) continue;
        if (first == nullptr) first = &m;
        count++;
      }
      EXPECT_EQ(OUT(uint32_t, AS_IsAttrPresent(sl, set, want, &out)), count != 0 ? 1u : 0u);
      AS_attrHandle_t found = AS_nullAttrHandle;
      if (count == 0) {
        EXPECT_FAILS(AS_FindAttr(sl, set, want, &found), AS_ST_ATTR_NOT_FOUND);
      } else if (count > 1 && duplicates != 0) {
        EXPECT_FAILS(AS_FindAttr(sl, set, want, &found), AS_ST_AMBIGUOUS_ATTR);
      } else {
        ASSERT_EQ(AS_FindAttr(sl, set, want, &found), 0u);
        EXPECT_EQ(OUT(uint32_t, AS_GetAttrValTypeR(sl, found, &out)), first->tag);
        AS_FreeAttrHandle(sl, &found);
      }
    }
  }

  std::set<uint32_t> probes;

  // Deletes the attribute at `position` in list order.
  void DeleteAt(AS_setHandle_t set, size_t position) {
    AS_attrHandle_t walk;
    ASSERT_EQ(AS_FindFirstAttr(sl, set, &walk, nullptr), 0u);
    for (size_t i = 0; i < position; i++) ASSERT_EQ(AS_FindNextAttrR(sl, &walk, nullptr), 0u);
    ASSERT_EQ(AS_DeleteAttrR(sl, &walk), 0u);
  }
};

// Sizes around the index's threshold and well above it; ID ranges that repeat IDs in
// sets that allow duplicates, deletions that take out first, middle and last holders of
// an ID, and the copy of each set (built with the index reserved up front).
TEST_F(AsIndexTest, LookUpsAgreeWithTheListAcrossAddsDeletesAndCopies) {
  const Scenario kScenarios[] = {
      {"below the threshold", 0, kIndexFrom - 1, 1000, 0},
      {"at the threshold", 0, kIndexFrom, 1000, 0},
      {"large, unique IDs", 0, 700, 1000, 3},
      {"large, every ID deleted in turn", 0, 300, 1000, 1},
      {"large, scattered IDs", 0, 3000, 1u << 30, 3},
      {"large, scattered IDs, half deleted", 0, 1500, 1u << 30, 2},
      {"duplicates, small range", 1, 200, 23, 4},
      {"duplicates, range of one", 1, 40, 1, 3},
      {"duplicates, above the threshold only after repeats", 1, 64, 17, 5},
  };
  for (const Scenario &s : kScenarios) {
    SCOPED_TRACE(s.name);
    AS_setHandle_t set = NewSet(s.duplicates);
    std::vector<ModelAttr> model;
    probes = {999};
    for (uint32_t i = 0; i < s.adds; i++) {
      const uint32_t id = IdAt(i, s.idRange);
      if (s.duplicates == 0 &&
          std::any_of(model.begin(), model.end(), [&](const ModelAttr &m) { return m.id == id; })) {
        EXPECT_FAILS(AS_AddAttr(sl, set, id, 1, nullptr), AS_ST_DUPLICATE_ATTR);
        continue;
      }
      ASSERT_EQ(AS_AddAttr(sl, set, id, i, nullptr), 0u);
      model.push_back({id, i});
      probes.insert(id);
    }
    Check(set, model, s.duplicates);
    if (s.deleteEvery != 0) {
      for (size_t pos = 0; pos < model.size();) {
        DeleteAt(set, pos);
        model.erase(model.begin() + long(pos));
        pos += s.deleteEvery - 1;
      }
      Check(set, model, s.duplicates);
      // Attributes added after the deletions land in the slots the deletions freed.
      for (uint32_t i = 0; i < 20; i++) {
        const uint32_t id = 1000 + s.idRange + i;
        ASSERT_EQ(AS_AddAttr(sl, set, id, 5000 + i, nullptr), 0u);
        model.push_back({id, 5000 + i});
        probes.insert(id);
      }
      Check(set, model, s.duplicates);
    }
    AS_setHandle_t copy = AS_nullSetHandle;
    ASSERT_EQ(AS_Copy(sl, &copy, set, &kCounting), 0u);
    sets_.push_back(copy);
    Check(copy, model, s.duplicates);
    Destroy(copy);
    Destroy(set);
  }
}

// The operations that link attributes into a set that is at the threshold: each of
// their allocations (the index's included) fails in turn; every failure reports the
// shortage and leaves the set as it was, and the first success finds everything.
TEST_F(AsIndexTest, EveryAllocationOfCrossingTheThresholdCanFailCleanly) {
  // What the operations take from outside the set, made before allocations start failing.
  struct Inputs {
    TestValue *value;
    AS_setHandle_t other;  // holds attribute 5000
    AS_setHandle_t made = AS_nullSetHandle;
    bool valueTaken = false;
  };
  const struct {
    const char *name;
    uint32_t attrs;  // in the set before the operation
    std::function<uint32_t(AS_setHandle_t set, Inputs &in)> op;
  } kOps[] = {
      {"AddAttr", kIndexFrom - 1,
       [&](AS_setHandle_t set, Inputs &) { return AS_AddAttr(sl, set, 5000, 3, nullptr); }},
      {"AddAttrVal", kIndexFrom - 1,
       [&](AS_setHandle_t set, Inputs &in) {
         uint32_t rc = AS_AddAttrVal(sl, set, 5000, 3, in.value, &kDesc, nullptr);
         in.valueTaken = rc == 0;
         return rc;
       }},
      {"CopyAttr", kIndexFrom - 1,
       [&](AS_setHandle_t set, Inputs &in) {
         return AS_CopyAttr(sl, set, in.other, 5000, nullptr);
       }},
      {"Copy", kIndexFrom,
       [&](AS_setHandle_t set, Inputs &in) { return AS_Copy(sl, &in.made, set, &kCounting); }},
  };
  for (const auto &op : kOps) {
    SCOPED_TRACE(op.name);
    for (uint64_t n = 1;; n++) {
      ASSERT_LT(n, 200u) << "never succeeded";
      AS_setHandle_t set = NewSet();
      for (uint32_t i = 0; i < op.attrs; i++) Add(set, 1000 + i, {int(i)});
      Inputs in{NewValue(7), NewSet()};
      Add(in.other, 5000, {1});
      const SetImage before = Image(set);
      Counting().FailNth(n);
      const uint32_t rc = op.op(set, in);
      Counting().NoFailure();
      const std::vector<uint32_t> codes = sl.Codes();
      if (!in.valueTaken) FreeValue(in.value);
      Destroy(in.other);
      if (rc != 0) {
        // The shortage, or a test value's copy function that ran short.
        if (codes != std::vector<uint32_t>{AS_ST_COPY_FAILED, kCopyFailCode}) {
          EXPECT_EQ(codes, std::vector<uint32_t>{AS_ST_NO_MEMORY}) << "allocation " << n;
        }
        EXPECT_EQ(Image(set), before) << "allocation " << n;
        Destroy(set);
        continue;
      }
      AS_setHandle_t found = in.made != AS_nullSetHandle ? in.made : set;
      if (in.made != AS_nullSetHandle) sets_.push_back(in.made);
      EXPECT_TRUE(Indexed(found));
      for (uint32_t i = 0; i < op.attrs; i++)
        EXPECT_EQ(OUT(uint32_t, AS_IsAttrPresent(sl, found, 1000 + i, &out)), 1u);
      EXPECT_GT(n, 1u) << "the operation made no allocation that could fail";
      if (in.made != AS_nullSetHandle) Destroy(in.made);
      Destroy(set);
      break;
    }
  }
}

}  // namespace
}  // namespace kq::as::test
