/* A first program: describes a print job as an attribute set (a job name and a copy
 * count, named by their constants), reads it back, and prints the message text of a
 * failure from the status list. Build it against an installed libkqcore:
 *   cc -std=c99 first_program.c $(pkg-config --cflags --libs kqcore) */
#include <kqcore/kqcore.h>
#include <stdio.h>
#include <stdlib.h>

/* Prints the message line of every status in the list, outermost first (a line comes
 * with its newline). A result other than 0 says why the line is a fallback. */
static void PrintStatus(const STF_statusList_t *status) {
  char line[512];
  uint32_t length = 0;
  int32_t i;
  uint32_t result;
  for (i = 1;
       (result = STF_GetMessage(status, i, 0, NULL, sizeof line, &length, line)) != STF_ST_NO_ENTRY;
       i++) {
    printf("  %s", line);
    if (result != 0) printf("  (no catalogue text: 0x%08lx)\n", (unsigned long)result);
  }
}

int main(void) {
  STF_statusList_t *status = STF_CreateList(NULL);
  AS_setHandle_t job = AS_nullSetHandle;
  GEN_SimpleName_t *name = NULL;
  GEN_Integer_t *copies = NULL;
  void *value = NULL;
  char *text = NULL;
  uint32_t count = 0;
  int major = 0;

  /* What the program was built with against what it runs with. */
  KQ_GetVersion(&major, NULL, NULL);
  printf("libkqcore %s, built with %s\n", KQ_GetVersionString(), KQ_VERSION_STRING);
  if (status == NULL || major != KQ_VERSION_MAJOR) return 1;
  /* Announces the program to the message catalogues once; without it status messages
   * come out as fallback lines with the bare codes. */
  if (MSG_UsageBegin("FIRST") != 0) return 1;

  /* A set made with a null allocate descriptor allocates with malloc, as do the makers
   * given none, so the values made here may be handed to it: it owns them from then. */
  copies = malloc(sizeof *copies);
  if (copies == NULL) return 1;
  *copies = 2;
  if (AS_Create(status, &job, NULL, 0) != 0 ||
      GENU_MakeSimpleName(status, &name, "quarterly report", NULL) != 0 ||
      AS_AddAttrVal(status, job, GENU_SHOID_ID_ATT_JOB_NAME, GEN_TYPE_SIMPLE_NAME, name,
                    &GENU_SimpleNameDesc, NULL) != 0 ||
      AS_AddAttrVal(status, job, GENU_SHOID_ID_ATT_COPY_COUNT, GEN_TYPE_CARDINAL, copies,
                    &GENU_CardinalDesc, NULL) != 0) {
    PrintStatus(status);
    return 1;
  }

  /* Values read back are borrowed from the set; the extracted string is the caller's. */
  if (AS_GetCount(status, job, &count) != 0 ||
      AS_GetAttrVal(status, job, GENU_SHOID_ID_ATT_JOB_NAME, &value) != 0 ||
      GENU_ExtractSimpleName(status, &text, value, NULL) != 0) {
    PrintStatus(status);
    return 1;
  }
  printf("job with %u attributes, %s: \"%s\"\n", (unsigned)count,
         GENU_ShortOIDToAscii(GENU_SHOID_ID_ATT_JOB_NAME), text);
  free(text);
  if (AS_GetAttrVal(status, job, GENU_SHOID_ID_ATT_COPY_COUNT, &value) != 0) return 1;
  printf("%s: %d\n", GENU_ShortOIDToAscii(GENU_SHOID_ID_ATT_COPY_COUNT),
         (int)*(GEN_Integer_t *)value);

  /* A failure: the set holds no job priority. The status list says why, in the text
   * of the installed message catalogue. */
  if (AS_GetAttrVal(status, job, GENU_SHOID_ID_ATT_JOB_PRIORITY, &value) != 0) {
    printf("no %s:\n", GENU_ShortOIDToAscii(GENU_SHOID_ID_ATT_JOB_PRIORITY));
    PrintStatus(status);
  }

  AS_Destroy(status, &job); /* frees the values it owns */
  STF_DeleteList(status);
  MSG_UsageEnd();
  return 0;
}
