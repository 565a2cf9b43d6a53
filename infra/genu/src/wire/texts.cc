// Texts and simple names. The wire Text and SimpleName share one shape (choices 1, 2
// NUL-terminated strings; 3, 4 counted bytes; 5 text in another code set) and differ
// only in their bound, so one template per direction serves both; the generic side
// differs (owned parts for Text, inline for SimpleName) and is adapted around it.
#include <cstdlib>
#include <cstring>

#include "infra/genu_iconv.h"
#include "private/genu_wire_int.h"
#include "private/iconv_context.h"

namespace genu = kq::genu;

namespace {

typedef int (*IconvToBer)(STF_statusList_t *, const unsigned char *, int32_t, uint32_t,
                          unsigned char *, int32_t, int32_t *, GENU_berOid_t *);
typedef int (*IconvToGen)(STF_statusList_t *, const unsigned char *, int32_t, unsigned char *,
                          int32_t *, uint32_t *);

// The generic side of a text, whichever record holds it.
struct TextView {
  int32_t choice;
  const char *string;          // choices 1, 2 (null: empty)
  const unsigned char *bytes;  // choices 3, 4, 5
  int32_t length;
  uint32_t codeSet;
};

template <typename W>
constexpr int32_t Bound() {
  return static_cast<int32_t>(sizeof(W{}.u.octet_string.value));
}

template <typename W>
int FillWire(STF_statusList_t *status, W *out, const TextView &v, IconvToBer convert) {
  constexpr int32_t max = Bound<W>();
  out->choice = static_cast<uint16_t>(v.choice);
  switch (v.choice) {
    case GEN_TEXT_ISO646:
    case GEN_TEXT_STRING: {
      const char *s = v.string ? v.string : "";
      size_t n = strnlen(s, static_cast<size_t>(max) + 1);
      if (n > static_cast<size_t>(max)) return STF__Fail(status, GENU_ST_TOO_LONG);
      memcpy(out->u.iso646_string, s, n);
      out->u.iso646_string[n] = '\0';
      return 0;
    }
    case GEN_TEXT_LATIN1:
    case GEN_TEXT_OCTETS:
      if (v.length < 0 || (v.length > 0 && !v.bytes)) return STF__Fail(status, GENU_ST_BAD_VALUE);
      if (v.length > max) return STF__Fail(status, GENU_ST_TOO_LONG);
      // Both counted alternatives have the same shape.
      out->u.octet_string.length = static_cast<uint16_t>(v.length);
      if (v.length) memcpy(out->u.octet_string.value, v.bytes, static_cast<size_t>(v.length));
      return 0;
    case GEN_TEXT_OTHER: {
      if (v.length < 0 || (v.length > 0 && !v.bytes)) return STF__Fail(status, GENU_ST_BAD_VALUE);
      if (v.length > max) return STF__Fail(status, GENU_ST_TOO_LONG);
      auto &o = out->u.other_code_set;
      int32_t produced = 0;
      GENU_berOid_t wireCodeSet{0, nullptr};
      static const unsigned char kEmpty[1] = {0};
      if (convert(status, v.bytes ? v.bytes : kEmpty, v.length, v.codeSet, o.text.value, max,
                  &produced, &wireCodeSet))
        return 1;
      o.text.length = static_cast<uint16_t>(produced);
      o.bit_mask = wireCodeSet.length ? 0x80 : 0;
      // The identifier's bytes belong to the identifier table: nothing to release.
      o.code_set.length = wireCodeSet.length;
      o.code_set.value = const_cast<uint8_t *>(wireCodeSet.value);
      return 0;
    }
    default:
      return STF__Fail(status, GENU_ST_BAD_VALUE);
  }
}

// Converts received text in `*codeSet` into the local code set. The thread's context
// serves when it was set up for that code set, and for text that names none (taken
// to be in the code set the thread expects). Otherwise one is set up for this text
// alone and the thread's own context is put back afterwards, so texts going out keep
// the code set the caller chose. A code set that cannot be converted leaves the text
// as it came (the set-up traces why).
int ToLocal(STF_statusList_t *status, const unsigned char *text, int32_t length, unsigned char *out,
            int32_t *produced, uint32_t *codeSet, IconvToGen convert) {
  ICONV_context_t *current = nullptr;
  if (genu::iconvctx::ThreadContext(&current)) return STF__Fail(status, ICONV_ST_CONTEXT);
  if (*codeSet == 0 || (current && current->wireCodeSet == *codeSet))
    return convert(status, text, length, out, produced, codeSet);
  ICONV_context_t *saved = ICONV_GetAndClearContext();
  GEN_Text_t received{};
  received.choice = GEN_TEXT_OTHER;
  received.codeSet = *codeSet;
  int rc = ICONV_ConfigureContext(status, &received) ||
           convert(status, text, length, out, produced, codeSet);
  if (ICONV_SetContext(saved)) {  // also destroys the one set up here
    ICONV_DestroyContext(saved);
    ICONV_DestroyContext(ICONV_GetAndClearContext());
    rc = STF__Fail(status, ICONV_ST_CONTEXT);
  }
  return rc;
}

// Reads a wire text. Choice 5 is converted into `buffer` (room for the bound) and
// reported there; the other choices point into the wire structure.
template <typename W>
int ReadWire(STF_statusList_t *status, const W *in, unsigned char *buffer, IconvToGen convert,
             TextView *v) {
  *v = TextView{in->choice, nullptr, nullptr, 0, 0};
  switch (in->choice) {
    case GEN_TEXT_ISO646:
    case GEN_TEXT_STRING:
      v->string = in->u.iso646_string;
      v->length = static_cast<int32_t>(strnlen(in->u.iso646_string, Bound<W>()));
      return 0;
    case GEN_TEXT_LATIN1:
    case GEN_TEXT_OCTETS:
      v->bytes = in->u.octet_string.value;
      v->length = in->u.octet_string.length;
      return v->length > Bound<W>() ? STF__Fail(status, GENU_ST_TOO_LONG) : 0;
    case GEN_TEXT_OTHER: {
      const auto &o = in->u.other_code_set;
      uint32_t codeSet = 0;
      if (o.bit_mask & 0x80) {
        GENU_berOid_t ber{o.code_set.length, o.code_set.value};
        if (GENU_BerToShortOID(status, &ber, &codeSet))
          return STF__Fail(status, GENU_ST_OID_CONVERT);
      }
      int32_t produced = 0;
      if (ToLocal(status, o.text.value, o.text.length, buffer, &produced, &codeSet, convert))
        return STF__Fail(status, GENU_ST_CODESET_CONVERT);
      v->bytes = buffer;
      v->length = produced;
      v->codeSet = codeSet;
      return 0;
    }
    default:
      return STF__Fail(status, GENU_ST_BAD_VALUE);
  }
}

// Both generic records name their parts alike (owned for Text, inline for names).
template <typename G>
TextView ViewOf(const G *in) {
  if (in->choice == GEN_TEXT_ISO646 || in->choice == GEN_TEXT_STRING)
    return TextView{in->choice, in->u.string, nullptr, 0, in->codeSet};
  return TextView{in->choice, nullptr, in->u.octets.value, in->u.octets.length, in->codeSet};
}

int TextToBer(STF_statusList_t *status, Text *out, const GEN_Text_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return FillWire(status, out, ViewOf(in), ICONV_ToBER_OtherCodeSet4095);
}

int NameToBer(STF_statusList_t *status, SimpleName *out, const GEN_SimpleName_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  return FillWire(status, out, ViewOf(in), ICONV_ToBER_OtherCodeSet255);
}

// Owned copy of `n` bytes plus a terminating zero byte.
unsigned char *OwnedCopy(const void *bytes, int32_t n) {
  auto *p = static_cast<unsigned char *>(malloc(static_cast<size_t>(n) + 1));
  if (!p) return nullptr;
  if (n) memcpy(p, bytes, static_cast<size_t>(n));
  p[n] = 0;
  return p;
}

int TextToGen(STF_statusList_t *status, const Text *in, GEN_Text_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  unsigned char *buffer = nullptr;
  if (in->choice == GEN_TEXT_OTHER) {
    buffer = static_cast<unsigned char *>(malloc(GEN_TEXT_MAX));
    if (!buffer) return STF__Fail(status, GENU_ST_NO_MEMORY);
  }
  TextView v;
  if (ReadWire(status, in, buffer, ICONV_ToGEN_OtherCodeSet4095, &v)) {
    free(buffer);
    return 1;
  }
  out->choice = v.choice;
  out->codeSet = v.codeSet;
  if (v.string) {
    // An empty string stays absent.
    if (v.length && !(out->u.string = reinterpret_cast<char *>(OwnedCopy(v.string, v.length))))
      return STF__Fail(status, GENU_ST_NO_MEMORY);
    return 0;
  }
  out->u.octets.length = v.length;
  if (buffer) {
    out->u.octets.value = buffer;  // the converted text stays in its buffer
  } else if (v.length && !(out->u.octets.value = OwnedCopy(v.bytes, v.length))) {
    out->u.octets.length = 0;
    return STF__Fail(status, GENU_ST_NO_MEMORY);
  }
  return 0;
}

int NameToGen(STF_statusList_t *status, const SimpleName *in, GEN_SimpleName_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  TextView v;
  if (ReadWire(status, in, out->u.octets.value, ICONV_ToGEN_OtherCodeSet255, &v)) {
    memset(out, 0, sizeof *out);
    return 1;
  }
  out->choice = v.choice;
  out->codeSet = v.codeSet;
  if (v.string)
    memcpy(out->u.string, v.string, static_cast<size_t>(v.length));
  else if (v.bytes != out->u.octets.value && v.length)
    memcpy(out->u.octets.value, v.bytes, static_cast<size_t>(v.length));
  if (!v.string) out->u.octets.length = static_cast<int16_t>(v.length);
  return 0;
}

}  // namespace

extern "C" {

#define GENU_TEXT_ENTRY(N, W, G, toBer, toGen)                                                    \
  int ToBER_##N(STF_statusList_t *status, W *out, const G *in) { return toBer(status, out, in); } \
  int ToGEN_##N(STF_statusList_t *status, const W *in, G *out) { return toGen(status, in, out); }
GENU_TEXT_ENTRY(text, Text, GEN_Text_t, TextToBer, TextToGen)
GENU_TEXT_ENTRY(message, Text, GEN_Text_t, TextToBer, TextToGen)
GENU_TEXT_ENTRY(descriptor, Text, GEN_Text_t, TextToBer, TextToGen)
GENU_TEXT_ENTRY(simpleName, SimpleName, GEN_SimpleName_t, NameToBer, NameToGen)
GENU_TEXT_ENTRY(descriptiveName, SimpleName, GEN_SimpleName_t, NameToBer, NameToGen)
#undef GENU_TEXT_ENTRY

}  // extern "C"
