// Blocks from the calling thread's coding world: the allocator that wire structures
// and the records made from them share, so that one allocator serves a whole
// exchange. The result conversions of the protocol client allocate through it too.
#ifndef KQ_INFRA_GENU_IFACE_INTERNAL_GENU_WORLD_ALLOC_H
#define KQ_INFRA_GENU_IFACE_INTERNAL_GENU_WORLD_ALLOC_H

#include <cstddef>

namespace kq::genu {

// A zero-filled block from the calling thread's world (the process heap without one);
// null when memory ran out.
void *WireAlloc(size_t size);
// Gives a block of WireAlloc back; null is allowed.
void WireFree(void *block);

}  // namespace kq::genu

#endif
