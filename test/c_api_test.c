/* A C caller of the library: includes the umbrella header and uses one function of
 * each family, so that both the declarations and the exported symbols are checked. */
#include <locale.h>
#include <stdio.h>
#include <string.h>

#include "kqcore.h"

static int failures;
#define EXPECT(cond)                                                     \
  do {                                                                   \
    if (!(cond)) {                                                       \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #cond); \
      failures++;                                                        \
    }                                                                    \
  } while (0)

int main(void) {
  STF_statusList_t *list = STF_CreateList(NULL);
  char line[256];
  uint32_t len = 0;
  int32_t kind = -1;
  pthread_mutex_t m;
  AS_setHandle_t set = AS_nullSetHandle;
  uint32_t count = 99;

  EXPECT(list != NULL);
  STF_AddStatus(list, STF_ST_NO_MEMORY, 0);
  EXPECT(STF_GetStatus(list) == STF_ST_NO_MEMORY);
  EXPECT(STF_GetMessage(list, 1, 0x7, NULL, sizeof line, &len, line) == 0 || len > 0);
  STF_ClearStatus(list);
  EXPECT(AS_Create(list, &set, NULL, 0) == 0);
  EXPECT(AS_AddAttr(list, set, 7, 1, NULL) == 0);
  EXPECT(AS_GetCount(list, set, &count) == 0 && count == 1);
  EXPECT(AS_Destroy(list, &set) == 0 && set == AS_nullSetHandle);
  EXPECT(AS_GetCount(list, set, &count) == 1 && STF_GetStatus(list) == AS_ST_BAD_ARG1);
  STF_DeleteList(list);

  EXPECT(THR_InitMutex(&m) == 0);
  EXPECT(THR_LockMutex(&m) == 0);
  EXPECT(THR_UnlockMutex(&m) == 0);
  EXPECT(THR_TermMutex(&m) == 0);

  EXPECT(FA_CheckFilePath("/tmp", 4, &kind) == 0 && kind == FA_PATH_ABSOLUTE);
  EXPECT(LOG_GetMaxTextChunk() == 2048);
  /* The position macros compile as C; with the log off they write nothing. */
  {
    int was = LOG_SetEnabled(0);
    LOG_COND_MESSAGE(LOG_SEV_DIAG, "%s", "c caller");
    LOG_COND_FUNC_TRACE("main", 1, NULL);
    LOG_SetEnabled(was);
  }
  EXPECT(OSC_ThreadSleep(1) == 0);
  EXPECT(MSG_setlocale_r(LC_ALL, NULL, line, sizeof line) <= 0);

  printf("%d passed, %d failed\n", failures ? 0 : 1, failures ? 1 : 0);
  return failures ? 1 : 0;
}
