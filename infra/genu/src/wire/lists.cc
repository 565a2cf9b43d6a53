// Lists: a wire SEQUENCE OF is a chain of nodes (next, element) allocated with the
// world's allocator; a generic value sequence is a chain of GEN_ValueSeq_t nodes each
// owning one record. One template per direction converts any list element by element
// with the element's converter; a failure releases the part already built.
#include <cstdlib>
#include <cstring>

#include "internal/stf_scratch.h"
#include "private/genu_layout.h"
#include "private/genu_wire_int.h"

namespace genu = kq::genu;

namespace {

// Releases a wire list: the elements own nothing on the wire, only the nodes go.
template <typename Node>
int FreeList(STF_statusList_t *status, Node **head) {
  if (!head) return STF__Fail(status, GENU_ST_NULL_DELETE);
  for (Node *n = *head; n;) {
    Node *next = n->next;
    genu::WireFree(n);
    n = next;
  }
  *head = nullptr;
  return 0;
}

template <typename Node, typename G,
          int (*ToBer)(STF_statusList_t *, decltype(Node{}.value) *, const G *)>
int ListToBer(STF_statusList_t *status, Node **out, const GEN_ValueSeq_t *in) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = nullptr;
  Node **tail = out;
  for (const GEN_ValueSeq_t *p = in; p; p = p->next) {
    auto *node = static_cast<Node *>(genu::WireAlloc(sizeof(Node)));
    int failed = !node       ? (STF_AddStatus(status, GENU_ST_NO_MEMORY, 0), 1)
                 : !p->value ? (STF_AddStatus(status, GENU_ST_BAD_VALUE, 0), 1)
                             : ToBer(status, &node->value, static_cast<const G *>(p->value));
    if (failed) {
      genu::WireFree(node);
      FreeList(status, out);
      return 1;
    }
    *tail = node;
    tail = &node->next;
  }
  return 0;
}

void DeleteSeq(const genu::Layout *layout, GEN_ValueSeq_t *head) {
  kq::stf::ScratchList scratch;
  while (head) {
    GEN_ValueSeq_t *next = head->next;
    if (head->value) genu::Delete(scratch, layout, head->value, nullptr);
    free(head);
    head = next;
  }
}

template <typename Node, typename G, const genu::Layout *L,
          int (*ToGen)(STF_statusList_t *, const decltype(Node{}.value) *, G *)>
int ListToGen(STF_statusList_t *status, const Node *in, GEN_ValueSeq_t **out) {
  if (!status) return 1;
  if (!out) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = nullptr;
  GEN_ValueSeq_t **tail = out;
  for (const Node *n = in; n; n = n->next) {
    auto *node = static_cast<GEN_ValueSeq_t *>(calloc(1, sizeof(GEN_ValueSeq_t)));
    void *record = node ? calloc(1, sizeof(G)) : nullptr;
    int failed = !record ? (STF_AddStatus(status, GENU_ST_NO_MEMORY, 0), 1)
                         : ToGen(status, &n->value, static_cast<G *>(record));
    if (failed) {
      free(record);
      free(node);
      DeleteSeq(L, *out);
      *out = nullptr;
      return 1;
    }
    node->value = record;
    *tail = node;
    tail = &node->next;
  }
  return 0;
}

}  // namespace

extern "C" {

#define GENU_LIST(N, Wire, Node, Record, Element, L, toBer, toGen)             \
  int ToBER_##N(STF_statusList_t *status, Wire *out, const Record *in) {       \
    if (!in) return status ? STF__Fail(status, GENU_ST_BAD_VALUE) : 1;         \
    return ListToBer<Node, Element, toBer>(status, out, in->first);            \
  }                                                                            \
  int ToGEN_##N(STF_statusList_t *status, const Wire *in, Record *out) {       \
    if (!in || !out) return status ? STF__Fail(status, GENU_ST_BAD_VALUE) : 1; \
    return ListToGen<Node, Element, &L, toGen>(status, *in, &out->first);      \
  }                                                                            \
  int FreeBER_##N(STF_statusList_t *status, Wire *wire) { return FreeList(status, wire); }
GENU_LIST(seqOfObjId, SeqOfObjId, SeqOfObjId_node, GEN_SeqOfObjId_t, uint32_t,
          genu::kIdentifierLayout, ToBER_ObjectID, ToGEN_ObjectID)
GENU_LIST(setOfOIDs, SeqOfObjId, SeqOfObjId_node, GEN_SetOfOids_t, uint32_t,
          genu::kIdentifierLayout, ToBER_oid, ToGEN_oid)
GENU_LIST(nameOrOidSeq, NameOrOidSeq, NameOrOidSeq_node, GEN_NameOrOidSeq_t, GEN_NameOrOID_t,
          genu::kNameOrOIDLayout, ToBER_nameOrOid, ToGEN_nameOrOid)
GENU_LIST(distNameStringSeq, DistNameStringSeq, DistNameStringSeq_node, GEN_DistNameStringSeq_t,
          GEN_DistNameString_t, genu::kDistNameStringLayout, ToBER_distNameString,
          ToGEN_distNameString)
GENU_LIST(setOfText, SetOfText, SetOfText_node, GEN_SetOfText_t, GEN_Text_t, genu::kTextLayout,
          ToBER_text, ToGEN_text)
GENU_LIST(setOfDocumentFormat, SetOfDocumentFormat, SetOfDocumentFormat_node,
          GEN_SetOfDocumentFormat_t, GEN_DocumentFormat_t, genu::kDocumentFormatLayout,
          ToBER_docFormat, ToGEN_docFormat)
#undef GENU_LIST

}  // extern "C"
