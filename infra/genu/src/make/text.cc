// Texts, simple names and error messages from C strings, strings back out of
// them, and the ISO 646 to ISO Latin-1 conversions.
#include <cstring>

#include "private/genu_make_util.h"
#include "private/genu_text_view.h"

namespace genu = kq::genu;

namespace {

uint32_t fail(STF_statusList_t *sl, uint32_t code) { return STF__Fail(sl, code); }

uint32_t extractBytes(STF_statusList_t *sl, char **out, const unsigned char *bytes, int32_t length,
                      const AS_allocateDescriptor_t *alloc) {
  if (length < 0) return fail(sl, GENU_ST_BAD_VALUE);
  *out = GEN_CopyCharArray(reinterpret_cast<const char *>(bytes), length, length + 1, alloc);
  if (!*out) return fail(sl, GENU_ST_NO_MEMORY);
  (*out)[length] = 0;
  return 0;
}

// Any choice of a text or simple name as a fresh NUL-terminated string.
template <typename T>
uint32_t extractView(STF_statusList_t *sl, char **out, const T *value,
                     const AS_allocateDescriptor_t *alloc) {
  if (!out || !value) return fail(sl, GENU_ST_NULL_COMPARE);
  *out = nullptr;
  genu::TextView v;
  if (!genu::ViewText(sl, value, &v)) return 1;
  return extractBytes(sl, out, v.bytes, v.length, alloc);
}

}  // namespace

extern "C" {

uint32_t GENU_MakeEmbeddedString(STF_statusList_t *sl, GEN_OctetString_t *out, const char *string,
                                 const AS_allocateDescriptor_t *alloc) {
  if (!out) return fail(sl, GENU_ST_BAD_VALUE);
  *out = GEN_OctetString_t{0, nullptr};
  if (!string) return 0;
  int32_t n = static_cast<int32_t>(strlen(string));
  GEN_OctetString_t src{n, reinterpret_cast<unsigned char *>(const_cast<char *>(string))};
  if (n == 0) {
    out->value = GEN_CopyUnsignedCharArray(nullptr, 0, 1, alloc);
    return out->value ? 0 : fail(sl, GENU_ST_NO_MEMORY);
  }
  return genu::CopyOctets(sl, out, &src, alloc);
}

uint32_t GENU_MakeEmbeddedText(STF_statusList_t *sl, GEN_Text_t *out, const char *string,
                               const AS_allocateDescriptor_t *alloc) {
  if (!out) return fail(sl, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  out->choice = GEN_TEXT_OTHER;
  if (string && strlen(string) > GEN_TEXT_MAX) return fail(sl, GENU_ST_BAD_VALUE);
  return GENU_MakeEmbeddedString(sl, &out->u.octets, string, alloc);
}

uint32_t GENU_MakeText(STF_statusList_t *sl, GEN_Text_t **out, const char *string,
                       const AS_allocateDescriptor_t *alloc) {
  return genu::MakeRecord(sl, out, &genu::kTextLayout, alloc, [&](GEN_Text_t *t) {
    return GENU_MakeEmbeddedText(sl, t, string, alloc);
  });
}

uint32_t GENU_MakeEmbeddedSimpleName(STF_statusList_t *sl, GEN_SimpleName_t *out,
                                     const char *string, const AS_allocateDescriptor_t *) {
  if (!out) return fail(sl, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  out->choice = GEN_TEXT_OTHER;
  size_t n = string ? strlen(string) : 0;
  if (n > GEN_SIMPLE_NAME_MAX) return fail(sl, GENU_ST_BAD_VALUE);
  out->u.octets.length = static_cast<int16_t>(n);
  if (n) memcpy(out->u.octets.value, string, n);
  return 0;
}

uint32_t GENU_MakeSimpleName(STF_statusList_t *sl, GEN_SimpleName_t **out, const char *string,
                             const AS_allocateDescriptor_t *alloc) {
  return genu::MakeRecord(sl, out, &genu::kSimpleNameLayout, alloc, [&](GEN_SimpleName_t *n) {
    return GENU_MakeEmbeddedSimpleName(sl, n, string, alloc);
  });
}

uint32_t GENU_MakeEmbeddedErrorMsg(STF_statusList_t *sl, GEN_ErrorMsg_t *out, const char *string,
                                   const AS_allocateDescriptor_t *alloc) {
  if (!out) return fail(sl, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (!string) return fail(sl, GENU_ST_BAD_VALUE);
  return GENU_MakeEmbeddedText(sl, &out->text, string, alloc);
}

uint32_t GENU_MakeErrorMsg(STF_statusList_t *sl, GEN_ErrorMsg_t **out, const char *string,
                           const AS_allocateDescriptor_t *alloc) {
  return genu::MakeRecord(sl, out, &genu::kErrorMsgLayout, alloc, [&](GEN_ErrorMsg_t *m) {
    return GENU_MakeEmbeddedErrorMsg(sl, m, string, alloc);
  });
}

uint32_t GENU_ExtractOctetString(STF_statusList_t *sl, char **out, const GEN_OctetString_t *value,
                                 const AS_allocateDescriptor_t *alloc) {
  if (!out || !value) return fail(sl, GENU_ST_NULL_COMPARE);
  return extractBytes(sl, out, value->value, value->length, alloc);
}

uint32_t GENU_ExtractOctet255(STF_statusList_t *sl, char **out, const GEN_Octet255_t *value,
                              const AS_allocateDescriptor_t *alloc) {
  if (!out || !value) return fail(sl, GENU_ST_NULL_COMPARE);
  return extractBytes(sl, out, value->value, value->length, alloc);
}

uint32_t GENU_ExtractText(STF_statusList_t *sl, char **out, const GEN_Text_t *text,
                          const AS_allocateDescriptor_t *alloc) {
  return extractView(sl, out, text, alloc);
}

uint32_t GENU_ExtractSimpleName(STF_statusList_t *sl, char **out, const GEN_SimpleName_t *name,
                                const AS_allocateDescriptor_t *alloc) {
  return extractView(sl, out, name, alloc);
}

uint32_t GENU_Iso646irv2IsoLatin1Text(STF_statusList_t *sl, GEN_Text_t **out,
                                      const GEN_Text_t *text,
                                      const AS_allocateDescriptor_t *alloc) {
  const char *s = text->u.string ? text->u.string : "";
  size_t n = strlen(s);
  if (n > GEN_TEXT_MAX) return fail(sl, GENU_ST_BAD_VALUE);
  return genu::MakeRecord(sl, out, &genu::kTextLayout, alloc, [&](GEN_Text_t *t) {
    t->choice = GEN_TEXT_LATIN1;
    GEN_OctetString_t src{static_cast<int32_t>(n),
                          reinterpret_cast<unsigned char *>(const_cast<char *>(s))};
    return genu::CopyOctets(sl, &t->u.octets, &src, alloc);
  });
}

uint32_t GENU_Iso646irv2IsoLatin1SimpleName(STF_statusList_t *sl, GEN_SimpleName_t **out,
                                            const GEN_SimpleName_t *name,
                                            const AS_allocateDescriptor_t *alloc) {
  size_t n = strnlen(name->u.string, sizeof name->u.string);
  if (n > GEN_SIMPLE_NAME_MAX) return fail(sl, GENU_ST_BAD_VALUE);
  return genu::MakeRecord(sl, out, &genu::kSimpleNameLayout, alloc, [&](GEN_SimpleName_t *t) {
    t->choice = GEN_TEXT_LATIN1;
    t->u.octets.length = static_cast<int16_t>(n);
    memcpy(t->u.octets.value, name->u.string, n);
    return 0u;
  });
}

// Choice 3 gives a copy, choice 1 a Latin-1 text of the same characters.
#define GENU_DEFINE_TO_LATIN1(Fn, T, Copy, FromIso)                    \
  uint32_t Fn(STF_statusList_t *sl, T **out, const T *value,           \
              const AS_allocateDescriptor_t *alloc) {                  \
    if (!out) return fail(sl, GENU_ST_BAD_VALUE);                      \
    *out = nullptr;                                                    \
    if (!value) return fail(sl, GENU_ST_NULL_COMPARE);                 \
    switch (value->choice) {                                           \
      case GEN_TEXT_LATIN1:                                            \
        return Copy(sl, reinterpret_cast<void **>(out), value, alloc); \
      case GEN_TEXT_ISO646:                                            \
        return FromIso(sl, out, value, alloc);                         \
      case GEN_TEXT_STRING:                                            \
      case GEN_TEXT_OCTETS:                                            \
      case GEN_TEXT_OTHER:                                             \
        return fail(sl, GENU_ST_NOT_COMPARABLE);                       \
      default:                                                         \
        return fail(sl, GENU_ST_BAD_VALUE);                            \
    }                                                                  \
  }
GENU_DEFINE_TO_LATIN1(GEN_Text2IsoLatin1, GEN_Text_t, GEN_CopyText, GENU_Iso646irv2IsoLatin1Text)
GENU_DEFINE_TO_LATIN1(GEN_SimpleName2IsoLatin1, GEN_SimpleName_t, GEN_CopySimpleName,
                      GENU_Iso646irv2IsoLatin1SimpleName)

uint32_t GEN_Text2Unicode(STF_statusList_t *sl, GEN_Text_t **out, const GEN_Text_t *,
                          const AS_allocateDescriptor_t *) {
  if (out) *out = nullptr;
  return fail(sl, GENU_ST_NOT_COMPARABLE);
}

uint32_t GEN_SimpleName2Unicode(STF_statusList_t *sl, GEN_SimpleName_t **out,
                                const GEN_SimpleName_t *, const AS_allocateDescriptor_t *) {
  if (out) *out = nullptr;
  return fail(sl, GENU_ST_NOT_COMPARABLE);
}

}  // extern "C"
