// A text or simple name seen as its choice, bytes, length and code set, so that
// compares and extractors treat both records (and all their choices) alike.
#ifndef KQ_INFRA_GENU_INC_PRIVATE_GENU_TEXT_VIEW_H
#define KQ_INFRA_GENU_INC_PRIVATE_GENU_TEXT_VIEW_H

#include <cstring>

#include "infra/genu.h"

namespace kq::genu {

struct TextView {
  int32_t choice;
  const unsigned char *bytes;
  int32_t length;    // may be negative in a bad record
  uint32_t codeSet;  // choice 5 only, else 0
  int32_t max;       // the record's character bound
};

inline const char *StringOf(const GEN_Text_t *t) { return t->u.string ? t->u.string : ""; }
inline const char *StringOf(const GEN_SimpleName_t *n) { return n->u.string; }
inline size_t StringLength(const GEN_Text_t *t) { return strlen(StringOf(t)); }
inline size_t StringLength(const GEN_SimpleName_t *n) {
  return strnlen(n->u.string, sizeof n->u.string);
}
inline int32_t MaxOf(const GEN_Text_t *) { return GEN_TEXT_MAX; }
inline int32_t MaxOf(const GEN_SimpleName_t *) { return GEN_SIMPLE_NAME_MAX; }

// False (0xc00e00a0 added) for a choice outside 1..5.
template <typename T>
bool ViewText(STF_statusList_t *sl, const T *t, TextView *v) {
  v->choice = t->choice;
  v->codeSet = t->choice == GEN_TEXT_OTHER ? t->codeSet : 0;
  v->max = MaxOf(t);
  if (t->choice == GEN_TEXT_ISO646 || t->choice == GEN_TEXT_STRING) {
    v->bytes = reinterpret_cast<const unsigned char *>(StringOf(t));
    v->length = static_cast<int32_t>(StringLength(t));
    return true;
  }
  if (t->choice >= GEN_TEXT_LATIN1 && t->choice <= GEN_TEXT_OTHER) {
    v->bytes = t->u.octets.value;
    v->length = t->u.octets.length;
    return true;
  }
  STF_AddStatus(sl, GENU_ST_BAD_VALUE, 0);
  return false;
}

}  // namespace kq::genu

#endif
