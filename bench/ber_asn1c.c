/* The asn1c side of the BER benchmark: decode and encode records with the codec that
 * asn1c generates from asn1/dpa.asn. Kept in C and in its own file, because the
 * generated C names overlap the library's own record names. */
#include <stdlib.h>

#include "ListResult.h"
#include "PrintArgument.h"

static asn_TYPE_descriptor_t *Type(int which) {
  return which == 0 ? &asn_DEF_PrintArgument : &asn_DEF_ListResult;
}

void *kq_asn1c_decode(int which, const void *buf, size_t len) {
  void *s = NULL;
  asn_dec_rval_t rv = ber_decode(0, Type(which), &s, buf, len);
  if (rv.code != RC_OK || rv.consumed != len) {
    ASN_STRUCT_FREE(*Type(which), s);
    return NULL;
  }
  return s;
}

/* DER from asn1c: what a BER encoder writing shortest definite lengths must match. */
long kq_asn1c_encode(int which, void *s, void *out, size_t cap) {
  asn_enc_rval_t rv = der_encode_to_buffer(Type(which), s, out, cap);
  return rv.encoded;
}

void kq_asn1c_free(int which, void *s) { ASN_STRUCT_FREE(*Type(which), s); }
