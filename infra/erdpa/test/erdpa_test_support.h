// What the error-result suites share: a counting allocator installed as the
// family's heap, the eight builders as a table, and the inputs they copy.
#ifndef KQ_INFRA_ERDPA_TEST_ERDPA_TEST_SUPPORT_H
#define KQ_INFRA_ERDPA_TEST_ERDPA_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "infra/erdpa.h"
#include "infra/genu.h"
#include "infra/svclog.h"
#include "kqtest.h"
#include "private/erdpa_int.h"

namespace kq::erdpa::test {

// Counts the blocks the family allocates and frees; fails every allocation from the
// `failAt`th on (counting from 0) when failAt is not negative.
struct CountingHeap {
  static inline long allocs = 0, frees = 0, failAt = -1;
  static void *Allocate(size_t size) {
    if (failAt >= 0 && allocs >= failAt) return nullptr;
    ++allocs;
    return malloc(size);
  }
  static void Deallocate(void *block) {
    if (block) ++frees;
    free(block);
  }
  static long Live() { return allocs - frees; }
  static constexpr AS_allocateDescriptor_t kDescriptor{Allocate, Deallocate};
};

// One builder called with everything a caller may give; each ignores what its kind
// does not take.
struct Builder {
  int32_t kind;
  const char *name;
  bool list;  // problems of the same kind are appended
  std::function<uint32_t(STF_statusList_t *, ERDPA_errorResult_t **, uint32_t, AS_attrHandle_t,
                         const GEN_ObjectIdent_t *, const GEN_ErrorMsg_t *)>
      add;
};

// Indexed by kind - 1.
inline const Builder kBuilders[8] = {
    {ERDPA_UPDATE_ERROR, "update", false,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *o, auto *m) {
       return ERDPA_Update(s, r, p, o, m);
     }},
    {ERDPA_ATTRIBUTE_ERROR, "attribute", true,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t a, auto *o, auto *m) {
       return ERDPA_Attribute(s, r, p, a, o, m);
     }},
    {ERDPA_DOCUMENT_ACCESS_ERROR, "document access", false,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *o, auto *m) {
       return ERDPA_DocumentAccess(s, r, p, o, m);
     }},
    {ERDPA_SELECTION_ERROR, "selection", true,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t a, auto *o, auto *m) {
       return ERDPA_Selection(s, r, p, a, o, m);
     }},
    {ERDPA_PRINTER_ERROR, "printer", false,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *o, auto *m) {
       return ERDPA_Printer(s, r, p, o, m);
     }},
    {ERDPA_ACCESS_ERROR, "access", true,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *o, auto *m) {
       return ERDPA_Access(s, r, p, o, m);
     }},
    {ERDPA_SERVICE_ERROR, "service", true,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t a, auto *o, auto *m) {
       return ERDPA_Service(s, r, p, a, o, m);
     }},
    {ERDPA_SECURITY_ERROR, "security", false,
     [](auto *s, auto **r, uint32_t p, AS_attrHandle_t, auto *, auto *m) {
       return ERDPA_Security(s, r, p, m);
     }},
};

// The problems an error result holds, in order: (problem form, problem, message).
struct Held {
  int32_t form;
  uint32_t problem;
  std::string message;
  bool operator==(const Held &) const = default;
};

inline std::string MessageText(const GEN_ErrorMsg_t *m) {
  char *s = ErrorMessageData2String(m);
  std::string out = s ? s : "";
  free(s);
  return out;
}

inline std::vector<Held> Problems(const ERDPA_errorResult_t *r) {
  std::vector<Held> out;
  auto add = [&](int32_t f, uint32_t p, const GEN_ErrorMsg_t *m) {
    out.push_back({f, p, MessageText(m)});
  };
  switch (r->kind) {
    case ERDPA_UPDATE_ERROR:
    case ERDPA_DOCUMENT_ACCESS_ERROR:
    case ERDPA_PRINTER_ERROR: {
      auto *d = static_cast<const ERDPA_objectProblem_t *>(r->details);
      add(d->problemForm, d->problem, d->errorMessage);
      break;
    }
    case ERDPA_SECURITY_ERROR: {
      auto *d = static_cast<const ERDPA_securityError_t *>(r->details);
      add(d->problemForm, d->problem, d->errorMessage);
      break;
    }
    case ERDPA_ATTRIBUTE_ERROR:
      for (auto *p = static_cast<const ERDPA_attributeError_t *>(r->details)->problems; p;
           p = p->next)
        add(p->problemForm, p->problem, p->errorMessage);
      break;
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      for (auto *p = static_cast<const ERDPA_selectionItem_t *>(r->details); p; p = p->next)
        add(p->problemForm, p->problem, p->errorMessage);
      break;
    case ERDPA_ACCESS_ERROR:
      for (auto *p = static_cast<const ERDPA_accessItem_t *>(r->details); p; p = p->next)
        add(p->problemForm, p->problem, p->errorMessage);
      break;
  }
  return out;
}

// Runs `emit` inside an open service-log message and gives back the text it added,
// every line without its head (severity, thread, stamp and " | ").
template <typename Fn>
std::string Captured(Fn emit) {
  kq::test::LogCapture log("X");
  EXPECT_EQ(LOG_StartMessage(LOG_SEV_DIAG, nullptr, 0, nullptr), 1);
  emit();
  LOG_EndMessage();
  std::string text;
  for (const std::string &line : kq::test::Lines(log.Text())) {
    size_t bar = line.find(" | ");
    text += (bar == std::string::npos ? line : line.substr(bar + 3)) + "\n";
  }
  return text;
}

// Installs the counting heap, and holds the inputs: two jobs to name, messages, and
// a set with one copy-count attribute of two values.
class ErdpaTest : public ::testing::Test {
 protected:
  static constexpr uint32_t kCopyCount = 352;  // id-att-copy-count, cardinal values

  void SetUp() override {
    CountingHeap::allocs = CountingHeap::frees = 0;
    CountingHeap::failAt = -1;
    SetHeap(&CountingHeap::kDescriptor);
    jobA = Job("job-A");
    jobB = Job("job-B");
    ASSERT_EQ(AS_Create(s, &source, nullptr, 0), 0u);
    GEN_Integer_t one = 1, two = 2;
    ASSERT_EQ(AS_AddAttrValM(s, source, kCopyCount, 1, &one, &GENU_CardinalDesc, &attr), 0u);
    ASSERT_EQ(AS_AddAttrValMR(s, attr, 1, &two, &GENU_CardinalDesc), 0u);
  }

  void TearDown() override {
    for (auto &[text, m] : messages_) GEN_DeleteErrorMsg(s, m, nullptr);
    AS_FreeAttrHandle(s, &attr);
    AS_Destroy(s, &source);
    SetHeap(nullptr);
  }

  static GEN_ObjectIdent_t Job(const char *id) {
    GEN_ObjectIdent_t o{};
    o.choice = 1;
    snprintf(o.u.job.value, sizeof o.u.job.value, "%s", id);
    return o;
  }

  // A message of `text` (kept until the end of the test).
  const GEN_ErrorMsg_t *Msg(const std::string &text) {
    auto &m = messages_[text];
    if (!m) {
      EXPECT_EQ(GENU_MakeErrorMsg(s, &m, text.c_str(), nullptr), 0u);
    }
    return m;
  }

  kq::test::StatusList s;
  GEN_ObjectIdent_t jobA{}, jobB{};
  AS_setHandle_t source = AS_nullSetHandle;
  AS_attrHandle_t attr = AS_nullAttrHandle;

 private:
  std::map<std::string, GEN_ErrorMsg_t *> messages_;
};

}  // namespace kq::erdpa::test

#endif
