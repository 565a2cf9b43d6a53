// The print client against the reference print server on loopback: the RPC null
// procedure on the same kind of connection (TCP, through rpcbind, one client per
// thread), JQP_CreateJob_C with a 30-attribute job set, and JQP_ListObjectAttributes_C
// answered with 100 jobs of 10 attributes each; with 1 and 2 client threads.
// The program starts rpcbind when none answers and two kqspoold instances (one for
// the null and create-job calls, one holding the listed jobs), finds them through a
// printers file of its own, and stops them again at exit.
//
// Counters: calls_per_s (all threads together), create_over_null (create-job calls
// per second over null calls per second at the same thread count, measured just
// before). CPU is the calling thread's own time per call: the client's share.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <rpc/rpc.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "infra/jqp.h"
#include "infra/ns.h"
#include "request_set.h"

namespace {

constexpr uint32_t kClassJob = 87;
constexpr int kListedJobs = 100, kListedAttributes = 10;

pid_t Spawn(const std::vector<std::string> &args, int *stdoutFd) {
  int out[2];
  if (pipe(out) != 0) return -1;
  pid_t pid = fork();
  if (pid == 0) {
    setsid();
    dup2(out[1], 1);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 2);
    close(out[0]);
    std::vector<char *> argv;
    for (const std::string &a : args) argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(out[1]);
  *stdoutFd = out[0];
  return pid;
}

bool RpcbindAnswers() { return system("rpcinfo -p 127.0.0.1 >/dev/null 2>&1") == 0; }

// What the benchmarks run against, set up on first use and torn down at exit.
class Loopback {
 public:
  static Loopback &Get() {
    static Loopback instance;
    return instance;
  }
  bool ok() const { return ok_; }
  uint32_t program() const { return program_; }
  const std::string &why() const { return why_; }

  ~Loopback() {
    for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
      kill(*it, SIGTERM);
      waitpid(*it, nullptr, 0);
    }
    if (!dir_.empty()) system(("rm -rf " + dir_).c_str());
  }

 private:
  Loopback() {
    char dir[] = "/tmp/kq-client-bench-XXXXXX";
    if (!mkdtemp(dir)) {
      Fail("no scratch directory");
      return;
    }
    dir_ = dir;
    if (!RpcbindAnswers()) {
      int fd = -1;
      pid_t pid = Spawn({"/usr/sbin/rpcbind", "-f", "-w"}, &fd);
      close(fd);
      pids_.push_back(pid);
      for (int i = 0; i < 50 && !RpcbindAnswers(); i++) usleep(100000);
      if (!RpcbindAnswers()) {
        Fail("rpcbind does not run and cannot be started");
        return;
      }
    }
    program_ = 0x40000000u + static_cast<uint32_t>(getpid() % 100000) * 2;
    std::string printers;
    const struct {
      const char *server, *printer;
      uint32_t program;
    } servers[] = {{"bench-spool", "lpbench", program_}, {"bench-list", "lplist", program_ + 1}};
    for (const auto &s : servers) {
      const std::string conf = dir_ + "/" + s.server + ".conf";
      FILE *f = fopen(conf.c_str(), "w");
      fprintf(f, "server %s\nprinter %s\nlist-limit 1000\n", s.server, s.printer);
      fclose(f);
      int fd = -1;
      pid_t pid = Spawn(
          {KQ_SPOOLD_BIN, "-l", "-p", std::to_string(s.program), "-v", "1", "-c", conf, "-s", dir_},
          &fd);
      pids_.push_back(pid);
      pollfd p{fd, POLLIN, 0};
      char line[256] = {};
      bool ready =
          poll(&p, 1, 20000) == 1 && read(fd, line, sizeof line - 1) > 0 && strstr(line, "ready");
      close(fd);
      if (!ready) {
        Fail("kqspoold did not start");
        return;
      }
      printers += std::string(s.printer) + ":paddr=127.0.0.1," + std::to_string(s.program) +
                  ",1,sys,lp," + s.server + ",0:\n";
    }
    const std::string file = dir_ + "/printers.conf";
    FILE *f = fopen(file.c_str(), "w");
    fputs(printers.c_str(), f);
    fclose(f);
    setenv("PRINTERS_CONF", file.c_str(), 1);
    NS_Init(nullptr, NS_CLASS_CLIENT);
    ok_ = true;
  }
  void Fail(const std::string &why) { why_ = why; }

  bool ok_ = false;
  uint32_t program_ = 0;
  std::string dir_, why_;
  std::vector<pid_t> pids_;
};

GEN_SimpleName_t Name(const char *text) {
  GEN_SimpleName_t n{};
  n.choice = GEN_TEXT_STRING;
  snprintf(n.u.string, sizeof n.u.string, "%s", text);
  return n;
}

// Connects the thread to the printer's server and returns the common arguments of its
// requests. The client frame reuses a thread's connection only for a request whose
// common arguments name no server: a printer name is looked up and connected to anew
// on every request (its kind never equals the serving-server type of the entry). A
// client that sends many requests to one printer therefore connects once and then
// leaves the name out, as here.
AS_setHandle_t Common(STF_statusList_t *s, const char *printer) {
  GEN_ObjectIdent_t ident{};
  ident.choice = 7;
  ident.u.name = Name(printer);
  if (JQP_Initialize(s, NS_KIND_PRINTER, &ident) != 0) return AS_nullSetHandle;
  AS_setHandle_t set = AS_nullSetHandle;
  AS_Create(s, &set, nullptr, 0);
  return set;
}

// One create-job call; false when it failed or the server refused it.
bool CreateJob(STF_statusList_t *s, const char *printer, AS_setHandle_t attrs,
               AS_setHandle_t common) {
  GEN_SimpleName_t name = Name(printer);
  GEN_printResult_t *result = nullptr;
  ERDPA_errorResult_t *error = nullptr;
  int rc = JQP_CreateJob_C(s, &name, nullptr, attrs, nullptr, common, &result, &error);
  bool ok = rc == 0 && !error && result;
  if (!ok) {
    char *text = error ? ErrorResult2String(error) : nullptr;
    fprintf(stderr, "create job: rc %d, status 0x%08x, %s\n", rc, STF_GetStatus(s),
            text ? text : "no DPA error");
    free(text);
    if (error && error->kind == ERDPA_ATTRIBUTE_ERROR)
      for (auto *p = static_cast<ERDPA_attributeError_t *>(error->details)->problems; p;
           p = p->next) {
        AS_attrHandle_t a = AS_nullAttrHandle;
        uint32_t id = 0;
        for (uint32_t r = AS_FindFirstAttr(s, p->attributes, &a, &id); r == 0;
             r = AS_FindNextAttrR(s, &a, &id))
          fprintf(stderr, "  problem %u: %s\n", p->problem, GENU_ShortOIDToAscii(id));
        AS_FreeAttrHandle(s, &a);
      }
  }
  FreeGEN_printResult(s, result);
  ERDPA_FreeError(s, error);
  return ok;
}

// Null calls per second by thread count, for create_over_null.
std::atomic<double> nullRate[3];

double Rate(benchmark::State &state, std::chrono::steady_clock::time_point start) {
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return seconds > 0 ? static_cast<double>(state.iterations()) * state.threads() / seconds : 0;
}

void BM_Null(benchmark::State &state) {
  Loopback &lb = Loopback::Get();
  if (!lb.ok()) return state.SkipWithError(lb.why().c_str());
  CLIENT *c = clnt_create("127.0.0.1", lb.program(), 1, "tcp");
  if (!c) return state.SkipWithError("no connection for the null procedure");
  timeval timeout{25, 0};
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (clnt_call(c, 0, reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)),
                  nullptr, reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void)),
                  nullptr, timeout) != RPC_SUCCESS) {
      state.SkipWithError("null call failed");
      break;
    }
  }
  if (state.thread_index() == 0) nullRate[state.threads()] = Rate(state, start);
  state.counters["calls_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  clnt_destroy(c);
}
BENCHMARK(BM_Null)->Threads(1)->Threads(2)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The shared 30-attribute request set as a job set kqspoold takes: it refuses
// id-att-job-hold and id-att-job-submission-complete in a job's attributes (undefined
// attribute type), so those two give way to the job name and the copy count.
AS_setHandle_t JobSet(STF_statusList_t *s) {
  AS_setHandle_t set = kq::bench::RequestSet(false);
  for (const char *refused : {"id-att-job-hold", "id-att-job-submission-complete"}) {
    uint32_t id = 0;
    if (GENU_AsciiToShortOID(s, refused, &id) == 0) AS_DeleteAttr(s, set, id);
  }
  GEN_SimpleName_t name = Name("bench");
  int32_t copies = 2;
  GEN_Text_t comment{};
  comment.choice = GEN_TEXT_STRING;
  comment.u.string = const_cast<char *>("a benchmark job");
  // Whichever of these the set lacks, until it holds 30 again.
  const struct {
    uint32_t id, type;
    const void *value;
    const AS_valueDescriptor_t *desc;
  } extra[] = {{133, 27, &name, &GENU_SimpleNameDesc},   // id-att-job-name
               {352, 1, &copies, &GENU_CardinalDesc},    // id-att-copy-count
               {135, 16, &comment, &GENU_MessageDesc}};  // id-att-job-comment
  for (const auto &e : extra) {
    uint32_t count = 0, present = 0;
    AS_GetCount(s, set, &count);
    AS_IsAttrPresent(s, set, e.id, &present);
    if (count < kq::bench::kRequestAttributes && !present)
      AS_AddAttrValM(s, set, e.id, e.type, e.value, e.desc, nullptr);
  }
  return set;
}

void BM_CreateJob(benchmark::State &state) {
  Loopback &lb = Loopback::Get();
  if (!lb.ok()) return state.SkipWithError(lb.why().c_str());
  STF_statusList_t *s = STF_CreateList(nullptr);
  AS_setHandle_t attrs = JobSet(s), common = Common(s, "lpbench");
  uint32_t count = 0;
  AS_GetCount(s, attrs, &count);
  state.counters["job_attrs"] = benchmark::Counter(count, benchmark::Counter::kAvgThreads);
  if (!CreateJob(s, "lpbench", attrs, common)) state.SkipWithError("the first job was refused");
  auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    if (!CreateJob(s, "lpbench", attrs, common)) {
      state.SkipWithError("a create-job call failed");
      break;
    }
  }
  double rate = Rate(state, start), null = nullRate[state.threads()];
  state.counters["calls_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  if (state.thread_index() == 0 && null > 0) state.counters["create_over_null"] = rate / null;
  JQP_Terminate(s);
  AS_Destroy(s, &attrs);
  AS_Destroy(s, &common);
  STF_DeleteList(s);
}
BENCHMARK(BM_CreateJob)->Threads(1)->Threads(2)->UseRealTime()->Unit(benchmark::kMicrosecond);

// The listed server holds 100 jobs of 10 attributes each (3 the server keeps, 7 given).
bool FillListServer(STF_statusList_t *s) {
  static bool filled = false;
  if (filled) return true;
  AS_setHandle_t attrs = JobSet(s), common = Common(s, "lplist");
  AS_attrHandle_t attr = AS_nullAttrHandle;
  std::vector<uint32_t> ids;
  uint32_t id = 0;
  for (uint32_t rc = AS_FindFirstAttr(s, attrs, &attr, &id); rc == 0;
       rc = AS_FindNextAttrR(s, &attr, &id))
    ids.push_back(id);
  AS_FreeAttrHandle(s, &attr);
  for (size_t i = kListedAttributes - 3; i < ids.size(); i++) AS_DeleteAttr(s, attrs, ids[i]);
  bool ok = true;
  for (int i = 0; i < kListedJobs && ok; i++) ok = CreateJob(s, "lplist", attrs, common);
  AS_Destroy(s, &attrs);
  AS_Destroy(s, &common);
  return filled = ok;
}

void BM_ListJobs(benchmark::State &state) {
  Loopback &lb = Loopback::Get();
  if (!lb.ok()) return state.SkipWithError(lb.why().c_str());
  STF_statusList_t *s = STF_CreateList(nullptr);
  static std::atomic<bool> filled{false};
  if (state.thread_index() == 0) filled = FillListServer(s);
  while (state.thread_index() != 0 && !filled) usleep(1000);
  AS_setHandle_t common = Common(s, "lplist");
  size_t objects = 0, attributes = 0;
  for (auto _ : state) {
    GEN_listResult_t *page = nullptr;
    ERDPA_errorResult_t *error = nullptr;
    if (JQP_ListObjectAttributes_C(s, kClassJob, nullptr, nullptr, nullptr, common, &page,
                                   &error) != 0 ||
        error || !page) {
      state.SkipWithError("a listing failed");
      break;
    }
    objects = attributes = 0;
    for (GEN_setOfObjectResult_t *o = page->resultSet; o; o = o->next, objects++) {
      uint32_t count = 0;
      AS_GetCount(s, o->value.attributes, &count);
      attributes += count;
    }
    FreeGEN_listResult(s, page);
  }
  state.counters["calls_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["jobs"] =
      benchmark::Counter(static_cast<double>(objects), benchmark::Counter::kAvgThreads);
  state.counters["attrs_per_job"] = benchmark::Counter(
      objects ? static_cast<double>(attributes) / objects : 0, benchmark::Counter::kAvgThreads);
  JQP_Terminate(s);
  AS_Destroy(s, &common);
  STF_DeleteList(s);
}
BENCHMARK(BM_ListJobs)->Threads(1)->Threads(2)->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
