// Every protocol operation of the client against the reference print server: what the
// server received (the request record as it arrived, its presence bits), the result
// converted, each kind of DPA error decoded; the connection following the printer
// across two servers; many threads creating jobs at once.
#include <dirent.h>

#include <cstring>
#include <functional>
#include <memory>
#include <set>
#include <thread>
#include <vector>

#include "e2e_support.h"
#include "infra/genu.h"
#include "internal/ber_mod_kq_0b.h"
#include "private/jqp_client.h"
#include "private/jqp_pdu.h"
#include "spool_test_util.h"

namespace kq::e2e {
namespace {

constexpr uint32_t kClassJob = 87, kClassPrinter = 88;
constexpr uint32_t kJobName = 133, kJobIdentifier = 1057, kPrinterName = 649;
constexpr uint32_t kPrinterIdle = 263;

// An attribute set owned by the test.
class Set {
 public:
  Set() { AS_Create(s_, &set_, nullptr, 0); }
  ~Set() { AS_Destroy(s_, &set_); }
  Set(const Set &) = delete;
  Set &operator=(const Set &) = delete;
  operator AS_setHandle_t() const { return set_; }
  // One simple-name value (the form the server keeps its names in).
  Set &Name(uint32_t id, const char *text, uint32_t modify = 0) {
    GEN_SimpleName_t *name = static_cast<GEN_SimpleName_t *>(calloc(1, sizeof *name));
    name->choice = GEN_TEXT_STRING;
    snprintf(name->u.string, sizeof name->u.string, "%s", text);
    AS_AddAttrVal(s_, set_, id, 27, name, &GENU_SimpleNameDesc, nullptr);
    if (modify) AS_SetAttrModifyOp(s_, set_, id, modify);
    return *this;
  }
  Set &JobId(uint32_t id, const std::string &text) {
    auto *job = static_cast<GEN_JobIdentifier_t *>(calloc(1, sizeof(GEN_JobIdentifier_t)));
    snprintf(job->value, sizeof job->value, "%s", text.c_str());
    AS_AddAttrVal(s_, set_, id, 14, job, &GENU_JobIdentifierDesc, nullptr);
    return *this;
  }

 private:
  kq::test::StatusList s_;
  AS_setHandle_t set_ = AS_nullSetHandle;
};

GEN_SimpleName_t SimpleName(const char *text) {
  GEN_SimpleName_t name{};
  name.choice = GEN_TEXT_STRING;
  snprintf(name.u.string, sizeof name.u.string, "%s", text);
  return name;
}
GEN_ObjectIdent_t PrinterIdent(const char *name) {
  GEN_ObjectIdent_t o{};
  o.choice = 7;
  o.u.name = SimpleName(name);
  return o;
}
GEN_ObjectIdent_t JobIdent(const std::string &job) {
  GEN_ObjectIdent_t o{};
  o.choice = 1;
  snprintf(o.u.job.value, sizeof o.u.job.value, "%s", job.c_str());
  return o;
}

// "ok", or the error's kind and first problem ("selection 2").
std::string Outcome(const ERDPA_errorResult_t *e) {
  if (!e) return "ok";
  static const char *const kinds[] = {"?",         "update",  "attribute", "document-access",
                                      "selection", "printer", "access",    "service",
                                      "security"};
  uint32_t problem = 0;
  switch (e->kind) {
    case ERDPA_ATTRIBUTE_ERROR:
      problem = static_cast<ERDPA_attributeError_t *>(e->details)->problems->problem;
      break;
    case ERDPA_SELECTION_ERROR:
    case ERDPA_SERVICE_ERROR:
      problem = static_cast<ERDPA_selectionItem_t *>(e->details)->problem;
      break;
    case ERDPA_ACCESS_ERROR:
      problem = static_cast<ERDPA_accessItem_t *>(e->details)->problem;
      break;
    case ERDPA_SECURITY_ERROR:
      problem = static_cast<ERDPA_securityError_t *>(e->details)->problem;
      break;
    default:
      problem = static_cast<ERDPA_objectProblem_t *>(e->details)->problem;
  }
  int kind = e->kind >= 1 && e->kind <= 8 ? e->kind : 0;
  return std::string(kinds[kind]) + " " + std::to_string(problem);
}

class Operations : public ServerTest {
 public:
  // A new job on `printer` (complete unless told), its identifier.
  std::string NewJob(const char *printer = "lp1", bool complete = true) {
    Set common;
    common.Name(kPrinterName, printer);
    GEN_SimpleName_t name = SimpleName(printer);
    GEN_Boolean_t no = 0;
    GEN_printResult_t *result = nullptr;
    ERDPA_errorResult_t *error = nullptr;
    EXPECT_EQ(JQP_CreateJob_C(s, &name, complete ? nullptr : &no, AS_nullSetHandle, nullptr, common,
                              &result, &error),
              0)
        << s.Text();
    EXPECT_EQ(Outcome(error), "ok");
    std::string job = result ? result->jobIdentification.value : "";
    FreeGEN_printResult(s, result);
    ERDPA_FreeError(s, error);
    return job;
  }
  // The presence bits of the newest request the server kept for operation `op`, or
  // -1 when none decodes as the operation's argument record.
  int ReceivedPresence(int op) {
    std::string newest, suffix = "-op" + std::to_string(op) + ".ber";
    if (DIR *d = opendir(trace.c_str())) {
      while (dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0 && name > newest)
          newest = name;
      }
      closedir(d);
    }
    received = kq::test::ReadFile(trace + "/" + newest);
    if (newest.empty()) return -1;
    int pdu = kq::jqp::pduargs[op];
    OssBuf in{static_cast<int32_t>(received.size()),
              reinterpret_cast<unsigned char *>(received.data())};
    void *record = nullptr;
    if (GENU_OssDecode(nullptr, &pdu, &in, &record) != 0) return -1;
    // Print requests and listings are choices whose members begin with the bits.
    const bool choice = pdu == PrintArgument_PDU || pdu == ListArgument_PDU;
    const auto *base = static_cast<const unsigned char *>(record);
    int bits = choice ? base[offsetof(PrintArgument, u)] : base[0];
    static_assert(offsetof(PrintArgument, u) == offsetof(ListArgument, u));
    GENU_OssFreePDU(nullptr, pdu, record);
    return bits;
  }

  kq::test::StatusList s;
  std::string received;
};

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
  const char *outcome;
  bool result;
  std::function<int(STF_statusList_t *, ERDPA_errorResult_t **, Out &)> run;
};

TEST_F(Operations, EveryOperationReachesTheServerAndComesBackConverted) {
  const std::string job = NewJob("lp1", false);
  for (int i = 0; i < 5; i++) NewJob("lp2");  // more than a reply's limit (4)
  ASSERT_FALSE(job.empty());
  Set common;
  common.Name(kPrinterName, "lp1");
  Set named;
  named.Name(kJobName, "renamed");
  Set modification;
  modification.Name(kJobName, "modified", AS_MODIFY_ADD_VALUES);
  GEN_Text_t message{};
  ASSERT_EQ(GENU_MakeEmbeddedText(s, &message, "from the test", nullptr), 0u);
  std::string doc = "document bytes";
  GEN_DocumentContent_t content{};
  content.choice = 1;
  content.u.external.choice = 2;
  content.u.external.u.octets = {static_cast<int32_t>(doc.size()),
                                 reinterpret_cast<unsigned char *>(doc.data())};
  GEN_DocDescription_t document{nullptr, &content, nullptr, AS_nullSetHandle};
  GEN_Boolean_t no = 0;
  uint32_t requestedId = kJobIdentifier, when = kPrinterIdle, event = kJobName;
  GEN_ValueSeq_t requestedNode{nullptr, &requestedId};
  GEN_SetOfOids_t requested{&requestedNode};
  GEN_Filter_t present{};
  present.choice = 1;
  present.u.item.choice = 5;
  present.u.item.u.present = kJobIdentifier;
  GEN_ObjectIdent_t jobIdent = JobIdent(job), lp2 = PrinterIdent("lp2"),
                    lpnew = PrinterIdent("lp-e2e");
  GEN_JobOrPrinter_t jobOrPrinter{};
  jobOrPrinter.tag = 1;
  snprintf(jobOrPrinter.u.job, sizeof jobOrPrinter.u.job, "%s", job.c_str());
  char toName[] = "lp1";
  GEN_DistNameString_t toPrinter{};
  toPrinter.text.choice = GEN_TEXT_STRING;
  toPrinter.text.u.string = toName;
  GEN_NameOrOID_t eventName{};
  eventName.choice = 1;
  eventName.u.oid = event;
  // A listing's first page, for the continuation rows.
  auto firstPage = [&](bool ordered) {
    GEN_listResult_t *page = nullptr;
    kq::test::StatusList ls;
    auto list = ordered ? JQP_GetOrderedJobs_C : JQP_ListObjectAttributes_C;
    EXPECT_EQ(list(ls, kClassJob, nullptr, nullptr, nullptr, common, &page, nullptr), 0);
    EXPECT_TRUE(page && page->continuation) << "the fixture's limit leaves a continuation";
    return std::unique_ptr<GEN_listResult_t, void (*)(GEN_listResult_t *)>(
        page, [](GEN_listResult_t *p) {
          kq::test::StatusList fs;
          FreeGEN_listResult(fs, p);
        });
  };
  const char *c = job.c_str();
  using S = STF_statusList_t;
  using E = ERDPA_errorResult_t;
  GEN_SimpleName_t lp1 = SimpleName("lp1");
  const OpRow rows[] = {
      {"add document, more to come", 5, 0xc0, "ok", true,
       [&](S *st, E **e, Out &o) {
         return JQP_AddDocument_C(st, c, &no, &document, common, &o.print, e);
       }},
      {"close job", 6, 0x80, "ok", true,
       [&](S *st, E **e, Out &o) { return JQP_CloseJob_C(st, c, common, &o.print, e); }},
      {"create job with everything", 0, 0xf0, "ok", true,
       [&](S *st, E **e, Out &o) {
         return JQP_CreateJob_C(st, &lp1, &no, named, &document, common, &o.print, e);
       }},
      {"list with selector and requested attributes", 1, 0x68, "ok", true,
       [&](S *st, E **e, Out &o) {
         return JQP_ListObjectAttributes_C(st, kClassJob, nullptr, &present, &requested, common,
                                           &o.list, e);
       }},
      {"list continuation", 7, 0x40, "ok", true,
       [&](S *st, E **e, Out &o) {
         auto page = firstPage(false);
         return JQP_ListObjectAttributeContinuation_C(st, page->continuation, common, &o.list, e);
       }},
      {"ordered jobs", 10, 0x68, "ok", true,
       [&](S *st, E **e, Out &o) {
         return JQP_GetOrderedJobs_C(st, kClassJob, nullptr, &present, &requested, common,
                                     &o.list, e);
       }},
      {"ordered jobs continuation", 11, 0x40, "ok", true,
       [&](S *st, E **e, Out &o) {
         auto page = firstPage(true);
         return JQP_GetOrderedJobsContinuation_C(st, page->continuation, common, &o.list, e);
       }},
      {"list abort", 12, 0xc0, "ok", false,
       [&](S *st, E **e, Out &o) {
         auto page = firstPage(false);
         return JQP_ListObjectAttributeAbort_C(st, page->continuation, common, &o.list, e);
       }},
      {"create a printer", 2, 0x88, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Create_C(st, kClassPrinter, &lpnew, nullptr, nullptr, AS_nullSetHandle,
                             &message, common, &o.set, e);
       }},
      {"enable", 3, 0xc0, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Enable_C(st, kClassPrinter, &lpnew, &message, common, &o.set, e);
       }},
      {"disable", 13, 0xc0, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Disable_C(st, kClassPrinter, &lpnew, &message, common, &o.set, e);
       }},
      {"send event: not done by this server", 4, 0xa0, "service 15", false,
       [&](S *st, E **e, Out &o) {
         return JQP_SendEvent_C(st, &eventName, named, nullptr, common, &o.set, e);
       }},
      {"modify job", 14, 0x20, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_ModifyJob_C(st, c, nullptr, modification, nullptr, common, &o.set, e);
       }},
      {"promote job", 16, 0x40, "ok", false,
       [&](S *st, E **e, Out &o) { return JQP_PromoteJob_C(st, c, nullptr, common, &o.set, e); }},
      {"pause job", 18, 0x40, "ok", true,
       [&](S *st, E **e, Out &o) {
         return JQP_PauseJob_C(st, &jobOrPrinter, nullptr, common, &o.pauseJob, e);
       }},
      {"resume job", 19, 0x20, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_ResumeJob_C(st, c, nullptr, nullptr, common, &o.set, e);
       }},
      {"interrupt job: the result is always nothing", 17, 0x40, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_InterruptJob_C(st, &jobOrPrinter, nullptr, nullptr, common, &o.interrupt, e);
       }},
      {"set job attributes", 21, 0x60, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Set_C(st, kClassJob, &jobIdent, modification, nullptr, common, &o.set, e);
       }},
      {"resubmit job", 23, 0x40, "ok", true,
       [&](S *st, E **e, Out &o) {
         return JQP_ResubmitJob_C(st, kClassJob, &jobIdent, &toPrinter, nullptr, common,
                                  &o.resubmit, e);
       }},
      {"pause a printer", 25, 0x40, "ok", true,
       [&](S *st, E **e, Out &o) {
         return JQP_Pause_C(st, kClassPrinter, &lp2, nullptr, common, &o.pause, e);
       }},
      {"resume a printer", 26, 0x40, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Resume_C(st, kClassPrinter, &lp2, nullptr, common, &o.set, e);
       }},
      {"control a job", 28, 0x40, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Control_C(st, kClassJob, &jobIdent, nullptr, named, common, &o.set, e);
       }},
      {"cancel job with a message", 15, 0x50, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_CancelJob_C(st, c, nullptr, &message, nullptr, common, &o.set, e);
       }},
      {"clean a printer", 20, 0x40, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Clean_C(st, kClassPrinter, &lpnew, nullptr, common, &o.set, e);
       }},
      {"shut a printer down", 22, 0x40, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Shutdown_C(st, kClassPrinter, &lpnew, nullptr, &when, common, &o.set, e);
       }},
      {"delete a printer", 24, 0x40, "ok", false,
       [&](S *st, E **e, Out &o) {
         return JQP_Delete_C(st, kClassPrinter, &lpnew, nullptr, common, &o.set, e);
       }},
  };
  std::set<int> covered;
  for (const OpRow &row : rows) {
    SCOPED_TRACE(row.name);
    kq::test::StatusList st;
    ERDPA_errorResult_t *error = nullptr;
    Out out;
    EXPECT_EQ(row.run(st, &error, out), 0) << st.Text();
    EXPECT_EQ(Outcome(error), row.outcome);
    if (error) {
      char *text = ErrorResult2String(error);
      EXPECT_TRUE(text && *text);
      free(text);
    }
    ERDPA_FreeError(st, error);
    if (row.result) {
      EXPECT_TRUE(out.Any());
    }
    if (row.op == 17) {
      EXPECT_FALSE(out.Any());
    }
    EXPECT_EQ(ReceivedPresence(row.op), row.presence);
    covered.insert(row.op);
  }
  // Every operation that has a function (not 8, 9, 27) has its row.
  EXPECT_EQ(covered.size(), 26u);
  GEN_DeepDeleteText(s, &message, nullptr);
}

// The fields of a create-job request as the server received them.
TEST_F(Operations, CreateJobSendsThePrinterTheIncompleteFlagAndTheDocument) {
  Set common, attrs;
  common.Name(kPrinterName, "lp2");
  attrs.Name(kJobName, "fields");
  std::string doc = "the document's bytes \x80\xff";
  GEN_DocumentContent_t content{};
  content.choice = 1;
  content.u.external.choice = 2;
  content.u.external.u.octets = {static_cast<int32_t>(doc.size()),
                                 reinterpret_cast<unsigned char *>(doc.data())};
  GEN_DocDescription_t document{nullptr, &content, nullptr, AS_nullSetHandle};
  GEN_SimpleName_t lp2 = SimpleName("lp2");
  GEN_Boolean_t no = 0;
  GEN_printResult_t *result = nullptr;
  ASSERT_EQ(JQP_CreateJob_C(s, &lp2, &no, attrs, &document, common, &result, nullptr), 0)
      << s.Text();
  ASSERT_NE(result, nullptr);
  const std::string job = result->jobIdentification.value;
  FreeGEN_printResult(s, result);
  ASSERT_EQ(ReceivedPresence(0), 0xf0);
  int pdu = PrintArgument_PDU;
  OssBuf in{static_cast<int32_t>(received.size()),
            reinterpret_cast<unsigned char *>(received.data())};
  void *decoded = nullptr;
  ASSERT_EQ(GENU_OssDecode(nullptr, &pdu, &in, &decoded), 0);
  const CreateJobArgument &a = static_cast<PrintArgument *>(decoded)->u.create_job;
  GEN_SimpleName_t printer{};
  ASSERT_EQ(ToGEN_simpleName(s, &a.printer_name, &printer), 0);
  EXPECT_STREQ(printer.u.string, "lp2");
  EXPECT_FALSE(a.job_submission_complete);
  GENU_OssFreePDU(nullptr, pdu, decoded);
  // The document reached the spool directory byte for byte.
  EXPECT_EQ(kq::test::ReadFile(spool + "/job" + job + "-doc1"), doc);
}

// Each kind of DPA error the server gives comes back decoded; the call itself succeeds.
TEST_F(Operations, EachKindOfDpaErrorComesBackDecoded) {
  const std::string cancelled = NewJob(), open = NewJob("lp1", true);
  Set common;
  common.Name(kPrinterName, "lp1");
  {
    Out o;
    ASSERT_EQ(
        JQP_CancelJob_C(s, cancelled.c_str(), nullptr, nullptr, nullptr, common, &o.set, nullptr),
        0);
  }
  Set keptByServer;
  keptByServer.JobId(kJobIdentifier, "other").Name(kJobName, "x");
  AS_SetAttrModifyOp(s, keptByServer, kJobIdentifier, AS_MODIFY_ADD_VALUES);
  GEN_ObjectIdent_t lp1 = PrinterIdent("lp1"), openIdent = JobIdent(open);
  using E = ERDPA_errorResult_t;
  struct Row {
    const char *name;
    std::function<int(STF_statusList_t *, E **, Out &)> run;
    const char *outcome;
  } rows[] = {
      {"an unknown job",
       [&](STF_statusList_t *st, E **e, Out &o) {
         return JQP_CancelJob_C(st, "no-such-job", nullptr, nullptr, nullptr, common, &o.set, e);
       },
       "selection 2"},
      {"a job identifier that leaves the spool",
       [&](STF_statusList_t *st, E **e, Out &o) {
         return JQP_CancelJob_C(st, "../x", nullptr, nullptr, nullptr, common, &o.set, e);
       },
       "selection 1"},
      {"a printer that exists",
       [&](STF_statusList_t *st, E **e, Out &o) {
         return JQP_Create_C(st, kClassPrinter, &lp1, nullptr, nullptr, AS_nullSetHandle, nullptr,
                             common, &o.set, e);
       },
       "selection 3"},
      {"changing what the server keeps",
       [&](STF_statusList_t *st, E **e, Out &o) {
         return JQP_ModifyJob_C(st, open.c_str(), nullptr, keptByServer, nullptr, common, &o.set,
                                e);
       },
       "attribute 7"},
      {"cancelling a cancelled job",
       [&](STF_statusList_t *st, E **e, Out &o) {
         return JQP_CancelJob_C(st, cancelled.c_str(), nullptr, nullptr, nullptr, common, &o.set,
                                e);
       },
       "update 5"},
      {"enabling a job",
       [&](STF_statusList_t *st, E **e, Out &o) {
         return JQP_Enable_C(st, kClassJob, &openIdent, nullptr, common, &o.set, e);
       },
       "access 1"},
      {"an event",
       [&](STF_statusList_t *st, E **e, Out &o) {
         GEN_NameOrOID_t event{};
         event.choice = 1;
         event.u.oid = kJobName;
         return JQP_SendEvent_C(st, &event, keptByServer, nullptr, common, &o.set, e);
       },
       "service 15"},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    kq::test::StatusList st;
    E *error = nullptr;
    Out out;
    EXPECT_EQ(row.run(st, &error, out), 0) << st.Text();
    EXPECT_EQ(Outcome(error), row.outcome);
    char *text = error ? ErrorResult2String(error) : nullptr;
    EXPECT_TRUE(text && *text);
    free(text);
    ERDPA_FreeError(st, error);
  }
}

// Two servers, each with its printers, in one printers file: one thread submitting to
// a printer of each in turn is connected to the printer's server each time.
TEST_F(Operations, TheConnectionFollowsThePrinterAcrossServers) {
  const uint32_t otherProgram = program + 7;
  kq::test::WriteFile(tmp / "other.conf", "server spool-other\nprinter lpB\nlist-limit 1000\n");
  kq::spool::test::SpawnedDaemon other(
      {"-l", "-p", std::to_string(otherProgram), "-v", "1", "-c", tmp / "other.conf"});
  ASSERT_TRUE(other.ready());
  WriteEtc(kq::test::ReadFile(etc) + Entry("lpB", "paddr", "lp", "spool-other", otherProgram));
  std::map<std::string, std::set<std::string>> submitted;
  for (int round = 0; round < 3; round++) {
    for (const char *printer : {"lp1", "lpB"}) {
      SCOPED_TRACE(printer);
      std::string job = NewJob(printer);
      ASSERT_FALSE(job.empty());
      submitted[printer].insert(job);
      JQP_clientHandle_t *h = JQP__GetClientHandle();
      ASSERT_NE(h, nullptr);
      ASSERT_NE(h->serverObject, nullptr);
      EXPECT_EQ(static_cast<uint32_t>(h->serverObject->prognum),
                printer == std::string("lpB") ? otherProgram : program);
    }
  }
  // The other server holds exactly the jobs sent to lpB.
  Set common;
  common.Name(kPrinterName, "lpB");
  GEN_listResult_t *page = nullptr;
  ASSERT_EQ(
      JQP_ListObjectAttributes_C(s, kClassJob, nullptr, nullptr, nullptr, common, &page, nullptr),
      0);
  std::set<std::string> listed;
  for (GEN_setOfObjectResult_t *o = page ? page->resultSet : nullptr; o; o = o->next)
    listed.insert(o->value.objectIdentification.u.job.value);
  FreeGEN_listResult(s, page);
  EXPECT_EQ(listed, submitted["lpB"]);
  kq::test::StatusList ts;
  JQP_Terminate(ts);
  EXPECT_EQ(other.Stop(), 0);
}

// Eight threads, each with its own connection, create 1000 jobs each at once: the
// server holds every one of them, none twice.
TEST_F(Operations, ManyThreadsCreateJobsAndNoneIsLostOrDuplicated) {
  const uint32_t bulkProgram = program + 8;
  kq::test::WriteFile(tmp / "bulk.conf", "server spool-bulk\nprinter lpM\nlist-limit 500\n");
  kq::spool::test::SpawnedDaemon bulk(
      {"-l", "-p", std::to_string(bulkProgram), "-v", "1", "-c", tmp / "bulk.conf"});
  ASSERT_TRUE(bulk.ready());
  WriteEtc(kq::test::ReadFile(etc) + Entry("lpM", "paddr", "lp", "spool-bulk", bulkProgram));
  constexpr int kThreads = 8, kCalls = 1000;
  std::vector<std::vector<std::string>> ids(kThreads);
  std::vector<int> failures(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; t++) {
    threads.emplace_back([&, t] {
      kq::test::StatusList ts;
      Set common, attrs;
      common.Name(kPrinterName, "lpM");
      attrs.Name(kJobName, ("thread-" + std::to_string(t)).c_str());
      GEN_SimpleName_t name = SimpleName("lpM");
      for (int i = 0; i < kCalls; i++) {
        GEN_printResult_t *r = nullptr;
        ERDPA_errorResult_t *e = nullptr;
        if (JQP_CreateJob_C(ts, &name, nullptr, attrs, nullptr, common, &r, &e) != 0 || e || !r)
          failures[t]++;
        if (r) ids[t].push_back(r->jobIdentification.value);
        FreeGEN_printResult(ts, r);
        ERDPA_FreeError(ts, e);
      }
      JQP_Terminate(ts);
    });
  }
  for (std::thread &t : threads) t.join();
  std::set<std::string> returned;
  for (int t = 0; t < kThreads; t++) {
    EXPECT_EQ(failures[t], 0) << "thread " << t;
    returned.insert(ids[t].begin(), ids[t].end());
  }
  EXPECT_EQ(returned.size(), size_t{kThreads * kCalls}) << "job identifiers given twice";
  // Counted on the server: a listing of every job, page after page.
  Set common;
  common.Name(kPrinterName, "lpM");
  uint32_t id = kJobIdentifier;
  GEN_ValueSeq_t node{nullptr, &id};
  GEN_SetOfOids_t requested{&node};
  GEN_listResult_t *page = nullptr;
  ASSERT_EQ(JQP_ListObjectAttributes_C(s, kClassJob, nullptr, nullptr, &requested, common, &page,
                                       nullptr),
            0)
      << s.Text();
  std::set<std::string> onServer;
  size_t listedCount = 0;
  while (page) {
    for (GEN_setOfObjectResult_t *o = page->resultSet; o; o = o->next, listedCount++)
      onServer.insert(o->value.objectIdentification.u.job.value);
    GEN_listResult_t *next = nullptr;
    if (page->continuation) {
      ASSERT_EQ(
          JQP_ListObjectAttributeContinuation_C(s, page->continuation, common, &next, nullptr), 0)
          << s.Text();
    }
    FreeGEN_listResult(s, page);
    page = next;
  }
  EXPECT_EQ(listedCount, size_t{kThreads * kCalls});
  EXPECT_EQ(onServer, returned);
  kq::test::StatusList ts;
  JQP_Terminate(ts);
  EXPECT_EQ(bulk.Stop(), 0);
}

}  // namespace
}  // namespace kq::e2e
