// Text between the local code set and the code set it carries on the wire, through
// the calling thread's context. Without a context, or when both code sets are the
// same, the bytes are copied.
#include <cerrno>
#include <cstring>

#include "private/iconv_context.h"

namespace genu = kq::genu;

namespace {

struct Run {
  int error;        // 0 or the errno of the failed iconv call
  size_t produced;  // output bytes written
  size_t consumed;  // input bytes converted
};

// Converts from the descriptor's initial state and puts it back there at the end
// (or where the conversion stopped), so that stateful code sets end complete.
Run Convert(iconv_t cd, const unsigned char *in, size_t inLen, unsigned char *out, size_t cap) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char *ip = const_cast<char *>(reinterpret_cast<const char *>(in));
  size_t il = inLen;
  char *op = reinterpret_cast<char *>(out);
  size_t ol = cap;
  int error = 0;
  if (inLen > 0 && iconv(cd, &ip, &il, &op, &ol) == static_cast<size_t>(-1)) error = errno;
  if (iconv(cd, nullptr, nullptr, &op, &ol) == static_cast<size_t>(-1) && !error) error = errno;
  return {error, cap - ol, inLen - il};
}

bool BadText(const unsigned char *text, int32_t length) {
  return length < 0 || (!text && length > 0);
}

// Copies `length` bytes when they fit in `cap`.
int Copy(STF_statusList_t *status, const unsigned char *text, int32_t length, unsigned char *out,
         size_t cap, int32_t *outLength) {
  if (static_cast<size_t>(length) > cap) return STF__Fail(status, ICONV_ST_TOO_BIG);
  if (length > 0) memcpy(out, text, static_cast<size_t>(length));
  *outLength = length;
  return 0;
}

// The context that converts, or null when the text is to be copied.
uint32_t Converting(ICONV_context_t **ctx) {
  if (genu::iconvctx::ThreadContext(ctx)) return ICONV_ST_CONTEXT;
  if (*ctx && (*ctx)->localCodeSet == (*ctx)->wireCodeSet) *ctx = nullptr;
  return 0;
}

int ToGen(STF_statusList_t *status, const unsigned char *text, int32_t length, unsigned char *out,
          int32_t *outLength, uint32_t *codeSet, size_t cap) {
  if (!status) return 1;
  if (BadText(text, length) || !out || !outLength || !codeSet)
    return STF__Fail(status, ICONV_ST_BAD_ARGUMENT);
  *outLength = 0;
  ICONV_context_t *ctx = nullptr;
  if (Converting(&ctx)) return STF__Fail(status, ICONV_ST_CONTEXT);
  if (!ctx) return Copy(status, text, length, out, cap, outLength);
  Run r = Convert(ctx->toLocal, text, static_cast<size_t>(length), out, cap);
  if (r.error == E2BIG || r.error == EINVAL) return STF__Fail(status, ICONV_ST_TOO_BIG);
  if (r.error) return STF__Fail(status, ICONV_ST_CONVERSION);
  *outLength = static_cast<int32_t>(r.produced);
  *codeSet = ctx->localCodeSet;
  return 0;
}

// The BER form of a code set, none for 0.
int WireCodeSet(STF_statusList_t *status, uint32_t codeSet, GENU_berOid_t *out) {
  *out = GENU_berOid_t{0, nullptr};
  if (codeSet && GENU_ShortToBerOID(status, codeSet, out))
    return STF__Fail(status, ICONV_ST_NO_IDENTIFIER);
  return 0;
}

int ToBer(STF_statusList_t *status, const unsigned char *text, int32_t length, uint32_t codeSet,
          unsigned char *out, int32_t outSize, int32_t *outLength, GENU_berOid_t *wireCodeSet,
          size_t max) {
  if (!status) return 1;
  if (BadText(text, length) || !out || outSize < 0 || !outLength || !wireCodeSet)
    return STF__Fail(status, ICONV_ST_BAD_ARGUMENT);
  *outLength = 0;
  size_t cap = static_cast<size_t>(outSize) < max ? static_cast<size_t>(outSize) : max;
  ICONV_context_t *ctx = nullptr;
  if (Converting(&ctx)) return STF__Fail(status, ICONV_ST_CONTEXT);
  if (ctx && codeSet == ctx->wireCodeSet) ctx = nullptr;  // already in the wire code set
  if (!ctx) {
    if (WireCodeSet(status, codeSet, wireCodeSet)) return 1;
    return Copy(status, text, length, out, cap, outLength);
  }
  if (WireCodeSet(status, ctx->wireCodeSet, wireCodeSet)) return 1;
  Run r = Convert(ctx->toWire, text, static_cast<size_t>(length), out, cap);
  if (r.error == EILSEQ) {
    // The text ends at the character that cannot be converted; the input from there
    // on is represented by one "?" per byte.
    size_t rest = static_cast<size_t>(length) - r.consumed;
    if (rest > cap - r.produced) return STF__Fail(status, ICONV_ST_TOO_BIG);
    memset(out + r.produced, '?', rest);
    r.produced += rest;
  } else if (r.error == E2BIG || r.error == EINVAL) {
    return STF__Fail(status, ICONV_ST_TOO_BIG);
  } else if (r.error) {
    return STF__Fail(status, ICONV_ST_CONVERSION);
  }
  *outLength = static_cast<int32_t>(r.produced);
  return 0;
}

}  // namespace

extern "C" {

int ICONV_ToGEN_OtherCodeSet255(STF_statusList_t *status, const unsigned char *text, int32_t length,
                                unsigned char *out, int32_t *outLength, uint32_t *codeSet) {
  return ToGen(status, text, length, out, outLength, codeSet, ICONV_MAX_255);
}

int ICONV_ToGEN_OtherCodeSet4095(STF_statusList_t *status, const unsigned char *text,
                                 int32_t length, unsigned char *out, int32_t *outLength,
                                 uint32_t *codeSet) {
  return ToGen(status, text, length, out, outLength, codeSet, ICONV_MAX_4095);
}

int ICONV_ToBER_OtherCodeSet255(STF_statusList_t *status, const unsigned char *text, int32_t length,
                                uint32_t codeSet, unsigned char *out, int32_t outSize,
                                int32_t *outLength, GENU_berOid_t *wireCodeSet) {
  return ToBer(status, text, length, codeSet, out, outSize, outLength, wireCodeSet, ICONV_MAX_255);
}

int ICONV_ToBER_OtherCodeSet4095(STF_statusList_t *status, const unsigned char *text,
                                 int32_t length, uint32_t codeSet, unsigned char *out,
                                 int32_t outSize, int32_t *outLength, GENU_berOid_t *wireCodeSet) {
  return ToBer(status, text, length, codeSet, out, outSize, outLength, wireCodeSet, ICONV_MAX_4095);
}

}  // extern "C"
