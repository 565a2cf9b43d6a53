// Building message lines from entries: the "%APP:SOURCE.FACILITY, " prefix, the
// catalogue text with its inserts, the closing newline, and the walk over a list.
#include <cstdio>
#include <cstring>

#include "infra/msg.h"
#include "private/stf_list.h"

namespace {

constexpr uint32_t kValidFlags =
    STF_MSG_NO_APPLICATION | STF_MSG_NO_SOURCE | STF_MSG_NO_FACILITY | STF_MSG_NO_NEWLINE;
constexpr uint32_t kAllPrefixParts =
    STF_MSG_NO_APPLICATION | STF_MSG_NO_SOURCE | STF_MSG_NO_FACILITY;
constexpr uint32_t kPutFirstBuffer = 200;

void SetUnlessSet(uint32_t *result, uint32_t code) {
  if (*result == 0) *result = code;
}

}  // namespace

extern "C" {

uint32_t STF_GetMessage(const STF_statusList_t *list, int32_t index, uint32_t flags,
                        const char *localeName, uint32_t bufSize, uint32_t *lengthOut,
                        char *buffer) {
  if (!list) return 0xffffffffu;
  if (lengthOut) *lengthOut = 0;
  if (bufSize && buffer) buffer[0] = '\0';
  if (!buffer) bufSize = 0;

  STF_objectInfo_t info;
  if (uint32_t st = STF_GetObjectInfo(list, index, &info)) return st;

  uint32_t result = 0;
  if (flags & ~kValidFlags) {
    result = STF_ST_BAD_FLAGS;
    flags = 0;
  }

  char prefix[64] = "";
  uint32_t prefixLen = 0;
  if ((flags & kAllPrefixParts) != kAllPrefixParts) {
    char app[9], source[11], facility[11];
    uint32_t st = MSG_GetSymbolicNames(info.source, info.code, sizeof app, app, sizeof source,
                                       source, sizeof facility, facility, 0);
    if (st) SetUnlessSet(&result, st);
    int n = snprintf(
        prefix, sizeof prefix, "%s%s%s%s%s%s, ", index == 1 ? "%" : "-",
        (flags & STF_MSG_NO_APPLICATION) ? "" : app, (flags & STF_MSG_NO_SOURCE) ? "" : ":",
        (flags & STF_MSG_NO_SOURCE) ? "" : source, (flags & STF_MSG_NO_FACILITY) ? "" : ".",
        (flags & STF_MSG_NO_FACILITY) ? "" : facility);
    prefixLen = static_cast<uint32_t>(n);
  }

  uint32_t remaining = 0;
  if (prefixLen >= bufSize) {
    if (bufSize) {
      memcpy(buffer, prefix, bufSize - 1);
      buffer[bufSize - 1] = '\0';
    }
    if (prefixLen) SetUnlessSet(&result, MSG_ST_TRUNCATED);
  } else {
    memcpy(buffer, prefix, prefixLen + 1);
    remaining = bufSize - prefixLen;
  }

  char none[1];
  uint32_t textLength = 0;
  uint32_t st =
      MSG_GetFormattedByArray(info.source, info.code, 0, localeName, remaining, &textLength,
                              remaining ? buffer + prefixLen : none, info.argCount, info.args);
  if (st && (result == 0 || result == MSG_ST_TRUNCATED)) result = st;
  uint32_t length = prefixLen + textLength;

  if (!(flags & STF_MSG_NO_NEWLINE)) {
    if (length <= bufSize && length >= 2 && buffer[length - 2] == '\n') {
      // already ends with a newline
    } else if (length < bufSize) {
      buffer[length - 1] = '\n';
      buffer[length] = '\0';
      length++;
    } else {
      if (bufSize >= 2) buffer[bufSize - 2] = '\n';
      SetUnlessSet(&result, MSG_ST_TRUNCATED);
      length++;
    }
  }
  if (result == MSG_ST_TRUNCATED) result = STF_ST_TRUNCATED;
  if (lengthOut) *lengthOut = length;
  return result;
}

uint32_t STF_PutMessages(const STF_statusList_t *list, uint32_t flags, const char *localeName,
                         STF_messageSink_t sink, void *userData) {
  if (!list) return 0xffffffffu;
  char first[kPutFirstBuffer];
  char *larger = nullptr;
  char *buffer = first;
  uint32_t size = kPutFirstBuffer;
  uint32_t result = 0;

  for (int32_t index = 1; index <= kq::stf::kMaxEntriesLimit; ++index) {
    uint32_t needed = 0;
    uint32_t st = STF_GetMessage(list, index, flags, localeName, size, &needed, buffer);
    if (st == STF_ST_TRUNCATED) {
      auto *bigger = static_cast<char *>(STF__Malloc(needed, STF_TAG_MESSAGE_BUFFER));
      if (bigger) {
        STF__Free(larger);
        larger = buffer = bigger;
        size = needed;
        st = STF_GetMessage(list, index, flags, localeName, size, &needed, buffer);
      }
    }
    if (st == STF_ST_NO_ENTRY) break;
    if (st) {
      uint32_t remembered = st == STF_ST_TRUNCATED ? STF_ST_NO_MEMORY : st;
      if (result == 0 || (result == STF_ST_NO_MEMORY && remembered != STF_ST_NO_MEMORY)) {
        result = remembered;
      }
    }
    bool last = STF__GetObjectPointer(list, index + 1) == nullptr;
    if (sink) {
      uint32_t rc =
          sink(buffer, static_cast<uint32_t>(strlen(buffer)) + 1, last ? -index : index, userData);
      if (rc) {
        result = rc;
        break;
      }
    }
    if (last) break;
  }
  STF__Free(larger);
  return result;
}

}  // extern "C"
