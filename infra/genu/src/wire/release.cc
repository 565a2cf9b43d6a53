// The release operations of wire structures and generic records, and the helpers
// that undo several partial results at once on a failure path.
#include <cstdarg>
#include <cstdlib>
#include <cstring>

#include "private/genu_wire_int.h"

namespace genu = kq::genu;

namespace kq::genu {

void *WireAlloc(size_t size) {
  OssGlobal *world = GENU_GetWorld();
  void *block = world ? world->mallocp(size ? size : 1) : malloc(size ? size : 1);
  if (block) memset(block, 0, size);
  return block;
}

void WireFree(void *block) {
  if (!block) return;
  OssGlobal *world = GENU_GetWorld();
  if (world)
    world->freep(block);
  else
    free(block);
}

}  // namespace kq::genu

extern "C" {

int FreeBER_Multiple(STF_statusList_t *status, ...) {
  va_list ap;
  va_start(ap, status);
  int failed = 0;
  while (GENU_freeBER_t release = va_arg(ap, GENU_freeBER_t)) {
    void *object = va_arg(ap, void *);
    if (object && release(status, object)) failed = 1;
  }
  va_end(ap);
  return failed;
}

int FreeGEN_Multiple(STF_statusList_t *status, const AS_allocateDescriptor_t *alloc, ...) {
  if (!alloc) alloc = &genu_sysAllocator;
  va_list ap;
  va_start(ap, alloc);
  int failed = 0;
  while (GENU_freeGEN_t release = va_arg(ap, GENU_freeGEN_t)) {
    void *object = va_arg(ap, void *);
    if (object && release(status, alloc, object)) failed = 1;
  }
  va_end(ap);
  return failed;
}

int FreeBER_void(STF_statusList_t *status, void *block) {
  (void)status;
  genu::WireFree(block);
  return 0;
}

int FreeBER_noOp(STF_statusList_t *status, void *wire) {
  (void)status;
  (void)wire;
  return 0;
}

int FreeGEN_void(STF_statusList_t *status, const AS_allocateDescriptor_t *alloc, void *block) {
  (void)status;
  (void)alloc;
  free(block);
  return 0;
}

int FreeBER_octetString(STF_statusList_t *status, ber_octets *wire) {
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  genu::WireFree(wire->value);
  wire->value = nullptr;
  wire->length = 0;
  return 0;
}

int FreeBER_Any(STF_statusList_t *status, ber_octets *wire) {
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  if (wire->length > 0) genu::WireFree(wire->value);
  *wire = ber_octets{0, nullptr};
  return 0;
}

}  // extern "C"
