// Inside the X.400 converters: bounded string copies, and the list mechanisms that
// turn generic value sequences and counted arrays into chains of wire nodes and back.
#ifndef KQ_INFRA_GENU_SRC_X400_X400_INT_H
#define KQ_INFRA_GENU_SRC_X400_X400_INT_H

#include <cstdlib>
#include <cstring>

#include "internal/stf_scratch.h"
#include "private/genu_layout.h"
#include "private/genu_wire_int.h"

namespace kq::genu::x400 {

// Copies the NUL-terminated string `src` (at most `srcSize` bytes) into `dst` of
// `dstSize` bytes: longer than dstSize - 1 characters is too long, shorter than
// `minLength` a bad value.
inline int CopyBounded(STF_statusList_t *status, char *dst, size_t dstSize, const char *src,
                       size_t srcSize, size_t minLength) {
  size_t n = strnlen(src, srcSize);
  if (n >= dstSize) return STF__Fail(status, GENU_ST_TOO_LONG);
  if (n < minLength) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memcpy(dst, src, n);
  memset(dst + n, 0, dstSize - n);
  return 0;
}
template <size_t D, size_t S>
int Copy(STF_statusList_t *status, char (&dst)[D], const char (&src)[S], size_t minLength) {
  return CopyBounded(status, dst, D, src, S, minLength);
}

// Releases a chain of wire nodes, each element first through `release` when the
// element owns parts. A failing element release is reported once at the end.
template <typename Node, int (*Release)(STF_statusList_t *, decltype(Node::value) *) = nullptr>
int FreeChain(STF_statusList_t *status, Node **head) {
  if (!head) return STF__Fail(status, GENU_ST_NULL_DELETE);
  bool failed = false;
  for (Node *n = *head; n;) {
    Node *next = n->next;
    if constexpr (Release != nullptr) failed |= Release(status, &n->value) != 0;
    WireFree(n);
    n = next;
  }
  *head = nullptr;
  return failed ? STF__Fail(status, GENU_ST_RELEASE_FAILED) : 0;
}

// Appends one node converted by `fill` (any callable (node value *) -> 0/1).
template <typename Node, typename Fill>
int Append(STF_statusList_t *status, Node **&tail, Fill fill) {
  auto *node = static_cast<Node *>(WireAlloc(sizeof(Node)));
  if (!node) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (fill(&node->value)) {
    WireFree(node);
    return 1;
  }
  *tail = node;
  tail = &node->next;
  return 0;
}

// A generic value sequence of G to a chain; a failure releases the chain built.
template <typename Node, typename G,
          int (*ToBer)(STF_statusList_t *, decltype(Node::value) *, const G *),
          int (*Release)(STF_statusList_t *, decltype(Node::value) *) = nullptr>
int SeqToWire(STF_statusList_t *status, Node **out, const GEN_ValueSeq_t *in) {
  *out = nullptr;
  Node **tail = out;
  for (const GEN_ValueSeq_t *p = in; p; p = p->next) {
    int failed = !p->value ? STF__Fail(status, GENU_ST_BAD_VALUE)
                           : Append(status, tail, [&](decltype(Node::value) *v) {
                               return ToBer(status, v, static_cast<const G *>(p->value));
                             });
    if (failed) {
      kq::stf::ScratchList scratch;
      FreeChain<Node, Release>(scratch, out);
      return 1;
    }
  }
  return 0;
}

inline void DeleteSeq(const Layout *layout, GEN_ValueSeq_t **head) {
  kq::stf::ScratchList scratch;
  for (GEN_ValueSeq_t *n = *head; n;) {
    GEN_ValueSeq_t *next = n->next;
    if (n->value) Delete(scratch, layout, n->value, nullptr);
    free(n);
    n = next;
  }
  *head = nullptr;
}

// A chain back to a generic value sequence of G (layout L); a failure deletes it.
template <typename Node, typename G, const Layout *L,
          int (*ToGen)(STF_statusList_t *, const decltype(Node::value) *, G *)>
int ChainToSeq(STF_statusList_t *status, const Node *in, GEN_ValueSeq_t **out) {
  *out = nullptr;
  GEN_ValueSeq_t **tail = out;
  for (const Node *n = in; n; n = n->next) {
    auto *node = static_cast<GEN_ValueSeq_t *>(calloc(1, sizeof(GEN_ValueSeq_t)));
    void *record = node ? calloc(1, sizeof(G)) : nullptr;
    int failed = !record ? STF__Fail(status, GENU_ST_NO_MEMORY)
                         : ToGen(status, &n->value, static_cast<G *>(record));
    if (failed) {
      free(record);
      free(node);
      DeleteSeq(L, out);
      return 1;
    }
    node->value = record;
    *tail = node;
    tail = &node->next;
  }
  return 0;
}

// A counted generic array (count 0 to Max) to a chain of nodes; `fill` converts
// one element (node value *, const element &).
template <typename Node, typename E, size_t Max, typename Fill>
int CountedToWire(STF_statusList_t *status, Node **out, int16_t count, const E (&items)[Max],
                  Fill fill) {
  *out = nullptr;
  if (count < 0) return STF__Fail(status, GENU_ST_BAD_VALUE);
  if (static_cast<size_t>(count) > Max) return STF__Fail(status, GENU_ST_TOO_LONG);
  Node **tail = out;
  for (int16_t i = 0; i < count; ++i)
    if (Append(status, tail, [&](decltype(Node::value) *v) { return fill(v, items[i]); })) {
      kq::stf::ScratchList scratch;
      FreeChain(scratch, out);
      return 1;
    }
  return 0;
}

// A chain back into a counted array, which is cleared first; more than Max
// elements is too long.
template <typename Node, typename E, size_t Max, typename Fill>
int ChainToCounted(STF_statusList_t *status, const Node *in, int16_t *count, E (&items)[Max],
                   Fill fill) {
  *count = 0;
  memset(items, 0, sizeof items);
  for (const Node *n = in; n; n = n->next) {
    int failed = static_cast<size_t>(*count) == Max ? STF__Fail(status, GENU_ST_TOO_LONG)
                                                    : fill(items[*count], n->value);
    if (failed) {
      *count = 0;
      memset(items, 0, sizeof items);
      return 1;
    }
    ++*count;
  }
  return 0;
}

}  // namespace kq::genu::x400

// The public pair of a record without allocated wire parts: null checks around the
// two directions.
#define GENU_X400_PAIR(N, W, G, toWire, toGen)                    \
  int ToBER_##N(STF_statusList_t *status, W *out, const G *in) {  \
    if (!status) return 1;                                        \
    if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE); \
    return toWire(status, out, in);                               \
  }                                                               \
  int ToGEN_##N(STF_statusList_t *status, const W *in, G *out) {  \
    if (!status) return 1;                                        \
    if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE); \
    return toGen(status, in, out);                                \
  }

#endif
