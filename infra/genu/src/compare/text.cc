// Compares of texts and simple names: the collating compares (choices converted
// into ISO Latin-1 where they can be, other code sets through strcoll) and the
// generic bytewise and equality forms.
#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "internal/stf_fail.h"
#include "private/genu_compare_util.h"
#include "private/genu_hooks.h"
#include "private/genu_text_view.h"

namespace genu = kq::genu;

namespace kq::genu {

thread_local int bytewiseTexts = 0;

}  // namespace kq::genu

namespace {

constexpr size_t kCollateBuffer = 4096;

// Different choices meet only through ISO Latin-1: an ISO 646 side becomes a
// Latin-1 text of the same characters; any other pair cannot be compared.
bool meetInLatin1(STF_statusList_t *sl, genu::TextView *a, genu::TextView *b) {
  if (a->choice == b->choice) return true;
  genu::TextView *other =
      a->choice == GEN_TEXT_LATIN1 ? b : (b->choice == GEN_TEXT_LATIN1 ? a : nullptr);
  if (!other || other->choice != GEN_TEXT_ISO646) {
    STF_AddStatus(sl, GENU_ST_NOT_COMPARABLE, 0);
    return false;
  }
  if (other->length > other->max) {
    STF_AddStatus(sl, GENU_ST_BAD_VALUE, 0);
    return false;
  }
  other->choice = GEN_TEXT_LATIN1;
  return true;
}

char *collateCopy(const genu::TextView &v) {
  char *buf = static_cast<char *>(calloc(1, kCollateBuffer));
  if (buf && v.length > 0)
    memcpy(buf, v.bytes, static_cast<size_t>(v.length < 4095 ? v.length : 4095));
  return buf;
}

uint32_t collate(STF_statusList_t *sl, const genu::TextView &a, const genu::TextView &b,
                 int32_t *r) {
  if (a.codeSet != b.codeSet) return STF__Fail(sl, GENU_ST_NOT_COMPARABLE);
  char *x = collateCopy(a), *y = collateCopy(b);
  uint32_t rc = 0;
  if (!x || !y) {
    STF_AddStatus(sl, GENU_ST_NO_MEMORY, 0);
    rc = 1;
  } else {
    errno = 0;
    int c = strcoll(x, y);
    if (errno != 0) {
      STF_AddStatus(sl, GENU_ST_COLLATION, 0);
      rc = 1;
    } else {
      *r = genu::Sign(c);
    }
  }
  free(x);
  free(y);
  return rc;
}

template <typename T>
uint32_t compareTexts(STF_statusList_t *sl, const T *a, const T *b, bool caseless, int32_t *r) {
  if (!genu::CheckPair(sl, a, b, r)) return 1;
  genu::TextView va, vb;
  if (!genu::ViewText(sl, a, &va) || !genu::ViewText(sl, b, &vb) || !meetInLatin1(sl, &va, &vb))
    return 1;
  switch (va.choice) {
    case GEN_TEXT_ISO646:
    case GEN_TEXT_STRING: {
      const char *x = reinterpret_cast<const char *>(va.bytes);
      const char *y = reinterpret_cast<const char *>(vb.bytes);
      *r = genu::Sign(caseless ? strcasecmp(x, y) : strcmp(x, y));
      return 0;
    }
    case GEN_TEXT_OTHER:
      return collate(sl, va, vb, r);
    default:
      return genu::OctetRule(sl, va.length, va.bytes, vb.length, vb.bytes, caseless, r);
  }
}

// The generic form: equality (1 equal, 0 not) or bytewise order.
template <typename T>
uint32_t genericTexts(STF_statusList_t *sl, const T *a, const T *b, bool equality, int32_t *r) {
  if (!genu::CheckPair(sl, a, b, r)) return 1;
  genu::TextView va, vb;
  if (!genu::ViewText(sl, a, &va) || !genu::ViewText(sl, b, &vb)) return 1;
  bool latinPair = (va.choice == 1 && vb.choice == 3) || (va.choice == 3 && vb.choice == 1);
  if ((va.choice != vb.choice && !latinPair) || va.codeSet != vb.codeSet)
    return STF__Fail(sl, GENU_ST_NOT_COMPARABLE);
  if (va.length < 0 || vb.length < 0) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  if (equality) {
    *r = va.length == vb.length &&
         (va.length == 0 || memcmp(va.bytes, vb.bytes, static_cast<size_t>(va.length)) == 0);
    return 0;
  }
  if (va.length > 0 && vb.length > 0) {
    int c = memcmp(va.bytes, vb.bytes,
                   static_cast<size_t>(va.length < vb.length ? va.length : vb.length));
    *r = c != 0 ? genu::Sign(c) : genu::Sign(va.length - vb.length);
  } else {
    *r = genu::Sign(va.length - vb.length);
  }
  return 0;
}

}  // namespace

extern "C" {

// Inside a bytewise compare of a record (GEN_BinCompare*) the plain compares of
// texts and names take the bytewise form.
uint32_t GEN_CompareText(STF_statusList_t *sl, const GEN_Text_t *a, const GEN_Text_t *b,
                         int32_t *r) {
  return genu::bytewiseTexts ? genericTexts(sl, a, b, false, r) : compareTexts(sl, a, b, false, r);
}
uint32_t GEN_ICompareText(STF_statusList_t *sl, const GEN_Text_t *a, const GEN_Text_t *b,
                          int32_t *r) {
  return compareTexts(sl, a, b, true, r);
}
uint32_t GEN_EqualText(STF_statusList_t *sl, const GEN_Text_t *a, const GEN_Text_t *b, int32_t *r) {
  return genericTexts(sl, a, b, true, r);
}
uint32_t GEN_BinCompareText(STF_statusList_t *sl, const GEN_Text_t *a, const GEN_Text_t *b,
                            int32_t *r) {
  return genericTexts(sl, a, b, false, r);
}
uint32_t GEN_CompareSimpleName(STF_statusList_t *sl, const GEN_SimpleName_t *a,
                               const GEN_SimpleName_t *b, int32_t *r) {
  return genu::bytewiseTexts ? genericTexts(sl, a, b, false, r) : compareTexts(sl, a, b, false, r);
}
uint32_t GEN_ICompareSimpleName(STF_statusList_t *sl, const GEN_SimpleName_t *a,
                                const GEN_SimpleName_t *b, int32_t *r) {
  return compareTexts(sl, a, b, true, r);
}
uint32_t GEN_EqualSimpleName(STF_statusList_t *sl, const GEN_SimpleName_t *a,
                             const GEN_SimpleName_t *b, int32_t *r) {
  return genericTexts(sl, a, b, true, r);
}
uint32_t GEN_BinCompareSimpleName(STF_statusList_t *sl, const GEN_SimpleName_t *a,
                                  const GEN_SimpleName_t *b, int32_t *r) {
  return genericTexts(sl, a, b, false, r);
}

}  // extern "C"
