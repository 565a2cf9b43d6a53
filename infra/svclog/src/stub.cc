// TEMPORARY placeholder so the library links while the service log is written.
#include "infra/svclog.h"
extern "C" {
int LOG_Init(const char *, const char *) { return 0; }
int LOG_Syslog(const char *, const char *, int, int) { return 0; }
int LOG_Term(void) { return 0; }
const char *LOG_SetAddress(const char *) { return "standard output"; }
uint32_t LOG_SetSeverity(const char *) { return 0x103; }
int LOG_SetEnabled(int) { return 1; }
int LOG_SetUseOnce(int) { return 0; }
long LOG_SetLogSize(long) { return 0; }
int LOG_SetMaxNoOfLogs(int) { return 0; }
int LOG_GetMaxTextChunk(void) { return LOG_MAX_TEXT_CHUNK; }
int LOG_StartMessage(int, const char *, int, const char *) { return 0; }
void LOG_AddText(const char *) {}
void LOG_CondAdd(const char *, ...) {}
void LOG_EndMessage(void) {}
int LOG_InMessage(void) { return 0; }
void LOG_CondMessage(int, const char *, int, const char *, ...) {}
void LOG_CondFuncTrace(const char *, const char *, int, int, const char *, ...) {}
void LOG_CondUserMessage(int, uint32_t, ...) {}
}
