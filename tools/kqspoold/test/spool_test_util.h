// Requests as a client sends them to kqspoold (argument records encoded with the
// coding world) and replies read back the way the client reads them (result records
// decoded, error packets through JQP_ErrorDecode), for the tests of the request core
// and of the running daemon.
#ifndef KQ_TOOLS_KQSPOOLD_TEST_SPOOL_TEST_UTIL_H
#define KQ_TOOLS_KQSPOOLD_TEST_SPOOL_TEST_UTIL_H

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dispatch.h"
#include "infra/erdpa.h"
#include "state.h"

// libtirpc loses small blocks in its client creation (inside clnt_tp_create_timed,
// when clients of one program live side by side, and on the directory's pts look-ups):
// library leaks, not ones of this code. The leak checker of sanitizer builds takes
// this as its suppressions; tests hand it to the daemons they start through
// LSAN_OPTIONS.
extern "C" const char *__lsan_default_suppressions();

namespace kq::spool::test {

// An attribute given in a request: identifier and encoded values.
using Given = std::vector<Attr>;
// An identifier (1.2.3.4.5) that no registry knows, usable wherever the requests
// below take an attribute id.
inline constexpr uint32_t kUnknownAttr = 0xffffffffu;
Attr NameAttr(uint32_t id, const std::string &value);

std::string CreateJobPacket(const std::string &printer, const Given &attrs = {},
                            const std::string *document = nullptr, bool complete = true);
std::string AddDocumentPacket(const std::string &job, const std::string &document, bool last);
std::string CloseJobPacket(const std::string &job);
// Operations on one job: 14 (modify, with `attrs` as modifications setting values),
// 15, 16, 19; 18 names the job through the job-or-printer choice.
std::string JobPacket(int32_t op, const std::string &job, const Given &attrs = {});
// Operations on an object: 3, 13, 20, 24, 25, 26 (object argument), 2 (create, with
// `attrs`), 21 (set, `attrs` as modifications), 22 (shutdown). A job instance is a job identifier,
// any other a simple name.
std::string ObjectPacket(int32_t op, uint32_t cls, const std::string &instance,
                         const Given &attrs = {});
std::string ResubmitPacket(const std::string &job, const std::string &printer);
// A new listing; `equal` (when it has an identifier) selects the objects holding that
// value; `requested` names the attributes wanted (empty: all); maximum < 0: no maximum.
std::string ListPacket(int32_t op, uint32_t cls, const Attr &equal = {},
                       const std::vector<uint32_t> &requested = {}, int32_t maximum = -1);
std::string ContinuePacket(const std::string &context, bool abort = false);

// A kqspoold started by a test with `args` (after the program name), its standard
// output read up to the ready line. Stop() sends SIGTERM and returns the wait
// status; a daemon still running when the object goes is killed.
class SpawnedDaemon {
 public:
  explicit SpawnedDaemon(const std::vector<std::string> &args);
  ~SpawnedDaemon();
  SpawnedDaemon(const SpawnedDaemon &) = delete;
  SpawnedDaemon &operator=(const SpawnedDaemon &) = delete;
  bool ready() const { return ready_; }
  int Stop();

 private:
  int pid_ = -1;
  bool ready_ = false;
};

// "ok", or the error's kind and first problem and, when the problem names one, its
// object (a job identifier or simple name): "selection 2 on 77".
std::string Outcome(const ERDPA_errorResult_t *error);
// The same for a reply read as a client reads it ("empty" without result or error).
std::string Outcome(const Reply &reply);

// One listed object: its name (job identifier or simple name) and attribute ids.
struct Listed {
  std::string name;
  std::vector<uint32_t> attrs;
};
struct Page {
  std::vector<Listed> objects;
  std::string context;  // empty: the listing is complete
  bool limited = false;
};
bool ReadPage(const Reply &reply, Page *page);
// The job identifier of a print result; empty when there is none.
std::string PrintedJob(const Reply &reply);

}  // namespace kq::spool::test

#endif
