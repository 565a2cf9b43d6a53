// The client end to end: the library's operations and kq against kqspoold and rpcbind
// on loopback, started around these tests by scripts/spool-fixture (a ctest fixture).
// The client finds the server through a printers file of the test's own whose entries
// carry the fixture's program and version. Every protocol operation: what the server
// received (the request record as it arrived, its presence bits), the result
// converted, each kind of DPA error decoded; the connection following the printer
// across two servers; many threads creating jobs at once; and kq as a user runs it
// (command line, exit status and what it prints, in the order of a job's life).
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <new>
#include <regex>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "infra/genu.h"
#include "infra/jqp.h"
#include "infra/ns.h"
#include "internal/ber_mod_kq_0b.h"
#include "kqtest.h"
#include "printers_env.h"
#include "private/jqp_client.h"
#include "private/jqp_pdu.h"
#include "spool_test_util.h"

namespace kq::e2e {
namespace {

// A directory entry line of the printers file: `name` of class `cls` ("lp", "qu",
// "sl") served by `server` under `program`, version 1, on loopback.
inline std::string Entry(const std::string &name, const char *key, const char *cls,
                         const std::string &server, uint32_t program) {
  return name + ":" + key + "=127.0.0.1," + std::to_string(program) + ",1,sys," + cls + "," +
         server + ",0:\n";
}

constexpr uint32_t kClassJob = 87, kClassPrinter = 88;
constexpr uint32_t kJobName = 133, kJobIdentifier = 1057, kPrinterName = 649;
constexpr uint32_t kPrinterIdle = 263;

GEN_SimpleName_t SimpleName(const char *text) {
  GEN_SimpleName_t name{};
  name.choice = GEN_TEXT_STRING;
  snprintf(name.u.string, sizeof name.u.string, "%s", text);
  return name;
}

// An attribute set owned by the test: empty, or holding one simple-name value (the form
// the server keeps its names in), with a modify operation when one is given.
struct Set {
  explicit Set(uint32_t id = 0, const char *text = "", uint32_t modify = 0) {
    AS_Create(s, &set, nullptr, 0);
    if (!id) return;
    auto *name = new (malloc(sizeof(GEN_SimpleName_t))) GEN_SimpleName_t(SimpleName(text));
    AS_AddAttrVal(s, set, id, 27, name, &GENU_SimpleNameDesc, nullptr);
    if (modify) AS_SetAttrModifyOp(s, set, id, modify);
  }
  ~Set() { AS_Destroy(s, &set); }
  operator AS_setHandle_t() const { return set; }
  kq::test::StatusList s;
  AS_setHandle_t set = AS_nullSetHandle;
};

// A printer's (choice 7, a simple name) or a job's (choice 1) identification.
GEN_ObjectIdent_t Ident(int choice, const std::string &text) {
  GEN_ObjectIdent_t o{};
  o.choice = choice;
  if (choice == 7) o.u.name = SimpleName(text.c_str());
  if (choice == 1) snprintf(o.u.job.value, sizeof o.u.job.value, "%s", text.c_str());
  return o;
}

using kq::spool::test::Outcome;

// What a command did: exit status, standard output and error.
struct Ran {
  int status;
  std::string out, err;
};

class Operations : public kq::test::PrintersFiles {
 public:
  static void SetUpTestSuite() { NS_Init(nullptr, NS_CLASS_CLIENT); }
  void SetUp() override {
    const char *dir = getenv("KQ_E2E_FIXTURE");
    if (!dir) GTEST_SKIP() << "KQ_E2E_FIXTURE is not set: run through ctest";
    state = dir;
    if (std::string skip = kq::test::ReadFile(state + "/skip"); !skip.empty()) GTEST_SKIP() << skip;
    std::ifstream(state + "/binding") >> program;  // and the version, 1
    ASSERT_NE(program, 0u);
    trace = state + "/trace", spool = state + "/spool";
    // The fixture's server: "spool-test" with printers lp1 (queue q1) and lp2.
    WriteEtc(Entry("lp1", "paddr", "lp", "spool-test", program) +
             Entry("lp2", "paddr", "lp", "spool-test", program) +
             Entry("q1", "qaddr", "qu", "spool-test", program) +
             Entry("spool-test", "saddr", "sl", "spool-test", program) +
             Entry("gone", "paddr", "lp", "spool-gone", program + 1000));
  }
  void TearDown() override { JQP_Terminate(s); }

  // A new job on `printer` (complete unless told), its identifier.
  std::string NewJob(const char *printer = "lp1", bool complete = true) {
    Set common(kPrinterName, printer);
    GEN_SimpleName_t name = SimpleName(printer);
    GEN_Boolean_t no = 0;
    GEN_printResult_t *result = nullptr;
    ERDPA_errorResult_t *error = nullptr;
    const int rc = JQP_CreateJob_C(s, &name, complete ? nullptr : &no, AS_nullSetHandle, nullptr,
                                   common, &result, &error);
    EXPECT_EQ(std::to_string(rc) + Outcome(error), "0ok") << s.Text();
    std::string job = result ? result->jobIdentification.value : "";
    FreeGEN_printResult(s, result), ERDPA_FreeError(s, error);
    return job;
  }
  // The presence bits of the newest request the server kept for operation `op`, or
  // -1 when none decodes as the operation's argument record.
  int ReceivedPresence(int op) {
    std::string newest, suffix = "-op" + std::to_string(op) + ".ber";
    for (const auto &f : std::filesystem::directory_iterator(trace))
      if (std::string name = f.path().filename(); name.ends_with(suffix) && name > newest)
        newest = name;
    if (newest.empty()) return -1;
    std::string received = kq::test::ReadFile(trace + "/" + newest);
    int pdu = kq::jqp::pduargs[op];
    OssBuf in{static_cast<int32_t>(received.size()),
              reinterpret_cast<unsigned char *>(received.data())};
    void *record = nullptr;
    if (GENU_OssDecode(nullptr, &pdu, &in, &record) != 0) return -1;
    // Print requests and listings are choices whose members begin with the bits.
    const bool choice = pdu == PrintArgument_PDU || pdu == ListArgument_PDU;
    int bits = static_cast<const unsigned char *>(record)[choice ? offsetof(PrintArgument, u) : 0];
    static_assert(offsetof(PrintArgument, u) == offsetof(ListArgument, u));
    GENU_OssFreePDU(nullptr, pdu, record);
    return bits;
  }

  // A further kqspoold holding printer `printer` under the fixture's program plus
  // `offset`, entered into the printers file.
  std::unique_ptr<kq::spool::test::SpawnedDaemon> StartServer(const std::string &printer,
                                                              uint32_t offset) {
    const std::string conf = tmp / (printer + ".conf"), server = "spool-" + printer;
    kq::test::WriteFile(conf, "server " + server + "\nprinter " + printer + "\nlist-limit 500\n");
    WriteEtc(kq::test::ReadFile(etc) + Entry(printer, "paddr", "lp", server, program + offset));
    return std::make_unique<kq::spool::test::SpawnedDaemon>(std::vector<std::string>{
        "-l", "-p", std::to_string(program + offset), "-v", "1", "-c", conf});
  }
  // The identifiers of every job the server of `printer` lists, page after page.
  std::multiset<std::string> JobsOn(const char *printer) {
    Set common(kPrinterName, printer);
    std::multiset<std::string> jobs;
    GEN_listResult_t *page = nullptr;
    int rc =
        JQP_ListObjectAttributes_C(s, kClassJob, nullptr, nullptr, nullptr, common, &page, nullptr);
    while (page) {
      for (GEN_setOfObjectResult_t *o = page->resultSet; o; o = o->next)
        jobs.insert(o->value.objectIdentification.u.job.value);
      GEN_listResult_t *next = nullptr;
      if (page->continuation)
        rc |= JQP_ListObjectAttributeContinuation_C(s, page->continuation, common, &next, nullptr);
      FreeGEN_listResult(s, page);
      page = next;
    }
    EXPECT_EQ(rc, 0) << s.Text();
    return jobs;
  }
  // kq run with `args`. Sanitizer builds of kq are handed the suppressions of
  // libtirpc's own leaks, as the daemons are (spool_test_util.h).
  Ran Kq(const std::string &args) {
    const std::string out = tmp / "out", err = tmp / "err", supp = tmp / "lsan.supp";
    kq::test::WriteFile(supp, __lsan_default_suppressions());
    const std::string line = "LSAN_OPTIONS=print_suppressions=0:suppressions=" + supp + " " +
                             KQ_BIN + " " + args + " >" + out + " 2>" + err;
    int raw = system(line.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, kq::test::ReadFile(out),
            kq::test::ReadFile(err)};
  }

  std::string state, trace, spool;
  uint32_t program = 0;
  kq::test::StatusList s;
};
// kq as a user runs it against the fixture's print server.
using KqCommands = Operations;

// The result outputs of the operations; whichever one came back is released.
struct Out {
  GEN_printResult_t *print = nullptr;
  GEN_listResult_t *list = nullptr;
  AS_setHandle_t *set = nullptr;
  GEN_pauseJobResult_t *pauseJob = nullptr;
  GEN_PauseResult_t *pause = nullptr;
  GEN_ResubmitJobResult_t *resubmit = nullptr;
  GEN_interruptJobResult_t *interrupt = nullptr;
  // A result came back (a listing: with objects in it).
  bool Any() const {
    return print || (list && list->resultSet) || set || pauseJob || pause || resubmit || interrupt;
  }
  ~Out() {
    kq::test::StatusList s;
    FreeGEN_printResult(s, print);
    FreeGEN_listResult(s, list);
    if (set) AS_Destroy(s, set), free(set);
    if (pauseJob) FreeGEN_pauseJobResult(s, pauseJob);
    if (pause) FreeGEN_PauseResult(s, pause);
    if (resubmit) FreeGEN_ResubmitJobResult(s, resubmit);
    if (interrupt) FreeGEN_interruptJobResult(s, interrupt);
  }
};

// One operation: what it sends, the presence bits the server must see, the outcome,
// and whether a result must come back.
struct OpRow {
  const char *name;
  int op;
  int presence;
  std::string outcome;
  bool result;
  std::function<int(Out &)> run;  // the call, its error in the test's `e`
};

TEST_F(Operations, EveryOperationReachesTheServerAndComesBackConverted) {
  const std::string job = NewJob("lp1", false);
  for (int i = 0; i < 5; i++) NewJob("lp2");  // more than a reply's limit (4)
  ASSERT_FALSE(job.empty());
  Set common(kPrinterName, "lp1");
  Set named(kJobName, "renamed");
  Set modification(kJobName, "modified", AS_MODIFY_ADD_VALUES);
  Set keptByServer(kPrinterName, "lp2", AS_MODIFY_ADD_VALUES);
  GEN_Text_t message{};
  ASSERT_EQ(GENU_MakeEmbeddedText(s, &message, "from the test", nullptr), 0u);
  std::string doc = "document bytes \x80\xff";
  GEN_DocumentContent_t content{};
  content.choice = 1;
  content.u.external.choice = 2;
  content.u.external.u.octets = {static_cast<int32_t>(doc.size()),
                                 reinterpret_cast<unsigned char *>(doc.data())};
  GEN_DocDescription_t document{nullptr, &content, nullptr, AS_nullSetHandle};
  GEN_Boolean_t no = 0;
  uint32_t requestedId = kJobIdentifier, when = kPrinterIdle;
  GEN_ValueSeq_t requestedNode{nullptr, &requestedId};
  GEN_SetOfOids_t requested{&requestedNode};
  GEN_Filter_t present{};
  present.choice = 1;
  present.u.item.choice = 5;
  present.u.item.u.present = kJobIdentifier;
  GEN_ObjectIdent_t jobIdent = Ident(1, job), lp2 = Ident(7, "lp2"), lpnew = Ident(7, "lp-e2e");
  GEN_JobOrPrinter_t jobOrPrinter{};
  jobOrPrinter.tag = 1;
  snprintf(jobOrPrinter.u.job, sizeof jobOrPrinter.u.job, "%s", job.c_str());
  char toName[] = "lp1";
  GEN_DistNameString_t toPrinter{};
  toPrinter.text.choice = GEN_TEXT_STRING;
  toPrinter.text.u.string = toName;
  GEN_NameOrOID_t eventName{1, {kJobName}};  // an event named by an identifier
  // A listing's first page, for the continuation rows.
  std::vector<GEN_listResult_t *> pages;  // released at the end
  auto firstPage = [&](bool ordered) {
    GEN_listResult_t *&page = pages.emplace_back(nullptr);
    auto list = ordered ? JQP_GetOrderedJobs_C : JQP_ListObjectAttributes_C;
    EXPECT_EQ(list(s, kClassJob, nullptr, nullptr, nullptr, common, &page, nullptr), 0);
    EXPECT_TRUE(page && page->continuation) << "the fixture's limit leaves a continuation";
    return page;
  };
  const char *c = job.c_str();
  ERDPA_errorResult_t *e = nullptr;  // the error of the row being run
  GEN_SimpleName_t lp1 = SimpleName("lp1");
  const OpRow rows[] = {
// The call of a row, its result into the row's Out `o`, its error into `e`.
#define KQ_CALL(...) [&](Out &o) { return __VA_ARGS__; }
      // clang-format off
      {"add document, more to come", 5, 0xc0, "ok", true,
       KQ_CALL(JQP_AddDocument_C(s, c, &no, &document, common, &o.print, &e))},
      {"close job", 6, 0x80, "ok", true, KQ_CALL(JQP_CloseJob_C(s, c, common, &o.print, &e))},
      {"create job with everything", 0, 0xf0, "ok", true,
       KQ_CALL(JQP_CreateJob_C(s, &lp1, &no, named, &document, common, &o.print, &e))},
      {"list with selector and requested attributes", 1, 0x68, "ok", true,
       KQ_CALL(JQP_ListObjectAttributes_C(s, kClassJob, nullptr, &present, &requested, common,
               &o.list, &e))},
      {"list continuation", 7, 0x40, "ok", true,
       KQ_CALL(JQP_ListObjectAttributeContinuation_C(s, firstPage(false)->continuation, common,
               &o.list, &e))},
      {"ordered jobs", 10, 0x68, "ok", true,
       KQ_CALL(JQP_GetOrderedJobs_C(s, kClassJob, nullptr, &present, &requested, common, &o.list,
               &e))},
      {"ordered jobs continuation", 11, 0x40, "ok", true,
       KQ_CALL(JQP_GetOrderedJobsContinuation_C(s, firstPage(true)->continuation, common, &o.list,
               &e))},
      {"list abort", 12, 0xc0, "ok", false,
       KQ_CALL(JQP_ListObjectAttributeAbort_C(s, firstPage(false)->continuation, common, &o.list,
               &e))},
      {"create a printer", 2, 0x88, "ok", false,
       KQ_CALL(JQP_Create_C(s, kClassPrinter, &lpnew, nullptr, nullptr, AS_nullSetHandle, &message,
               common, &o.set, &e))},
      {"enable", 3, 0xc0, "ok", false,
       KQ_CALL(JQP_Enable_C(s, kClassPrinter, &lpnew, &message, common, &o.set, &e))},
      {"disable", 13, 0xc0, "ok", false,
       KQ_CALL(JQP_Disable_C(s, kClassPrinter, &lpnew, &message, common, &o.set, &e))},
      {"send event: not done by this server", 4, 0xa0, "service 15 on spool-test", false,
       KQ_CALL(JQP_SendEvent_C(s, &eventName, named, nullptr, common, &o.set, &e))},
      {"modify job", 14, 0x20, "ok", false,
       KQ_CALL(JQP_ModifyJob_C(s, c, nullptr, modification, nullptr, common, &o.set, &e))},
      {"promote job", 16, 0x40, "ok", false,
       KQ_CALL(JQP_PromoteJob_C(s, c, nullptr, common, &o.set, &e))},
      {"pause job", 18, 0x40, "ok", true,
       KQ_CALL(JQP_PauseJob_C(s, &jobOrPrinter, nullptr, common, &o.pauseJob, &e))},
      {"resume job", 19, 0x20, "ok", false,
       KQ_CALL(JQP_ResumeJob_C(s, c, nullptr, nullptr, common, &o.set, &e))},
      {"interrupt job: the result is always nothing", 17, 0x40, "ok", false,
       KQ_CALL(JQP_InterruptJob_C(s, &jobOrPrinter, nullptr, nullptr, common, &o.interrupt, &e))},
      {"set job attributes", 21, 0x60, "ok", false,
       KQ_CALL(JQP_Set_C(s, kClassJob, &jobIdent, modification, nullptr, common, &o.set, &e))},
      {"resubmit job", 23, 0x40, "ok", true,
       KQ_CALL(JQP_ResubmitJob_C(s, kClassJob, &jobIdent, &toPrinter, nullptr, common, &o.resubmit,
               &e))},
      {"pause a printer", 25, 0x40, "ok", true,
       KQ_CALL(JQP_Pause_C(s, kClassPrinter, &lp2, nullptr, common, &o.pause, &e))},
      {"resume a printer", 26, 0x40, "ok", false,
       KQ_CALL(JQP_Resume_C(s, kClassPrinter, &lp2, nullptr, common, &o.set, &e))},
      {"control a job", 28, 0x40, "ok", false,
       KQ_CALL(JQP_Control_C(s, kClassJob, &jobIdent, nullptr, named, common, &o.set, &e))},
      {"an unknown job: a selection error", 15, 0x10, "selection 2 on no-such-job", false,
       KQ_CALL(JQP_CancelJob_C(s, "no-such-job", nullptr, nullptr, nullptr, common, &o.set, &e))},
      {"changing what the server keeps: an attribute error", 14, 0x20, "attribute 7", false,
       KQ_CALL(JQP_ModifyJob_C(s, c, nullptr, keptByServer, nullptr, common, &o.set, &e))},
      {"enabling a job: an access error", 3, 0x40, "access 1 on " + job, false,
       KQ_CALL(JQP_Enable_C(s, kClassJob, &jobIdent, nullptr, common, &o.set, &e))},
      {"cancel job with a message", 15, 0x50, "ok", false,
       KQ_CALL(JQP_CancelJob_C(s, c, nullptr, &message, nullptr, common, &o.set, &e))},
      {"cancelling a cancelled job: an update error", 15, 0x10, "update 5 on " + job, false,
       KQ_CALL(JQP_CancelJob_C(s, c, nullptr, nullptr, nullptr, common, &o.set, &e))},
      {"clean a printer", 20, 0x40, "ok", false,
       KQ_CALL(JQP_Clean_C(s, kClassPrinter, &lpnew, nullptr, common, &o.set, &e))},
      {"shut a printer down", 22, 0x40, "ok", false,
       KQ_CALL(JQP_Shutdown_C(s, kClassPrinter, &lpnew, nullptr, &when, common, &o.set, &e))},
      {"delete a printer", 24, 0x40, "ok", false,
       KQ_CALL(JQP_Delete_C(s, kClassPrinter, &lpnew, nullptr, common, &o.set, &e))},
  // clang-format on
#undef KQ_CALL
  };
  std::set<int> covered;
  for (const OpRow &row : rows) {
    SCOPED_TRACE(row.name);
    Out out;
    EXPECT_EQ(row.run(out), 0) << s.Text();
    EXPECT_EQ(Outcome(e), row.outcome);
    ERDPA_FreeError(s, std::exchange(e, nullptr));
    EXPECT_TRUE(!row.result || out.Any());
    EXPECT_TRUE(row.op != 17 || !out.Any());
    EXPECT_EQ(ReceivedPresence(row.op), row.presence);
    covered.insert(row.op);
  }
  // Every operation that has a function (not 8, 9, 27) has its row.
  EXPECT_EQ(covered.size(), 26u);
  EXPECT_EQ(kq::test::ReadFile(spool + "/job" + job + "-doc1"), doc);  // the document added
  GEN_DeepDeleteText(s, &message, nullptr);
  for (GEN_listResult_t *page : pages) FreeGEN_listResult(s, page);
}

// Two servers, each with its printers, in one printers file: one thread submitting to
// a printer of each in turn is connected to the printer's server each time.
TEST_F(Operations, TheConnectionFollowsThePrinterAcrossServers) {
  auto other = StartServer("lpB", 7);
  ASSERT_TRUE(other->ready());
  std::map<std::string, std::multiset<std::string>> submitted;
  for (int round = 0; round < 3; round++) {
    for (const char *printer : {"lp1", "lpB"}) {
      SCOPED_TRACE(printer);
      submitted[printer].insert(NewJob(printer));
      JQP_clientHandle_t *h = JQP__GetClientHandle();
      ASSERT_TRUE(h && h->serverObject);
      EXPECT_EQ(static_cast<uint32_t>(h->serverObject->prognum),
                printer == std::string("lpB") ? program + 7 : program);
    }
  }
  EXPECT_EQ(JobsOn("lpB"), submitted["lpB"]);  // the other server holds exactly these
  JQP_Terminate(s);
  EXPECT_EQ(other->Stop(), 0);
}

// Eight threads, each with its own connection, create 1000 jobs each at once: the
// server holds every one of them, none twice.
TEST_F(Operations, ManyThreadsCreateJobsAndNoneIsLostOrDuplicated) {
  auto bulk = StartServer("lpM", 8);
  ASSERT_TRUE(bulk->ready());
  constexpr int kThreads = 8, kCalls = 1000;
  std::vector<std::multiset<std::string>> ids(kThreads);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; t++) {
    threads.emplace_back([&, t] {
      kq::test::StatusList ts;
      Set common(kPrinterName, "lpM"), attrs(kJobName, ("thread-" + std::to_string(t)).c_str());
      GEN_SimpleName_t name = SimpleName("lpM");
      for (int i = 0; i < kCalls; i++) {
        GEN_printResult_t *r = nullptr;
        ERDPA_errorResult_t *e = nullptr;
        if (JQP_CreateJob_C(ts, &name, nullptr, attrs, nullptr, common, &r, &e) != 0 || e || !r)
          failures[t]++;
        if (r) ids[t].insert(r->jobIdentification.value);
        FreeGEN_printResult(ts, r), ERDPA_FreeError(ts, e);
      }
      JQP_Terminate(ts);
    });
  }
  std::multiset<std::string> returned;
  for (int t = 0; t < kThreads; t++) {
    threads[t].join();
    EXPECT_EQ(failures[t], 0) << "thread " << t;
    returned.merge(ids[t]);
  }
  EXPECT_EQ(std::set<std::string>(returned.begin(), returned.end()).size(),
            size_t{kThreads * kCalls})
      << "job identifiers given twice";
  EXPECT_EQ(JobsOn("lpM"), returned);  // counted on the server
  JQP_Terminate(s);
  EXPECT_EQ(bulk->Stop(), 0);
}

TEST_F(KqCommands, AJobsLifeAndTheFailuresAUserMeets) {
  kq::test::WriteFile(tmp / "doc.txt", "printed by the kq test\n");
  const std::string doc = tmp / "doc.txt";
  Ran submitted = Kq("submit -P lp1 -a job-name=cli -a copy-count=2 " + doc);
  ASSERT_EQ(submitted.status, 0) << submitted.err;
  std::smatch m;
  ASSERT_TRUE(std::regex_match(submitted.out, m, std::regex("([0-9]+)\n")));
  const std::string job = m[1];
  // {job} stands for the submitted job; out and err are searched, ^ and $ anchor the text.
  const struct {
    const char *args;
    int status;
    const char *out, *err;
  } rows[] = {
      // clang-format off
      {"jobs -P lp1", 0, "JOB +STATE +PRINTER\n(.*\n)*{job} +id-val-job-state-pending +lp1\n",
       "^$"},
      {"jobs -P lp1 -l", 0, "job {job}\nid-att-job-identifier \\(job identifier\\)\n\t{job}\n",
       "^$"},
      {"job -P lp1 {job} --json", 0, "^\\{.*\"id-att-job-identifier\": \\[\"{job}\"\\].*\\}\n$",
       "^$"},
      {"printer-state lp1", 0, "^lp1: id-val-printer-state-[a-z]+\n$", "^$"},
      {"pause -P lp1 {job}", 0, "^job {job} paused\n$", "^$"},
      {"job -P lp1 {job}", 0, "id-val-job-state-paused", "^$"},
      {"resume -P lp1 {job}", 0, "^job {job} resumed\n$", "^$"},
      {"promote -P lp1 {job}", 0, "^job {job} promoted\n$", "^$"},
      {"cancel -P lp1 {job}", 0, "^job {job} cancelled\n$", "^$"},
      {"job -P lp1 no-such-job", 1, "^$", "^kq job: no job no-such-job on the server"},
      {"submit -P nosuch {doc}", 1, "^$",
       "^kq submit: printer nosuch is not in the directory \\(printers file\\)\n$"},
      {"submit -P gone {doc}", 1, "^$", "^kq submit: no print server answers for printer gone\n$"},
      {"submit -P lp1 -a copy-count=many {doc}", 2, "^$",
       "^kq submit: copy-count: not an integer\n$"},
      {"submit -P lp1 -a job-na=abbreviated {doc}", 0, "^[0-9]+\n$", "^$"},
      // clang-format on
  };
  auto fill = [&](const char *text) {
    return std::regex_replace(std::regex_replace(text, std::regex("\\{job\\}"), job),
                              std::regex("\\{doc\\}"), doc);
  };
  for (const auto &row : rows) {
    const std::string args = fill(row.args);
    SCOPED_TRACE(args);
    Ran r = Kq(args);
    EXPECT_EQ(r.status, row.status) << r.out << r.err;
    EXPECT_TRUE(std::regex_search(r.out, std::regex(fill(row.out)))) << r.out;
    EXPECT_TRUE(std::regex_search(r.err, std::regex(row.err))) << r.err;
  }
}

}  // namespace
}  // namespace kq::e2e
