// The named converters of the composite records, each one call of the record walker
// with the record's layout and wire type (the list is in genu_wire.h), and the table
// of records that keep converters of their own.
#include <cstdlib>
#include <cstring>

#include "private/genu_wire_adapt.h"
#include "private/genu_wire_bridge.h"

namespace genu = kq::genu;

namespace {

int Cardinal64ToBer(STF_statusList_t *, void *wire, const void *record) {
  auto *v = static_cast<const GEN_Cardinal64_t *>(record);
  *static_cast<ber_card64 *>(wire) = ber_card64{v->high, v->low};
  return 0;
}
int Cardinal64ToGen(STF_statusList_t *, const void *wire, void *record) {
  auto *v = static_cast<const ber_card64 *>(wire);
  *static_cast<GEN_Cardinal64_t *>(record) = GEN_Cardinal64_t{v->high, v->low};
  return 0;
}

#define OWN(L, name)                                                                \
  genu::WireOverride {                                                              \
    &genu::k##L##Layout, genu::ToBerVia<&ToBER_##name>,                             \
        genu::ToGenVia<&ToGEN_##name, genu::ConvSig<decltype(&ToBER_##name)>::Wire, \
                       genu::ConvSig<decltype(&ToBER_##name)>::Record>              \
  }
const genu::WireOverride kOwn[] = {
    OWN(Text, text),
    OWN(SimpleName, simpleName),
    OWN(NameOrOID, nameOrOid),
    OWN(DistNameString, distNameString),
    OWN(Locale, locale),
    OWN(ObjectIdent, objectIdent),
    OWN(DocumentFormat, docFormat),
    OWN(FontReference, fontReference),
    OWN(DocumentIdentifier, docIdentifier),
    OWN(GeneralizedTime, generalizedTime),
    OWN(IgnoredAttribute, ignoredAttribute),
    OWN(ORName, orName),
    OWN(Name, name),
    {&genu::kCardinal64Layout, Cardinal64ToBer, Cardinal64ToGen},
};

}  // namespace

namespace kq::genu {

const WireOverride *WireOverrideOf(const Layout *layout) {
  if (layout == kExternalOverride.layout) return &kExternalOverride;
  if (layout == kSocketOverride.layout) return &kSocketOverride;
  for (const WireOverride &o : kOwn)
    if (o.layout == layout) return &o;
  return nullptr;
}

}  // namespace kq::genu

extern "C" {

#define GENU_DEFINE_COMPOSITE(N, W, G, L, T)                                      \
  int ToBER_##N(STF_statusList_t *status, W *out, const G *in) {                  \
    return genu::BridgeToBer(status, &genu::k##L##Layout, &kq_0b_d_##T, out, in); \
  }                                                                               \
  int ToGEN_##N(STF_statusList_t *status, W const *in, G *out) {                  \
    return genu::BridgeToGen(status, &genu::k##L##Layout, &kq_0b_d_##T, in, out); \
  }                                                                               \
  int FreeBER_##N(STF_statusList_t *status, W *wire) {                            \
    if (!status) return 1;                                                        \
    if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);                     \
    genu::WireRelease(&kq_0b_d_##T, wire);                                        \
    return 0;                                                                     \
  }
GENU_WIRE_COMPOSITES(GENU_DEFINE_COMPOSITE)

int ToBER_filterShim(STF_statusList_t *status, Filter **out, GEN_Filter_t *const *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = nullptr;
  if (!*in) return 0;
  auto *wire = static_cast<Filter *>(genu::WireAlloc(sizeof(Filter)));
  if (!wire) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (ToBER_filter(status, wire, *in)) {
    genu::WireFree(wire);
    return 1;
  }
  *out = wire;
  return 0;
}

int ToGEN_filterShim(STF_statusList_t *status, Filter *const *in, GEN_Filter_t **out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  *out = nullptr;
  if (!*in) return 0;
  auto *record = static_cast<GEN_Filter_t *>(calloc(1, sizeof(GEN_Filter_t)));
  if (!record) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (ToGEN_filter(status, *in, record)) {
    free(record);
    return 1;
  }
  *out = record;
  return 0;
}

int FreeBER_filterShim(STF_statusList_t *status, Filter **wire) {
  if (!status) return 1;
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  if (*wire) {
    genu::WireRelease(&kq_0b_d_Filter, *wire);
    genu::WireFree(*wire);
    *wire = nullptr;
  }
  return 0;
}

}  // extern "C"
