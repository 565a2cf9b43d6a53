// `kq event send HOST:PORT ARG...` and `kq event listen [PORT]`: both ends of event
// messaging from a shell.
#ifndef KQ_TOOLS_KQ_EVENT_CMD_H
#define KQ_TOOLS_KQ_EVENT_CMD_H

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Sends one message: an argument that reads as a decimal 32-bit integer is sent as an
// integer, "@FILE" as a byte string of the file's contents, anything else as a string.
// Exit status 0, 1 when the message could not be sent, 2 for unusable arguments.
int kq_event_send(const std::string &destination, const std::vector<std::string> &args, FILE *err);

// Prints one line per received message: integers in decimal, strings in double quotes
// (with C escapes), byte strings as 0x and hexadecimal digits, separated by spaces.
// `port` < 0 listens on the registered notification port, 0 on a free one; the port is
// announced on `err`. Stops after `count` messages (0: never) or when no message came
// for `timeoutMs` milliseconds (0: wait without limit; exit status 1).
int kq_event_listen(int port, long count, int32_t timeoutMs, FILE *out, FILE *err);

#endif
