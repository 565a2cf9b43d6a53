// The front door: dispatch of a transfer by its method.
#include "infra/svclog.h"
#include "private/ft_internal.h"

extern "C" uint32_t FT_Init(void) { return 0; }
extern "C" uint32_t FT_Shutdown(void) { return 0; }
extern "C" uint32_t FT_Cancel(void) { return 0; }

extern "C" uint32_t FT_RetrieveToFile(const FT_docId_t *doc, const FT_transferRef_t *ref,
                                      int32_t method, const char *spoolDir,
                                      FT_receivedFile_t *result) {
  LOG_COND_FUNC_TRACE("FT_RetrieveToFile", 1, nullptr);
  uint32_t code = FT__CheckDocId("FT_RetrieveToFile", doc);
  if (code == 0 && result == nullptr) code = FT_ST_FAILED;
  if (code == 0) {
    LOG_COND_MESSAGE(kFtSevInfo, "FT_RetrieveToFile: jobId = %s, docNum = %d\n", doc->jobId,
                     doc->docNum);
    *result = FT_receivedFile_t{};
    result->listenSocket = -1;
    switch (method) {
      case FT_METHOD_SOCKET:
        code = Socket_ServerFile(doc, spoolDir, result);
        break;
      case FT_METHOD_FILE_REFERENCE:
        code = FileRef_ReceiveFile(doc, ref, spoolDir, result);
        break;
      case FT_METHOD_ANONYMOUS_FTP:
        code = AFTP_ReceiveFile(doc, ref, spoolDir, result);
        break;
      default:
        LOG_COND_MESSAGE(kFtSevError, "FT_RetrieveToFile: unsupported transfer method %d\n",
                         method);
        code = FT_ST_FAILED;
    }
  }
  LOG_COND_FUNC_TRACE("FT_RetrieveToFile", 0, nullptr);
  return code;
}

extern "C" uint32_t FT_FileToSend(const FT_docId_t *doc, const FT_transferAddress_t *address,
                                  const char *path, int32_t method) {
  LOG_COND_FUNC_TRACE("FT_FileToSend", 1, nullptr);
  uint32_t code = FT__CheckDocId("FT_FileToSend", doc);
  if (code == 0) {
    LOG_COND_MESSAGE(kFtSevInfo, "FT_FileToSend: jobId = %s, docNum = %d\n", doc->jobId,
                     doc->docNum);
    if (method == FT_METHOD_SOCKET) {
      code = Socket_ClientFile(doc, address, path);
    } else {
      if (method == FT_METHOD_ANONYMOUS_FTP)
        LOG_COND_MESSAGE(kFtSevError, "FT_FileToSend: FTP transfer method unsupported\n");
      code = FT_ST_FAILED;
    }
  }
  LOG_COND_FUNC_TRACE("FT_FileToSend", 0, nullptr);
  return code;
}
