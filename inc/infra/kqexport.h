/* Export and linkage macros shared by every public header of libkqcore. */
#ifndef KQ_INFRA_KQEXPORT_H
#define KQ_INFRA_KQEXPORT_H

#if defined(__GNUC__)
#define KQ_EXPORT __attribute__((visibility("default")))
#define KQ_PRINTF(fmt, args) __attribute__((format(printf, fmt, args)))
#else
#define KQ_EXPORT
#define KQ_PRINTF(fmt, args)
#endif

#ifdef __cplusplus
#define KQ_BEGIN_DECLS extern "C" {
#define KQ_END_DECLS }
#else
#define KQ_BEGIN_DECLS
#define KQ_END_DECLS
#endif

#endif
