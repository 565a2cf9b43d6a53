/* The BER runtime's world and operations. A world holds everything the coder needs
 * between calls: the allocator (first and third members, which the rest of the
 * library relies on), the module, the decode time-out, the marked input object and
 * the text of the last error. One world is used by one thread at a time. */
#ifndef KQ_INFRA_BER_IFACE_INTERNAL_BER_RUNTIME_H
#define KQ_INFRA_BER_IFACE_INTERNAL_BER_RUNTIME_H

#include <stdint.h>
#include <stdio.h>

#include "infra/ber.h"
#include "internal/ber_desc.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Result codes of the runtime (0 is success). */
#define BER_E_PDU 1        /* unknown PDU number */
#define BER_E_ARG 2        /* null or unusable argument */
#define BER_E_NOMEM 3      /* allocation failed */
#define BER_E_DATA 4       /* input is not a valid encoding of the PDU */
#define BER_E_CONSTRAINT 5 /* a value breaks a bound of its type */
#define BER_E_DEPTH 6      /* nesting too deep */
#define BER_E_LIMIT 7      /* decoding would allocate too much for the input */
#define BER_E_IO 8         /* reading the marked socket failed or ended early */
#define BER_E_TIMEOUT 9    /* no input within the decode time-out */
#define BER_E_INIT 10      /* the world has no module or no BER coder linked */

#define BER_MAX_DEPTH 64
#define BER_MAX_SOCKET_INPUT (16u << 20) /* bytes accepted from one marked socket */

#define BER_LINK_BER 1u
#define BER_LINK_REAL 2u

/* Encoding flags: 16 asks for definite lengths in their shortest form, which is
 * what the encoder always writes. */
#define BER_FLAG_DEFINITE 16u

typedef struct ber_marked ber_marked;

struct OssGlobal {
  void *(*mallocp)(size_t);
  void *(*reallocp)(void *, size_t);
  void (*freep)(void *);
  const ber_module *module;
  uint32_t links;
  uint32_t encodingFlags;
  long timeout;       /* milliseconds for socket input; 0 = wait as long as needed */
  ber_marked *marked; /* the one marked input object, or null */
  FILE *printOut;     /* where ossPrintPDU writes; null = stdout */
  char error[256];
};

/* The runtime's free operation, for code that releases list nodes the world made. */
extern void (*freep)(void *);

long ossGetOssGlobalSize(void);
int ossinit(OssGlobal *world, const ber_module *module);
void ossterm(OssGlobal *world);
int ossLinkBer(OssGlobal *world);
int ossLinkBerReal(OssGlobal *world);
int ossEncode(OssGlobal *world, int pdu, void *structure, OssBuf *out);
int ossDecode(OssGlobal *world, int *pdu, OssBuf *in, void **out);
int ossFreePDU(OssGlobal *world, int pdu, void *structure);
int ossPrintPDU(OssGlobal *world, int pdu, void *structure);
char *ossGetErrMsg(OssGlobal *world);
int ossSetEncodingFlags(OssGlobal *world, unsigned long flags);
void *ossMarkObj(OssGlobal *world, int kind, int fd); /* kind 2: connected socket */
void ossUnmarkObj(OssGlobal *world, void *handle);
int ossSetTimeout(OssGlobal *world, long timeout);

#define OSS_SOCKET 2

#ifdef __cplusplus
}
#endif

#endif
