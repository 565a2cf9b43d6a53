// The heap test double (see heap_double.h). Nothing here may allocate: the blocks are
// kept in a fixed open-addressing table.
#include "heap_double.h"

#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define KQ_HEAP_DOUBLE 0
#else
#define KQ_HEAP_DOUBLE 1
#endif

namespace kq::jqp::test {
namespace {

constexpr size_t kSlots = 1u << 16;  // far more than one conversion makes
void *const kGone = reinterpret_cast<void *>(1);
struct State {
  bool open, failing;
  uint64_t failAt, attempts;
  size_t live;
  void *slots[kSlots];
} g;

size_t Hash(void *p) { return (reinterpret_cast<uintptr_t>(p) >> 4) * 0x9e3779b97f4a7c15u >> 48; }

// Keeps `p` (a new block) while the book is open; returns it.
[[maybe_unused]] void *Keep(void *p) {
  if (!p || !g.open) return p;
  size_t i = Hash(p);
  while (g.slots[i] && g.slots[i] != kGone) i = (i + 1) % kSlots;
  g.slots[i] = p, ++g.live;
  return p;
}

[[maybe_unused]] void Forget(void *p) {
  if (!p || !g.live) return;
  size_t i = Hash(p);
  while (g.slots[i] && g.slots[i] != p) i = (i + 1) % kSlots;
  if (g.slots[i]) g.slots[i] = kGone, --g.live;
}

// Whether this allocation attempt is the one to fail.
[[maybe_unused]] bool Fails() {
  if (!g.open) return false;
  ++g.attempts;
  return g.failing && g.attempts == g.failAt;
}

}  // namespace

void HeapBook::Open(uint64_t failAt) {
  Close();
  g.failAt = failAt;
  g.failing = failAt != 0;
  g.open = true;
}
void HeapBook::StopFailing() { g.failing = false; }
void HeapBook::Close() {
  g.open = g.failing = false;
  g.attempts = g.failAt = 0;
  g.live = 0;
  for (void *&slot : g.slots) slot = nullptr;
}
uint64_t HeapBook::Attempts() { return g.attempts; }
size_t HeapBook::Live() { return g.live; }
bool HeapBook::Available() { return KQ_HEAP_DOUBLE; }

}  // namespace kq::jqp::test

#if KQ_HEAP_DOUBLE
using kq::jqp::test::Fails;
using kq::jqp::test::Forget;
using kq::jqp::test::Keep;

extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *block, size_t size);
void __libc_free(void *block);

void *malloc(size_t size) { return Fails() ? nullptr : Keep(__libc_malloc(size)); }
void *calloc(size_t count, size_t size) {
  return Fails() ? nullptr : Keep(__libc_calloc(count, size));
}
void *realloc(void *block, size_t size) {
  if (!block) return malloc(size);
  if (size == 0) return Forget(block), __libc_realloc(block, 0);
  if (Fails()) return nullptr;
  void *p = __libc_realloc(block, size);
  if (p) Forget(block), Keep(p);
  return p;
}
void free(void *block) {
  Forget(block);
  __libc_free(block);
}
}  // extern "C"
#endif
