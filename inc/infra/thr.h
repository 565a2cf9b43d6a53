/* Thread, mutex, condition, key and once wrappers returning status codes of the
 * thread facility (0 on success), and the reader/writer lock with writer
 * preference. The mutex, condition and key objects are the platform's; callers own
 * their storage. */
#ifndef KQ_INFRA_THR_H
#define KQ_INFRA_THR_H

#include <pthread.h>
#include <signal.h>
#include <stddef.h>
#include <stdint.h>

#include "kqexport.h"

KQ_BEGIN_DECLS

#define THR_ST_FAILED 0xc00c0001u        /* operation failed */
#define THR_ST_INVALID 0xc00c0002u       /* invalid argument or unknown thread */
#define THR_ST_TIMEOUT 0xc00c0003u       /* timed out */
#define THR_ST_BUSY 0xc00c0004u          /* busy */
#define THR_ST_RESOURCE 0xc00c0005u      /* resource failure */
#define THR_ST_NOT_SUPPORTED 0xc00c0006u /* not supported */
#define THR_ST_NOT_PERMITTED 0xc00c0007u /* not permitted */

/* Priority classes of THR_StartThread and THR_SetPriority. */
#define THR_PRIORITY_LOW 0    /* scheduling priority 16 */
#define THR_PRIORITY_NORMAL 1 /* 24 */
#define THR_PRIORITY_HIGH 2   /* 32 */

typedef pthread_mutex_t THR_mutex_t;
typedef pthread_cond_t THR_condition_t;
typedef pthread_key_t THR_threadKey_t;
typedef pthread_once_t THR_once_t;
typedef pthread_t THR_thread_t;
typedef void *(*THR_threadFunction_t)(void *);

KQ_EXPORT uint32_t THR_InitThreads(void);
KQ_EXPORT uint32_t THR_TermThreads(void);
KQ_EXPORT uint32_t THR_Yield(void);

KQ_EXPORT uint32_t THR_InitMutex(THR_mutex_t *mutex);
KQ_EXPORT uint32_t THR_TermMutex(THR_mutex_t *mutex);
KQ_EXPORT uint32_t THR_LockMutex(THR_mutex_t *mutex);
KQ_EXPORT uint32_t THR_TryLockMutex(THR_mutex_t *mutex);
KQ_EXPORT uint32_t THR_UnlockMutex(THR_mutex_t *mutex);

KQ_EXPORT uint32_t THR_InitCondition(THR_condition_t *condition);
KQ_EXPORT uint32_t THR_TermCondition(THR_condition_t *condition);
KQ_EXPORT uint32_t THR_WaitForCondition(THR_condition_t *condition, THR_mutex_t *mutex);
KQ_EXPORT uint32_t THR_WaitForConditionTimed(THR_condition_t *condition, THR_mutex_t *mutex,
                                             int32_t milliseconds);
KQ_EXPORT uint32_t THR_SignalCondition(THR_condition_t *condition);
KQ_EXPORT uint32_t THR_BroadcastCondition(THR_condition_t *condition);

KQ_EXPORT uint32_t THR_InitThreadKey(THR_threadKey_t *key, void (*destructor)(void *));
KQ_EXPORT uint32_t THR_SetThreadKeyValue(THR_threadKey_t key, const void *value);
KQ_EXPORT uint32_t THR_GetThreadKeyValue(THR_threadKey_t key, void **valueOut);

KQ_EXPORT uint32_t THR_StartThread(THR_threadFunction_t function, void *argument, size_t stackSize,
                                   int32_t priorityClass, int32_t detached,
                                   THR_thread_t *threadOut);
KQ_EXPORT void THR_ExitThread(void *status);
KQ_EXPORT uint32_t THR_JoinThread(const THR_thread_t *thread, void **statusOut);
KQ_EXPORT uint32_t THR_GetThreadHandle(THR_thread_t *threadOut);
KQ_EXPORT uint32_t THR_Equal(THR_thread_t a, THR_thread_t b, int32_t *resultOut);
KQ_EXPORT uint32_t THR_SetPriority(const THR_thread_t *threadOrNull, int32_t priorityClass);
/* Declared only where <signal.h> shows the POSIX signal interface (sigset_t), so that a
 * strict ISO C program needs no feature-test macro to include this header. */
#ifdef SIG_BLOCK
KQ_EXPORT uint32_t THR_SetSignalMask(int how, const sigset_t *newMask, sigset_t *oldMask);
#endif
KQ_EXPORT uint32_t THR_Once(THR_once_t *control, void (*function)(void));

/* Exported for callers that bracket RPC use; they have nothing to do here. */
KQ_EXPORT int RPC_Init(void);
KQ_EXPORT int RPC_Term(void);
KQ_EXPORT int RPC_Lock(void);
KQ_EXPORT int RPC_Unlock(void);

KQ_END_DECLS

#endif
