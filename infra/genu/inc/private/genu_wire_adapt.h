// Adapters from the typed converters (ToBER_x(status, W *, const G *) and
// ToGEN_x(status, const W *, G *)) to the untyped forms that the conversion tables
// hold.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_WIRE_ADAPT_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_WIRE_ADAPT_H

#include "infra/stf.h"

namespace kq::genu {

template <typename>
struct ConvSig;
template <typename W, typename G>
struct ConvSig<int (*)(STF_statusList_t *, W *, const G *)> {
  using Wire = W;
  using Record = G;
};

template <auto F>
int ToBerVia(STF_statusList_t *s, void *wire, const void *record) {
  using S = ConvSig<decltype(F)>;
  return F(s, static_cast<typename S::Wire *>(wire),
           static_cast<const typename S::Record *>(record));
}
template <auto F, typename W, typename G>
int ToGenVia(STF_statusList_t *s, const void *wire, void *record) {
  return F(s, static_cast<const W *>(wire), static_cast<G *>(record));
}
template <auto F, typename W>
int ReleaseVia(STF_statusList_t *s, void *wire) {
  return F(s, static_cast<W *>(wire));
}

}  // namespace kq::genu

#endif
