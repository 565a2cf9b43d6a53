// kqspoold's state: the configuration it starts from, its printers and queues, the
// jobs it holds and the listings still being continued. Everything lives in memory
// under one lock; the documents of a job are the only things written to disk.
#ifndef KQ_TOOLS_KQSPOOLD_STATE_H
#define KQ_TOOLS_KQSPOOLD_STATE_H

#include <atomic>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace kq::spool {

// Short OIDs of the identifiers the server itself speaks about.
inline constexpr uint32_t kClassJob = 87, kClassPrinter = 88, kClassServer = 89;
inline constexpr uint32_t kAttrJobIdentifier = 1057, kAttrJobState = 248, kAttrPrinterName = 649,
                          kAttrPrinterState = 654, kAttrServerName = 871;
inline constexpr uint32_t kJobPending = 251, kJobInterrupted = 253, kJobHeld = 255,
                          kJobPaused = 256, kJobCancelled = 258;
inline constexpr uint32_t kPrinterIdle = 263, kPrinterPaused = 266, kPrinterShutdown = 267;

// One attribute as it travels: its identifier and its values, each value one
// complete encoding kept as received.
struct Attr {
  uint32_t id = 0;
  std::vector<std::string> values;
};
using Attrs = std::vector<Attr>;

// Replaces the values of `a` in `attrs`, or appends it.
void SetAttr(Attrs &attrs, Attr a);
const Attr *FindAttr(const Attrs &attrs, uint32_t id);

struct Config {
  std::string server = "kqspoold";
  // Printer name and the queue it feeds from (empty: none).
  std::vector<std::pair<std::string, std::string>> printers;
  std::vector<std::string> queues;
  size_t listLimit = 50;  // objects per list reply; the rest through a context
  std::string spoolDir;
  // When set, every request packet is kept there as received, one file a request
  // named "<sequence>-op<operation>.ber", for tests that check what a client sent.
  std::string traceDir;
};

// Reads a configuration file: one directive a line, "#" starts a comment:
//   server NAME | printer NAME [queue QUEUE] | queue NAME | list-limit N
bool LoadConfig(const std::string &path, Config *config, std::string *error);

struct Printer {
  std::string name, queue;
  bool enabled = true;
  uint32_t state = kPrinterIdle;
  Attrs attrs;
};

struct Job {
  uint64_t number = 0;
  std::string id, printer;
  uint32_t state = kJobPending;
  int64_t order = 0;  // position among the jobs: lower prints first
  int documents = 0;
  bool complete = true;
  Attrs attrs;
  // The attributes the server keeps (identifier, state, printer) as last encoded,
  // with the state and printer they were encoded for.
  Attrs kept;
  uint32_t keptState = 0;
  std::string keptPrinter;
};

// A listing that did not fit into one reply: the names of the objects still to send.
struct Listing {
  uint32_t objectClass = 0;
  std::vector<std::string> names;
  size_t next = 0;
  bool allAttributes = true;
  std::vector<uint32_t> requested;
};

struct Server {
  explicit Server(Config c);

  Config config;
  std::mutex mu;                            // guards everything below
  std::map<std::string, Printer> printers;  // by name
  std::map<std::string, Job> jobs;          // by identifier
  std::map<uint64_t, Listing> listings;     // by context number
  uint64_t nextJob = 1, nextListing = 1;
  int64_t nextOrder = 1;
  bool shuttingDown = false;

  // The printer a name or queue names, or null.
  Printer *FindPrinter(const std::string &name);
  Job *FindJob(const std::string &id);
  // The jobs in printing order.
  std::vector<Job *> JobsInOrder();
  // Writes document `number` of `job` into the spool directory, named by the job's
  // number only so that no identifier ever reaches the file system.
  bool WriteDocument(const Job &job, int number, const std::string &bytes);
  // Keeps a received packet in the trace directory (when there is one).
  void TracePacket(int32_t op, const void *packet, size_t length);

  std::atomic<uint64_t> traced{0};
};

}  // namespace kq::spool

#endif
