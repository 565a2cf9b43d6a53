// XDR forms of the request procedure. A packet byte travels as a sign-extended 4-byte
// integer, exactly as xdr_array with xdr_char sends it, but the bytes move in blocks
// through XDR_INLINE where the stream lends its buffer; where it does not (a record
// stream at the edge of its buffer or fragment, the end of a memory stream), single
// integers go through the stream's own routine, which flushes or refills.
#include <rpc/rpc.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "infra/jqp_frame.h"

namespace kq::jqp {
namespace {

// Elements asked of XDR_INLINE at once: 4 KiB of wire.
constexpr uint32_t kBlock = 1024;
// First buffer of a decoded packet; it doubles as bytes arrive, up to the count.
constexpr uint32_t kFirstCapacity = 64 * 1024;

// The largest block of at most `want` elements the stream lends, or null with *got 0.
// A stream refuses a block that crosses its buffer's end, so the size halves until one
// fits; a refusal of a single element leaves the element path to flush or refill.
int32_t *Lend(XDR *xdrs, uint32_t want, uint32_t *got) {
  *got = 0;
  if (!xdrs->x_ops->x_inline) return nullptr;  // a stream that never lends
  for (uint32_t n = want; n > 0; n /= 2) {
    if (int32_t *buf = XDR_INLINE(xdrs, static_cast<u_int>(n * BYTES_PER_XDR_UNIT))) {
      *got = n;
      return buf;
    }
  }
  return nullptr;
}

bool EncodeBytes(XDR *xdrs, const unsigned char *bytes, uint32_t count) {
  uint32_t done = 0;
  while (done < count) {
    uint32_t n = 0;
    int32_t *buf = Lend(xdrs, std::min(count - done, kBlock), &n);
    if (buf) {
      for (uint32_t i = 0; i < n; ++i)
        IXDR_PUT_INT32(buf, static_cast<int32_t>(static_cast<signed char>(bytes[done + i])));
      done += n;
      continue;
    }
    int v = static_cast<signed char>(bytes[done]);
    if (!xdr_int(xdrs, &v)) return false;
    ++done;
  }
  return true;
}

// Decodes `count` bytes into storage that grows as they arrive. On failure nothing
// stays allocated.
bool DecodeGrowing(XDR *xdrs, uint32_t count, char **out) {
  size_t capacity = std::min(count, kFirstCapacity);
  auto *bytes = static_cast<unsigned char *>(malloc(capacity));
  if (!bytes) return false;
  uint32_t done = 0;
  while (done < count) {
    if (done == capacity) {
      size_t grown = std::min<size_t>(capacity * 2, count);
      auto *more = static_cast<unsigned char *>(realloc(bytes, grown));
      if (!more) break;
      bytes = more;
      capacity = grown;
    }
    uint32_t room = static_cast<uint32_t>(capacity - done);
    uint32_t n = 0;
    int32_t *buf = Lend(xdrs, std::min(room, kBlock), &n);
    if (buf) {
      for (uint32_t i = 0; i < n; ++i)
        bytes[done + i] = static_cast<unsigned char>(IXDR_GET_INT32(buf));
      done += n;
      continue;
    }
    int v = 0;
    if (!xdr_int(xdrs, &v)) break;
    bytes[done++] = static_cast<unsigned char>(v);
  }
  if (done < count) {
    free(bytes);
    return false;
  }
  *out = reinterpret_cast<char *>(bytes);
  return true;
}

}  // namespace
}  // namespace kq::jqp

using namespace kq::jqp;

int xdr_encodePacket(XDR *xdrs, encodePacket *packet) {
  switch (xdrs->x_op) {
    case XDR_FREE:
      free(packet->encodePacket_val);
      packet->encodePacket_val = nullptr;
      packet->encodePacket_len = 0;
      return TRUE;
    case XDR_ENCODE:
      if (packet->encodePacket_len > 0 && !packet->encodePacket_val) return FALSE;
      return xdr_u_int(xdrs, &packet->encodePacket_len) &&
             EncodeBytes(xdrs, reinterpret_cast<unsigned char *>(packet->encodePacket_val),
                         packet->encodePacket_len);
    case XDR_DECODE: {
      u_int count = 0;
      if (!xdr_u_int(xdrs, &count)) return FALSE;
      packet->encodePacket_len = count;
      if (count == 0) return TRUE;
      // A record that already holds bytes is not decoded into: its storage size is
      // unknown, and trusting the incoming count with it would overrun it.
      if (packet->encodePacket_val) return FALSE;
      if (DecodeGrowing(xdrs, count, &packet->encodePacket_val)) return TRUE;
      packet->encodePacket_len = 0;
      return FALSE;
    }
  }
  return FALSE;
}

int xdr_requestTypes(XDR *xdrs, requestTypes *type) {
  return xdr_enum(xdrs, reinterpret_cast<enum_t *>(type));
}

int xdr_errorTypes(XDR *xdrs, errorTypes *type) {
  return xdr_enum(xdrs, reinterpret_cast<enum_t *>(type));
}

int xdr_JQP_argument_t(XDR *xdrs, JQP_argument_t *argument) {
  return xdr_requestTypes(xdrs, &argument->requestType) &&
         xdr_encodePacket(xdrs, &argument->packet);
}

int xdr_JQP_result_t(XDR *xdrs, JQP_result_t *result) {
  return xdr_errorTypes(xdrs, &result->errorType) && xdr_encodePacket(xdrs, &result->result) &&
         xdr_encodePacket(xdrs, &result->error);
}

int jqp_request_1(JQP_argument_t *argument, JQP_result_t *result, CLIENT *client) {
  struct timeval timeout = {JQP_STUB_TIMEOUT_SECONDS, 0};
  return clnt_call(client, JQP_REQUEST_PROC, reinterpret_cast<xdrproc_t>(xdr_JQP_argument_t),
                   reinterpret_cast<char *>(argument),
                   reinterpret_cast<xdrproc_t>(xdr_JQP_result_t), reinterpret_cast<char *>(result),
                   timeout);
}
