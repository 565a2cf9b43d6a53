// libFuzzer harness: arbitrary bytes unpacked as a value of any type the packer
// knows (the first byte picks the value type). Whatever unpacks must pack again and
// come back equal; whatever does not must leave no record behind.
#include <cstdint>
#include <cstdlib>

#include "infra/genu.h"
#include "private/genu_layout.h"
#include "private/genu_wire_int.h"

namespace {

struct Ids {
  uint32_t id[128];
  uint32_t count;
  Ids() : count(kq::genu::WireTypeIds(id, 128)) {}
};
const Ids &PackedIds() {
  static const Ids ids;
  return ids;
}

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
  const Ids &ids = PackedIds();
  uint32_t id = ids.id[data[0] % ids.count];
  STF_statusList_t *s = STF_CreateList(nullptr);
  AS_valueDescriptor_t desc{};
  void *rec = Unpack(s, id, data + 1, size - 1, &desc);
  if (rec) {
    OssBuf packed{0, nullptr};
    if (JQP_PackAV(s, id, rec, &packed)) abort();  // read => sendable
    AS_valueDescriptor_t desc2{};
    void *again = Unpack(s, id, packed.value, static_cast<size_t>(packed.length), &desc2);
    if (!again) abort();
    // Records the value compare has no rule for are compared field by field.
    int32_t order = 1;
    if (GEN_CompareAttrValue(s, id, rec, rec, &order) == 0) {
      if (GEN_CompareAttrValue(s, id, rec, again, &order) || order != 0) abort();
    } else if (kq::genu::CompareStruct(s, kq::genu::LayoutOfType(id), rec, again, &order) ||
               order != 0) {
      abort();
    }
    desc2.deleteValue(s, again, nullptr);
    desc.deleteValue(s, rec, nullptr);
    free(packed.value);
  }
  STF_DeleteList(s);
  return 0;
}
