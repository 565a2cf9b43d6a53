// libFuzzer harness: arbitrary bytes unpacked as a text, a name or a record that
// nests them (the first byte picks the value type). Whatever unpacks must pack again
// and come back equal; whatever does not must leave no record behind.
#include <cstdint>
#include <cstdlib>

#include "infra/genu.h"

namespace {

// Descriptor, message, text, simple name, descriptive name, distinguished name
// string, font reference, name or OID, object identification.
constexpr uint32_t kIds[] = {5, 16, 28, 27, 40, 6, 9, 18, 64};

void *Unpack(STF_statusList_t *s, uint32_t id, const uint8_t *data, size_t size,
             AS_valueDescriptor_t *desc) {
  OssBuf in{static_cast<int32_t>(size), const_cast<unsigned char *>(data)};
  void *rec = nullptr;
  if (JQP_UnpackAV(s, &in, id, &rec, desc)) return nullptr;
  if (!rec) abort();  // success hands out a record
  return rec;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 2 || size > 65536) return 0;
  uint32_t id = kIds[data[0] % (sizeof kIds / sizeof kIds[0])];
  STF_statusList_t *s = STF_CreateList(nullptr);
  AS_valueDescriptor_t desc{};
  void *rec = Unpack(s, id, data + 1, size - 1, &desc);
  if (rec) {
    OssBuf packed{0, nullptr};
    if (JQP_PackAV(s, id, rec, &packed)) abort();  // read => sendable
    AS_valueDescriptor_t desc2{};
    void *again = Unpack(s, id, packed.value, static_cast<size_t>(packed.length), &desc2);
    if (!again) abort();
    // Records the value compare has no rule for are only required to come back.
    int32_t order = 1;
    if (GEN_CompareAttrValue(s, id, rec, rec, &order) == 0 &&
        (GEN_CompareAttrValue(s, id, rec, again, &order) || order != 0))
      abort();
    desc2.deleteValue(s, again, nullptr);
    desc.deleteValue(s, rec, nullptr);
    free(packed.value);
  }
  STF_DeleteList(s);
  return 0;
}
