#include "event_cmd.h"

#include <sys/stat.h>

#include <cerrno>
#include <cinttypes>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "command.h"
#include "infra/evt.h"
#include "internal/evt_port.h"

namespace {

bool ReadInteger(const std::string &s, int32_t *out) {
  if (s.empty()) return false;
  errno = 0;
  char *end = nullptr;
  long long v = std::strtoll(s.c_str(), &end, 10);
  if (*end || errno || v < INT32_MIN || v > INT32_MAX || s[0] == '+' || s[0] == ' ') return false;
  *out = static_cast<int32_t>(v);
  return true;
}

// The contents of a regular file; the reason when there are none to send.
const char *ReadFile(const char *path, std::string *out) {
  FILE *f = fopen(path, "rb");
  if (!f) return strerror(errno);
  struct stat st;
  const char *why = nullptr;
  if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) why = "not a regular file";
  char buf[65536];
  size_t n;
  while (!why && (n = fread(buf, 1, sizeof buf, f)) > 0) out->append(buf, n);
  if (!why && ferror(f)) why = strerror(errno);
  if (!why && out->empty()) why = "empty file (a byte string has at least one byte)";
  fclose(f);
  return why;
}

// Owns the facility for one command: initialised on entry, every queue closed on exit.
struct Facility {
  EVT_queueId_t queue = 0;
  Facility() { EVT_Init(); }
  ~Facility() {
    if (queue) EVT_Close(queue);
    EVT_Term();
  }
};

void PrintString(FILE *out, const char *s) {
  fputc('"', out);
  for (const unsigned char *p = reinterpret_cast<const unsigned char *>(s); *p; p++) {
    if (*p == '"' || *p == '\\')
      fprintf(out, "\\%c", *p);
    else if (*p == '\n')
      fputs("\\n", out);
    else if (*p < 0x20 || *p == 0x7f)
      fprintf(out, "\\x%02x", *p);
    else
      fputc(*p, out);
  }
  fputc('"', out);
}

// One line for a received message; false when an argument could not be read.
bool PrintMessage(EVT_queueId_t q, EVT_messageId_t m, FILE *out) {
  std::string line;
  std::vector<unsigned char> buf(4096);
  for (bool first = true;; first = false) {
    int32_t value;
    int rc = EVT_MessageIArgGet(q, m, &value);
    if (rc == EVT_E_NOARG) break;
    if (!first) fputc(' ', out);
    if (rc == EVT_OK) {
      fprintf(out, "%" PRId32, value);
      continue;
    }
    int32_t len = static_cast<int32_t>(buf.size());
    rc = EVT_MessageBArgGet(q, m, &len, buf.data());
    if (rc == EVT_E_BUFFER) {
      buf.resize(static_cast<size_t>(len));
      rc = EVT_MessageBArgGet(q, m, &len, buf.data());
    }
    if (rc == EVT_OK) {
      fputs("0x", out);
      for (int32_t i = 0; i < len; i++) fprintf(out, "%02x", buf[static_cast<size_t>(i)]);
      continue;
    }
    for (;;) {
      rc = EVT_MessageArgGet(q, m, static_cast<int32_t>(buf.size()),
                             reinterpret_cast<char *>(buf.data()));
      if (rc != EVT_E_BUFFER) break;
      buf.resize(buf.size() * 2);
    }
    if (rc != EVT_OK) return false;
    PrintString(out, reinterpret_cast<char *>(buf.data()));
  }
  fputc('\n', out);
  fflush(out);
  return true;
}

}  // namespace

int kq_event_send(const std::string &destination, const std::vector<std::string> &args, FILE *err) {
  Facility f;
  GEN_Text_t to{};
  to.choice = GEN_TEXT_OTHER;
  to.u.octets.length = static_cast<int32_t>(destination.size());
  to.u.octets.value = reinterpret_cast<unsigned char *>(const_cast<char *>(destination.data()));
  int rc = EVT_Open(&to, nullptr, &f.queue);
  if (rc) {
    fprintf(err, "kq event send: cannot use destination '%s' (HOST:PORT): result %d\n",
            destination.c_str(), rc);
    return 2;
  }
  EVT_messageId_t m = 0;
  if ((rc = EVT_MessageCreate(f.queue, &m))) {
    fprintf(err, "kq event send: no message: result %d\n", rc);
    return 1;
  }
  for (const std::string &a : args) {
    int32_t value;
    if (ReadInteger(a, &value)) {
      rc = EVT_MessageIArgPut(f.queue, m, value);
    } else if (a.size() > 1 && a[0] == '@') {
      std::string bytes;
      if (const char *why = ReadFile(a.c_str() + 1, &bytes)) {
        fprintf(err, "kq event send: %s: %s\n", a.c_str() + 1, why);
        return 2;
      }
      rc = EVT_MessageBArgPut(f.queue, m, static_cast<int32_t>(bytes.size()), bytes.data());
    } else {
      rc = EVT_MessageArgPut(f.queue, m, a.c_str());
    }
    if (rc) {
      fprintf(err, "kq event send: argument '%s': result %d\n", a.c_str(), rc);
      return 1;
    }
  }
  if ((rc = EVT_MessageSend(f.queue, m))) {
    fprintf(err, "kq event send: %s: %s (result %d)\n", destination.c_str(),
            rc == EVT_E_TIMEOUT ? "time-out" : "not delivered", rc);
    return 1;
  }
  return 0;
}

int kq_event_listen(int port, long count, int32_t timeoutMs, FILE *out, FILE *err) {
  Facility f;
  uint16_t bound = 0;
  int rc = port < 0 ? EVT_OpenRegisteredPort(&bound, &f.queue)
                    : EVT__OpenPort(static_cast<uint16_t>(port), &bound, &f.queue);
  if (rc) {
    fprintf(err, "kq event listen: cannot listen%s (result %d)\n",
            rc == EVT_E_BUSY ? ": port in use" : "", rc);
    return 1;
  }
  fprintf(err, "kq event listen: listening on port %u\n", bound);
  fflush(err);
  for (long n = 0; count == 0 || n < count;) {
    EVT_messageId_t m = 0;
    rc = EVT_MessageReceive(f.queue, timeoutMs, nullptr, &m);
    if (rc == EVT_E_TIMEOUT && timeoutMs > 0) {
      fprintf(err, "kq event listen: no message within %" PRId32 " ms\n", timeoutMs);
      return 1;
    }
    if (rc) {  // a bad peer costs its own message only
      fprintf(err, "kq event listen: message not received (result %d)\n", rc);
      continue;
    }
    if (!PrintMessage(f.queue, m, out))
      fprintf(err, "kq event listen: message %u could not be read\n", m);
    EVT_MessageFree(f.queue, m);
    n++;
  }
  return 0;
}

namespace {

kq::tool::Command AddEvent(CLI::App &app) {
  static struct {
    std::string destination;
    std::vector<std::string> args;
    int port = -1;
    long count = 0;
    int32_t timeout = 0;
  } o;
  static bool sending = false;
  CLI::App *sub = app.add_subcommand("event", "Send or receive event messages");
  sub->require_subcommand(1);
  CLI::App *send = sub->add_subcommand("send", "Send one message of the given arguments");
  send->add_option("DESTINATION", o.destination, "HOST:PORT")->required();
  send->add_option("ARG", o.args,
                   "integer, string, or @FILE for a byte string of the file's contents")
      ->required();
  send->callback([] { sending = true; });
  CLI::App *listen = sub->add_subcommand("listen", "Print each received message on one line");
  listen->add_option("PORT", o.port, "TCP port (0: a free one; default: the registered port)")
      ->check(CLI::Range(0, 65535));
  listen->add_option("-n,--count", o.count, "stop after this many messages")
      ->check(CLI::NonNegativeNumber);
  listen->add_option("-t,--timeout", o.timeout, "give up after this many ms without a message")
      ->check(CLI::NonNegativeNumber);
  return {sub, [] {
            return sending ? kq_event_send(o.destination, o.args, stderr)
                           : kq_event_listen(o.port, o.count, o.timeout, stdout, stderr);
          }};
}
KQ_COMMAND(AddEvent);

}  // namespace
