// Writing a finished message: syslog, or a stream with the size test, rollover to a
// new stamped file, opening on first write and trimming of old files.
#include <syslog.h>

#include "private/svclog_internal.h"

namespace kq::svclog {
namespace {

void WriteToSyslog(int priority, const char *text) { syslog(priority, "%s", text); }

bool RollOverDue(long length) {
  return LOG_address[0] && LOG_maxLogSize > 0 && LOG_logSize > 0 &&
         LOG_logSize + length > LOG_maxLogSize;
}

}  // namespace

SyslogWriter syslogWriter = WriteToSyslog;

int SyslogPriority(int severity) {
  switch (severity) {
    case 1:
      return LOG_LPR | LOG_ERR;
    case 2:
      return LOG_LPR | LOG_WARNING;
    case 3:
    case 4:
      return LOG_LPR | LOG_INFO;
    default:
      return LOG_LPR | LOG_DEBUG;
  }
}

void WriteLocked(LOG__messageState *state) {
  if (LOG_tosyslog) {
    // syslog takes one string: the first buffer, at most 1023 characters.
    LOG__textBuffer *first = state->first;
    first->text[first->count] = '\0';
    syslogWriter(SyslogPriority(state->severity), first->text);
    return;
  }
  // A message that would take the file past its limit starts a new file. An empty
  // file is kept even for a message larger than the limit: a new name would not help.
  if (RollOverDue(state->length)) {
    if (LOG_fd) fclose(LOG_fd);
    LOG_fd = nullptr;
    LOG_logSize = 0;
    SetAddressLocked(LOG_filePath);
  }
  if (!LOG_fd) {
    if (!LOG_address[0]) return;
    LOG_fd = fopen(LOG_address, "w+");
    if (!LOG_fd) return;  // the message is lost; the next one tries again
    if (LOG_maxLogs > 0) LOG__trim(LOG_filePath, LOG_maxLogs);
  }
  for (LOG__textBuffer *b = state->first;; b = b->next) {
    fwrite(b->text, 1, static_cast<size_t>(b->count), LOG_fd);
    if (b == state->current) break;
  }
  fflush(LOG_fd);
  LOG_logSize += state->length;
}

}  // namespace kq::svclog
