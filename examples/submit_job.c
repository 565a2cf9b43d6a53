/* Submits one file as a print job and prints the job's identifier: the printer is
 * found in the directory (the printers file, PRINTERS_CONF), the job's name is the
 * file's name, and the document goes with the request.
 *   submit_job PRINTER FILE */
#include <kqcore/kqcore.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* The whole file in a fresh buffer, or null. */
static unsigned char *ReadAll(const char *path, long *length) {
  FILE *f = fopen(path, "rb");
  unsigned char *bytes = NULL;
  if (f != NULL && fseek(f, 0, SEEK_END) == 0 && (*length = ftell(f)) >= 0 &&
      fseek(f, 0, SEEK_SET) == 0 && (bytes = malloc((size_t)*length + 1)) != NULL &&
      fread(bytes, 1, (size_t)*length, f) != (size_t)*length) {
    free(bytes);
    bytes = NULL;
  }
  if (f != NULL) fclose(f);
  return bytes;
}

/* A simple-name value of a set, made with malloc as the sets created here use. */
static int AddName(STF_statusList_t *status, AS_setHandle_t set, uint32_t attribute,
                   const char *text) {
  GEN_SimpleName_t *name = NULL;
  if (GENU_MakeSimpleName(status, &name, text, NULL) != 0) return 1;
  if (AS_AddAttrVal(status, set, attribute, GEN_TYPE_SIMPLE_NAME, name, &GENU_SimpleNameDesc,
                    NULL) != 0) {
    free(name);
    return 1;
  }
  return 0;
}

static void PrintStatus(const STF_statusList_t *status) {
  char line[512];
  uint32_t length = 0;
  int32_t i;
  for (i = 1; STF_GetMessage(status, i, 0, NULL, sizeof line, &length, line) != STF_ST_NO_ENTRY;
       i++) {
    fprintf(stderr, "submit_job: %s", line);
  }
}

int main(int argc, char **argv) {
  STF_statusList_t *status = STF_CreateList(NULL);
  AS_setHandle_t job = AS_nullSetHandle, common = AS_nullSetHandle;
  GEN_SimpleName_t printer;
  GEN_DocumentContent_t content;
  GEN_DocDescription_t document;
  GEN_printResult_t *result = NULL;
  ERDPA_errorResult_t *error = NULL;
  unsigned char *bytes = NULL;
  long length = 0;
  int rc = 1;

  if (argc != 3 || strlen(argv[1]) > GEN_SIMPLE_NAME_MAX) {
    fprintf(stderr, "usage: submit_job PRINTER FILE\n");
    return 2;
  }
  if (status == NULL || MSG_UsageBegin("SUBMIT") != 0) return 1;
  if ((bytes = ReadAll(argv[2], &length)) == NULL) {
    fprintf(stderr, "submit_job: %s cannot be read\n", argv[2]);
    return 1;
  }
  NS_Init(NULL, NS_CLASS_CLIENT); /* the directory, where the printer's server is found */

  memset(&printer, 0, sizeof printer);
  printer.choice = GEN_TEXT_STRING;
  strcpy(printer.u.string, argv[1]);
  /* The document is included in the request as octets (EXTERNAL, octet aligned). */
  memset(&content, 0, sizeof content);
  content.choice = 1;
  content.u.external.choice = 2;
  content.u.external.u.octets.length = (int32_t)length;
  content.u.external.u.octets.value = bytes;
  memset(&document, 0, sizeof document);
  document.content = &content;
  document.attributes = AS_nullSetHandle;

  /* The common arguments name the printer, which selects the server to ask. */
  if (AS_Create(status, &job, NULL, 0) != 0 || AS_Create(status, &common, NULL, 0) != 0 ||
      AddName(status, job, GENU_SHOID_ID_ATT_JOB_NAME, argv[2]) != 0 ||
      AddName(status, common, GENU_SHOID_ID_ATT_PRINTER_NAME, argv[1]) != 0) {
    PrintStatus(status);
  } else if (JQP_CreateJob_C(status, &printer, NULL, job, &document, common, &result, &error) !=
             0) {
    PrintStatus(status);
  } else if (error != NULL) {
    char *text = ErrorResult2String(error);
    fprintf(stderr, "submit_job: the server refused the job: %s\n", text ? text : "?");
    free(text);
  } else {
    printf("%s\n", result->jobIdentification.value);
    rc = 0;
  }

  if (result != NULL) FreeGEN_printResult(status, result);
  if (error != NULL) ERDPA_FreeError(status, error);
  AS_Destroy(status, &job);
  AS_Destroy(status, &common);
  JQP_Terminate(status);
  NS_Term();
  free(bytes);
  STF_DeleteList(status);
  MSG_UsageEnd();
  return rc;
}
