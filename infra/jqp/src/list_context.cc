// The continuation context of a listing: the server's bytes, kept as they came and
// handed back unchanged.
#include <cstring>

#include "private/jqp_result_int.h"

using kq::jqp::Allocate;
using kq::jqp::Release;

namespace {

bool BadBytes(int32_t length, const void *bytes) { return length < 0 || (length > 0 && !bytes); }

}  // namespace

extern "C" {

int ToGEN_listContext(STF_statusList_t *status, const ber_octets *wire, GEN_listContext_t **out) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, JQP_ST_BAD_VALUE);
  *out = nullptr;
  if (!wire) return 0;
  if (BadBytes(wire->length, wire->value)) return STF__Fail(status, JQP_ST_BAD_VALUE);
  auto *context = kq::jqp::AllocateRecord<GEN_listContext_t>();
  if (!context) return STF__Fail(status, JQP_ST_NO_MEMORY);
  // One byte at least, so that an empty context still has its (empty) bytes.
  context->value = static_cast<unsigned char *>(Allocate(wire->length ? wire->length : 1));
  if (!context->value) {
    Release(context);
    return STF__Fail(status, JQP_ST_NO_MEMORY);
  }
  if (wire->length) memcpy(context->value, wire->value, static_cast<size_t>(wire->length));
  context->length = wire->length;
  *out = context;
  return 0;
}

int FreeGEN_listContext(STF_statusList_t *status, GEN_listContext_t *record) {
  if (!status) return 1;
  if (!record) return 0;
  Release(record->value);
  Release(record);
  return 0;
}

int ToBER_listContext(STF_statusList_t *status, ber_octets *out, const GEN_listContext_t *in) {
  if (!status) return 1;
  if (!out || !in || BadBytes(in->length, in->value)) return STF__Fail(status, JQP_ST_BAD_VALUE);
  *out = ber_octets{0, nullptr};
  if (in->length == 0) return 0;
  auto *bytes = static_cast<uint8_t *>(Allocate(static_cast<size_t>(in->length)));
  if (!bytes) return STF__Fail(status, JQP_ST_NO_MEMORY);
  memcpy(bytes, in->value, static_cast<size_t>(in->length));
  *out = ber_octets{in->length, bytes};
  return 0;
}

int FreeBER_listContext(STF_statusList_t *status, ber_octets *wire) {
  if (!status) return 1;
  if (!wire) return STF__Fail(status, JQP_ST_NULL_RELEASE);
  Release(wire->value);
  *wire = ber_octets{0, nullptr};
  return 0;
}

}  // extern "C"
