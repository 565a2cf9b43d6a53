// kqspoold's request core in process: packets encoded as a client encodes them go
// through Dispatch, and the replies are read back as a client reads them (results
// decoded, errors through JQP_ErrorDecode). Each operation is checked by its answer
// and by what it did to the server's state.
#include "dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "internal/ber_mod_kq_0b.h"
#include "kqtest.h"
#include "spool_test_util.h"
#include "wire.h"

namespace kq::spool::test {
namespace {

constexpr uint32_t kJobName = 133;  // a simple-name attribute

class Spool : public ::testing::Test {
 public:
  void SetUp() override { Start(3); }
  void Start(size_t limit) {
    Config c;
    c.server = "spool-a";
    c.printers = {{"lp1", "q1"}, {"lp2", ""}};
    c.listLimit = limit;
    c.spoolDir = dir.path();
    server = std::make_unique<Server>(c);
  }
  Reply Call(int32_t op, const std::string &packet) {
    return Dispatch(*server, op, packet.data(), packet.size());
  }
  std::string Submit(const std::string &printer, const Given &attrs = {}) {
    Reply r = Call(0, CreateJobPacket(printer, attrs));
    EXPECT_EQ(Outcome(r), "ok");
    return PrintedJob(r);
  }
  Job &JobOf(const std::string &id) { return server->jobs.at(id); }

  kq::test::TempDir dir{"kqspoold"};
  std::unique_ptr<Server> server;
};

// Each row starts from two pending jobs, "1" and "2", on lp1.
struct Row {
  const char *name;
  int32_t op;
  std::function<std::string()> packet;
  const char *outcome;
  std::function<bool(Server &)> effect;  // null: nothing to check beyond the answer
};

uint32_t State(Server &s, const char *job) { return s.jobs.count(job) ? s.jobs.at(job).state : 0; }

TEST_F(Spool, EveryOperationAnswersAndChangesTheStateAsItSays) {
  const Row rows[] = {
      {"cancel marks the job cancelled", 15, [] { return JobPacket(15, "1"); }, "ok",
       [](Server &s) { return State(s, "1") == kJobCancelled; }},
      {"cancel of an unknown job is a selection error", 15, [] { return JobPacket(15, "99"); },
       "selection 2", nullptr},
      {"a job id climbing out of the spool is refused", 15, [] { return JobPacket(15, "../1"); },
       "selection 1", nullptr},
      {"a job id holding a slash is refused", 19, [] { return JobPacket(19, "1/doc"); },
       "selection 1", nullptr},
      {"pause job pauses it", 18, [] { return JobPacket(18, "1"); }, "ok",
       [](Server &s) { return State(s, "1") == kJobPaused && State(s, "2") == kJobPending; }},
      {"resume of a job that is not paused is an access error", 19,
       [] { return JobPacket(19, "1"); }, "access 4", nullptr},
      {"promote puts the job first", 16, [] { return JobPacket(16, "2"); }, "ok",
       [](Server &s) { return s.JobsInOrder().front()->id == "2"; }},
      {"interrupt marks the job interrupted", 17, [] { return JobPacket(17, "2"); }, "ok",
       [](Server &s) { return State(s, "2") == kJobInterrupted; }},
      {"modify sets an attribute", 14,
       [] { return JobPacket(14, "1", {NameAttr(kJobName, "report")}); }, "ok",
       [](Server &s) { return FindAttr(s.jobs.at("1").attrs, kJobName) != nullptr; }},
      {"modify of the job identifier is an illegal modification", 14,
       [] {
         return JobPacket(14, "1", {{kAttrJobIdentifier, {PackJobId(kAttrJobIdentifier, "7")}}});
       },
       "attribute 7", [](Server &s) { return s.jobs.count("7") == 0; }},
      {"pause job naming a printer pauses the printer", 18,
       [] { return PrinterPausePacket("lp1"); }, "ok",
       [](Server &s) { return s.printers.at("lp1").state == kPrinterPaused; }},
      {"disable stops the printer taking jobs", 13,
       [] { return ObjectPacket(13, kClassPrinter, "lp2"); }, "ok",
       [](Server &s) { return !s.printers.at("lp2").enabled && s.printers.at("lp1").enabled; }},
      {"enable of an unknown printer is a selection error", 3,
       [] { return ObjectPacket(3, kClassPrinter, "nope"); }, "selection 2", nullptr},
      {"clean removes the printer's jobs", 20,
       [] { return ObjectPacket(20, kClassPrinter, "lp1"); }, "ok",
       [](Server &s) { return s.jobs.empty(); }},
      {"clean of a job is an access error", 20, [] { return ObjectPacket(20, kClassJob, "1"); },
       "access 1", [](Server &s) { return s.jobs.size() == 2; }},
      {"delete removes a job", 24, [] { return ObjectPacket(24, kClassJob, "1"); }, "ok",
       [](Server &s) { return s.jobs.count("1") == 0 && s.jobs.count("2") == 1; }},
      {"delete removes a printer", 24, [] { return ObjectPacket(24, kClassPrinter, "lp2"); }, "ok",
       [](Server &s) { return s.printers.count("lp2") == 0 && s.jobs.size() == 2; }},
      {"pause of a job object pauses it", 25, [] { return ObjectPacket(25, kClassJob, "2"); }, "ok",
       [](Server &s) { return State(s, "2") == kJobPaused; }},
      {"resume of a pending job object is an access error", 26,
       [] { return ObjectPacket(26, kClassJob, "2"); }, "access 4", nullptr},
      {"create makes a printer", 2, [] { return ObjectPacket(2, kClassPrinter, "lp3"); }, "ok",
       [](Server &s) { return s.printers.count("lp3") == 1; }},
      {"create of an existing printer is a selection error", 2,
       [] { return ObjectPacket(2, kClassPrinter, "lp1"); }, "selection 3", nullptr},
      {"create of a job object is an access error", 2,
       [] { return ObjectPacket(2, kClassJob, "9"); }, "access 1", nullptr},
      {"set stores a printer attribute", 21,
       [] { return ObjectPacket(21, kClassPrinter, "lp1", {NameAttr(kJobName, "x")}); }, "ok",
       [](Server &s) { return FindAttr(s.printers.at("lp1").attrs, kJobName) != nullptr; }},
      {"set of the printer's name is an illegal modification", 21,
       [] { return ObjectPacket(21, kClassPrinter, "lp1", {NameAttr(kAttrPrinterName, "x")}); },
       "attribute 7", nullptr},
      {"shutdown of a printer shuts it down", 22,
       [] { return ObjectPacket(22, kClassPrinter, "lp1"); }, "ok",
       [](Server &s) { return s.printers.at("lp1").state == kPrinterShutdown && !s.shuttingDown; }},
      {"shutdown of the server refuses new jobs from then on", 22,
       [] { return ObjectPacket(22, kClassServer, "spool-a"); }, "ok",
       [](Server &s) { return s.shuttingDown; }},
      {"control applies its operations to the object", 28,
       [] { return ObjectPacket(28, kClassJob, "2", {NameAttr(kJobName, "c")}); }, "ok",
       [](Server &s) { return FindAttr(s.jobs.at("2").attrs, kJobName) != nullptr; }},
      {"resubmit moves the job to another printer", 23, [] { return ResubmitPacket("1", "lp2"); },
       "ok", [](Server &s) { return s.jobs.at("1").printer == "lp2"; }},
      {"resubmit to an unknown printer is a selection error", 23,
       [] { return ResubmitPacket("1", "nope"); }, "selection 2",
       [](Server &s) { return s.jobs.at("1").printer == "lp1"; }},
      {"create job on an unknown printer is a selection error", 0,
       [] { return CreateJobPacket("nope"); }, "selection 2",
       [](Server &s) { return s.jobs.size() == 2; }},
      {"create job through a queue goes to its printer", 0, [] { return CreateJobPacket("q1"); },
       "ok", [](Server &s) { return s.jobs.at("3").printer == "lp1"; }},
      {"a value of the wrong syntax is an attribute error", 0,
       [] {
         return CreateJobPacket("lp1", {{kJobName, {std::string("\x02\x01\x05", 3)}}});
       },
       "attribute 2", [](Server &s) { return s.jobs.size() == 2; }},
      {"an identifier that is no attribute is an undefined attribute type", 0,
       [] {
         return CreateJobPacket("lp1", {{kJobPending, {PackOid(kAttrJobState, kJobPending)}}});
       },
       "attribute 3", [](Server &s) { return s.jobs.size() == 2; }},
      {"an identifier no registry knows is an unsupported parameter", 0,
       [] {
         return CreateJobPacket("lp1", {{kUnknownAttr, {std::string("\x04\x00", 2)}}});
       },
       "service 11", [](Server &s) { return s.jobs.size() == 2; }},
      {"modify with a bad attribute changes nothing", 14,
       [] {
         return JobPacket(14, "1", {NameAttr(kJobName, "a"), {kJobPending, {}}});
       },
       "attribute 3", [](Server &s) { return s.jobs.at("1").attrs.empty(); }},
      {"a client's printer name does not hide the server's", 0,
       [] { return CreateJobPacket("lp2", {NameAttr(kAttrPrinterName, "lp1")}); }, "ok",
       [](Server &s) {
         std::string p = ListPacket(1, kClassJob);
         Page page;
         return ReadPage(Dispatch(s, 1, p.data(), p.size()), &page) && page.objects.size() == 3 &&
                page.objects[2].attrs ==
                    std::vector<uint32_t>{kAttrJobIdentifier, kAttrJobState, kAttrPrinterName};
       }},
      {"a job still being submitted is held", 0,
       [] { return CreateJobPacket("lp1", {}, nullptr, false); }, "ok",
       [](Server &s) { return State(s, "3") == kJobHeld; }},
      {"the same packet under another operation number is a service error", 5,
       [] { return CreateJobPacket("lp1"); }, "service 11", nullptr},
      {"an operation the server does not do is a service error", 27, [] { return std::string(); },
       "service 15", nullptr},
      {"an operation number past the table is a service error", 29,
       [] { return JobPacket(15, "1"); }, "service 15", nullptr},
      {"a negative operation number is a service error", -1, [] { return JobPacket(15, "1"); },
       "service 15", nullptr},
      {"an empty packet is a service error", 15, [] { return std::string(); }, "service 5",
       nullptr},
      {"a packet that is not BER is a service error", 15,
       [] { return std::string("\x30\x84\xff\xff\xff\xffjunk", 10); }, "service 5",
       [](Server &s) { return State(s, "1") == kJobPending; }},
      {"a truncated packet is a service error", 15,
       [] {
         std::string p = JobPacket(15, "1");
         return p.substr(0, p.size() - 1);
       },
       "service 5", [](Server &s) { return State(s, "1") == kJobPending; }},
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Start(3);
    ASSERT_EQ(Submit("lp1"), "1");
    ASSERT_EQ(Submit("lp1"), "2");
    Reply reply = Call(row.op, row.packet());
    EXPECT_EQ(Outcome(reply), row.outcome);
    if (row.effect) {
      EXPECT_TRUE(row.effect(*server));
    }
  }
}

TEST_F(Spool, RefusedJobsLeaveNoTraceAndLaterRequestsStillWork) {
  struct Case {
    const char *name;
    std::function<void(Spool &)> before;
    const char *outcome;
  } cases[] = {
      {"disabled printer", [](Spool &t) { t.Call(13, ObjectPacket(13, kClassPrinter, "lp1")); },
       "access 4"},
      {"server shut down", [](Spool &t) { t.Call(22, ObjectPacket(22, kClassServer, "")); },
       "service 2"},
      {"printer shut down", [](Spool &t) { t.Call(22, ObjectPacket(22, kClassPrinter, "lp1")); },
       "access 4"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    Start(3);
    c.before(*this);
    EXPECT_EQ(Outcome(Call(0, CreateJobPacket("lp1"))), c.outcome);
    EXPECT_TRUE(server->jobs.empty());
    EXPECT_EQ(Outcome(Call(1, ListPacket(1, kClassPrinter))), "ok");
  }
}

// A print result carries the job's status; the description the client gave stays with
// the job.
TEST_F(Spool, PrintResultsCarryTheJobsStatusNotItsDescription) {
  constexpr uint32_t kReasons = 288, kPrintAfterSpecified = 291;
  const std::vector<uint32_t> status = {kAttrJobIdentifier, kAttrJobState, kAttrPrinterName,
                                        kReasons};
  Reply created = Call(0, CreateJobPacket("lp1",
                                          {NameAttr(kJobName, "report"),
                                           {kReasons, {PackOid(kReasons, kPrintAfterSpecified)}}},
                                          nullptr, false));
  std::vector<uint32_t> createdStatus, closedStatus;
  const std::string id = PrintedJob(created, &createdStatus);
  PrintedJob(Call(6, CloseJobPacket(id)), &closedStatus);
  EXPECT_EQ(createdStatus, status);
  EXPECT_EQ(closedStatus, status);
  EXPECT_NE(FindAttr(JobOf(id).attrs, kJobName), nullptr);
}

TEST_F(Spool, DocumentsLandInTheSpoolDirectoryUnderTheJobsNumber) {
  const std::string first = "%!PS first\n", second("second\0with a zero", 18);
  Reply r = Call(0, CreateJobPacket("lp1", {NameAttr(kJobName, "doc")}, &first, false));
  ASSERT_EQ(Outcome(r), "ok");
  const std::string id = PrintedJob(r);
  EXPECT_EQ(JobOf(id).state, kJobHeld);
  EXPECT_EQ(Outcome(Call(5, AddDocumentPacket(id, second, false))), "ok");
  EXPECT_EQ(Outcome(Call(6, CloseJobPacket(id))), "ok");
  EXPECT_EQ(JobOf(id).state, kJobPending);
  EXPECT_EQ(JobOf(id).documents, 2);
  EXPECT_EQ(kq::test::ReadFile(dir / "job1-doc1"), first);
  EXPECT_EQ(kq::test::ReadFile(dir / "job1-doc2"), second);
  // A complete job takes no more documents; a path-like identifier writes nothing.
  EXPECT_EQ(Outcome(Call(5, AddDocumentPacket(id, "late", true))), "update 1");
  EXPECT_EQ(Outcome(Call(5, AddDocumentPacket("../../etc/x", "evil", true))), "selection 1");
  EXPECT_EQ(kq::test::Lines(kq::test::ReadFile(dir / "job1-doc3")).size(), 0u);
}

TEST_F(Spool, ListingsContinueThroughContextsAtTheReplyLimit) {
  for (int i = 0; i < 7; ++i) Submit(i % 2 ? "lp2" : "lp1");
  Page page;
  ASSERT_TRUE(ReadPage(Call(1, ListPacket(1, kClassJob)), &page));
  std::vector<std::string> seen;
  int pages = 0;
  for (;;) {
    ++pages;
    EXPECT_LE(page.objects.size(), 3u);
    for (const Listed &l : page.objects) {
      seen.push_back(l.name);
      EXPECT_EQ(l.attrs.size(), 3u);  // identifier, state, printer
    }
    if (page.context.empty()) break;
    ASSERT_TRUE(ReadPage(Call(7, ContinuePacket(page.context)), &page));
  }
  EXPECT_EQ(pages, 3);
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_TRUE(server->listings.empty());

  struct Query {
    const char *name;
    std::string packet;
    std::vector<std::string> names;
    std::vector<uint32_t> attrs;  // of the first object
    bool limited;
  } queries[] = {
      {"selector on the printer",
       ListPacket(1, kClassJob, NameAttr(kAttrPrinterName, "lp2")),
       {"2", "4", "6"},
       {kAttrJobIdentifier, kAttrJobState, kAttrPrinterName},
       false},
      {"requested attributes only",
       ListPacket(10, kClassJob, {}, {kAttrJobState}, 2),
       {"1", "2"},
       {kAttrJobState},
       true},
      {"printers",
       ListPacket(1, kClassPrinter),
       {"lp1", "lp2"},
       {kAttrPrinterName, kAttrPrinterState},
       false},
      {"the server", ListPacket(1, kClassServer), {"spool-a"}, {kAttrServerName}, false},
  };
  for (const Query &q : queries) {
    SCOPED_TRACE(q.name);
    ASSERT_TRUE(ReadPage(Call(1, q.packet), &page));
    std::vector<std::string> names;
    for (const Listed &l : page.objects) names.push_back(l.name);
    EXPECT_EQ(names, q.names);
    ASSERT_FALSE(page.objects.empty());
    EXPECT_EQ(page.objects[0].attrs, q.attrs);
    EXPECT_EQ(page.limited, q.limited);
  }
}

// Listings show each job as it is now: its state and printer after every change.
TEST_F(Spool, ListingsFollowTheJobsChanges) {
  for (int i = 0; i < 3; ++i) Submit("lp1");
  auto names = [&](const Attr &equal) {
    Page page;
    std::vector<std::string> out;
    if (ReadPage(Call(1, ListPacket(1, kClassJob, equal)), &page))
      for (const Listed &l : page.objects) out.push_back(l.name);
    return out;
  };
  const Attr paused{kAttrJobState, {PackOid(kAttrJobState, kJobPaused)}};
  struct Step {
    const char *name;
    int32_t op;
    std::string packet;
    Attr selector;
    std::vector<std::string> listed;
  } steps[] = {
      {"paused", 18, JobPacket(18, "2"), paused, {"2"}},
      {"resumed", 19, JobPacket(19, "2"), paused, {}},
      {"moved", 23, ResubmitPacket("1", "lp2"), NameAttr(kAttrPrinterName, "lp2"), {"1"}},
      {"moved back", 23, ResubmitPacket("1", "lp1"), NameAttr(kAttrPrinterName, "lp2"), {}},
  };
  for (const Step &step : steps) {
    SCOPED_TRACE(step.name);
    ASSERT_EQ(Outcome(Call(step.op, step.packet)), "ok");
    EXPECT_EQ(names(step.selector), step.listed);
  }
}

TEST_F(Spool, ContextsEndWithTheListingOrTheAbort) {
  for (int i = 0; i < 5; ++i) Submit("lp1");
  Page page;
  ASSERT_TRUE(ReadPage(Call(1, ListPacket(1, kClassJob)), &page));
  ASSERT_FALSE(page.context.empty());
  const std::string context = page.context;
  EXPECT_EQ(Outcome(Call(12, ContinuePacket(context, true))), "ok");
  EXPECT_TRUE(server->listings.empty());
  struct Case {
    const char *name;
    int32_t op;
    std::string context;
  } cases[] = {
      {"after the abort", 7, context},
      {"a context of another length", 11, context + "x"},
      {"an empty context", 7, ""},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Outcome(Call(c.op, ContinuePacket(c.context))), "service 13");
  }
}

TEST_F(Spool, ErrorsNameTheObjectTheyAreAbout) {
  struct Case {
    const char *name;
    int32_t op;
    std::string packet;
    const char *object;
  } cases[] = {
      {"an unknown job", 15, JobPacket(15, "77"), "77"},
      {"an unknown printer", 0, CreateJobPacket("nope"), "nope"},
      {"a packet that does not decode: the server", 15, "\x01", "spool-a"},
      {"an unknown operation: the server", 99, "", "spool-a"},
      {"a job that is not paused", 19, JobPacket(19, "1"), "1"},
  };
  Submit("lp1");
  for (const Case &c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ErrorObject(Call(c.op, c.packet)), c.object);
  }
}

TEST_F(Spool, UnfinishedListingsAreDroppedOldestFirstPastTheBound) {
  for (int i = 0; i < 4; ++i) Submit("lp1");
  std::vector<std::string> contexts;
  for (int i = 0; i < 1025; ++i) {
    Page page;
    ASSERT_TRUE(ReadPage(Call(1, ListPacket(1, kClassJob)), &page));
    contexts.push_back(page.context);
  }
  EXPECT_EQ(server->listings.size(), 1024u);
  EXPECT_EQ(Outcome(Call(7, ContinuePacket(contexts.front()))), "service 13");
  EXPECT_EQ(Outcome(Call(7, ContinuePacket(contexts[1]))), "ok");
  EXPECT_EQ(Outcome(Call(7, ContinuePacket(contexts.back()))), "ok");
}

TEST_F(Spool, ListingsOfOtherClassesAndBadAttributesAreRefused) {
  EXPECT_EQ(Outcome(Call(1, ListPacket(1, 90 /* document */))), "access 1");
  EXPECT_EQ(Outcome(Call(1, ListPacket(1, kClassJob, {}, {kJobPending}))), "attribute 3");
  EXPECT_EQ(Outcome(Call(1, ListPacket(1, kClassJob, {}, {kUnknownAttr}))), "service 11");
}

}  // namespace
}  // namespace kq::spool::test
