// The FTP reply reader on arbitrary server output: every reply of the input is read
// in turn, as the dialogue would, until the reader gives up.
#include <cstdint>
#include <cstdio>

#include "private/ft_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  FILE *in = fmemopen(const_cast<uint8_t *>(data), size, "r");
  if (in == nullptr) return 0;
  FT_ftpConn conn;
  conn.in = in;
  while (FTP_GetReply(&conn) == 0) {
    if (conn.reply < 100 || conn.reply > 599) __builtin_trap();
  }
  if (conn.reply != 421) __builtin_trap();
  fclose(in);
  return 0;
}
