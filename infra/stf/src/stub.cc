// TEMPORARY placeholder.
#include "infra/stf.h"
extern "C" {
uint32_t STF__memoryUserBlocked = 0;
STF_statusList_t *STF_CreateList(STF_statusList_t *) { return nullptr; }
STF_statusList_t *STF_CreateListExplicit(STF_statusList_t *, int32_t, int32_t) { return nullptr; }
void STF_DeleteList(STF_statusList_t *) {}
void STF_AddStatus(STF_statusList_t *, uint32_t, int32_t, ...) {}
void STF_AddEnvStatus(STF_statusList_t *, uint32_t, int32_t, ...) {}
void STF_AddEnvStatusByArray(STF_statusList_t *, ...) {}
void STF_ConvertErrno(STF_statusList_t *, int32_t, const char *) {}
uint32_t STF_GetStatus(const STF_statusList_t *) { return 0; }
void STF_ClearStatus(STF_statusList_t *) {}
uint32_t STF_GetObjectInfo(const STF_statusList_t *, int32_t, STF_objectInfo_t *) { return 0; }
uint32_t STF_GetMessage(const STF_statusList_t *, int32_t, uint32_t, const char *, uint32_t,
                        uint32_t *, char *) { return 0; }
uint32_t STF_PutMessages(const STF_statusList_t *, uint32_t, const char *, STF_messageSink_t,
                         void *) { return 0; }
}
