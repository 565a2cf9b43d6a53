// kqspoold's request core in process: packets encoded as a client encodes them go
// through Dispatch, and the replies are read back as a client reads them (results
// decoded, errors through JQP_ErrorDecode). Each operation is checked by its answer
// and by what it did to the server's state.
#include "dispatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "kqtest.h"
#include "spool_test_util.h"
#include "wire.h"

namespace kq::spool::test {
namespace {

constexpr uint32_t kJobName = 133;  // a simple-name attribute

class Spool : public ::testing::Test {
 public:
  void SetUp() override { Start(); }
  void Start() {
    Config c;
    c.server = "spool-a";
    c.printers = {{"lp1", "q1"}, {"lp2", ""}};
    c.listLimit = 3;
    c.spoolDir = dir.path();
    server = std::make_unique<Server>(c);
  }
  Reply Call(int32_t op, const std::string &packet) {
    return Dispatch(*server, op, packet.data(), packet.size());
  }
  std::string Submit(const std::string &printer) {
    Reply r = Call(0, CreateJobPacket(printer));
    EXPECT_EQ(Outcome(r), "ok");
    return PrintedJob(r);
  }
  kq::test::TempDir dir{"kqspoold"};
  std::unique_ptr<Server> server;
};

uint32_t State(Server &s, const char *job) { return s.jobs.count(job) ? s.jobs.at(job).state : 0; }
bool HasName(const Attrs &attrs) { return FindAttr(attrs, kJobName) != nullptr; }
// The outcome of one more request to `s`.
std::string Then(Server &s, int32_t op, const std::string &packet) {
  return Outcome(Dispatch(s, op, packet.data(), packet.size()));
}
// The first page of the listing `packet` (listings show each job as it is now), and the
// names on a page.
Page Listing(Server &s, const std::string &packet) {
  Page page;
  EXPECT_TRUE(ReadPage(Dispatch(s, 1, packet.data(), packet.size()), &page));
  return page;
}
std::vector<std::string> Names(const Page &page) {
  std::vector<std::string> names;
  for (const Listed &l : page.objects) names.push_back(l.name);
  return names;
}

// A job refused on `printer` leaves no trace, and the server goes on serving.
bool Refused(Server &s, const char *printer, const std::string &outcome) {
  return Then(s, 0, CreateJobPacket(printer)) == outcome && s.jobs.size() == 2 &&
         Then(s, 1, ListPacket(1, kClassPrinter)) == "ok";
}

TEST_F(Spool, EveryOperationAnswersAndChangesTheStateAsItSays) {
  const std::string truncated = JobPacket(15, "1");
  // Each row starts from two pending jobs, "1" and "2", on lp1.
  const struct Row {
    const char *name;
    int32_t op;
    std::string packet;
    const char *outcome;
    std::function<bool(Server &)> effect;  // null: nothing to check beyond the answer
  } rows[] = {
// What one more request leaves true of the server `s`.
#define KQ_THEN(...) [](Server &s) { return __VA_ARGS__; }
      // clang-format off
      {"cancel marks the job cancelled", 15, JobPacket(15, "1"), "ok",
       KQ_THEN(State(s, "1") == kJobCancelled)},
      {"cancel of an unknown job", 15, JobPacket(15, "99"), "selection 2 on 99", nullptr},
      {"a job id climbing out of the spool", 15, JobPacket(15, "../1"), "selection 1 on ../1",
       nullptr},
      {"pause job pauses it", 18, JobPacket(18, "1"), "ok",
       KQ_THEN(State(s, "1") == kJobPaused && State(s, "2") == kJobPending &&
               Names(Listing(s, ListPacket(1, kClassJob, {kAttrJobState, {PackOid(kAttrJobState, kJobPaused)}}))) ==
                   std::vector<std::string>{"1"})},
      {"resume of a job that is not paused", 19, JobPacket(19, "1"), "access 4 on 1", nullptr},
      {"promote puts the job first", 16, JobPacket(16, "2"), "ok",
       KQ_THEN(s.JobsInOrder().front()->id == "2")},
      {"modify sets an attribute", 14, JobPacket(14, "1", {NameAttr(kJobName, "report")}), "ok",
       KQ_THEN(HasName(s.jobs.at("1").attrs))},
      {"modify with a bad attribute changes nothing", 14,
       JobPacket(14, "1", {NameAttr(kJobName, "a"), {kJobPending, {}}}), "attribute 3",
       KQ_THEN(s.jobs.at("1").attrs.empty())},
      {"disable stops the printer taking jobs", 13, ObjectPacket(13, kClassPrinter, "lp2"), "ok",
       KQ_THEN(Refused(s, "lp2", "access 4 on lp2") && s.printers.at("lp1").enabled)},
      {"clean removes the printer's jobs", 20, ObjectPacket(20, kClassPrinter, "lp1"), "ok",
       KQ_THEN(s.jobs.empty())},
      {"delete removes a job", 24, ObjectPacket(24, kClassJob, "1"), "ok",
       KQ_THEN(s.jobs.count("1") == 0 && s.jobs.count("2") == 1)},
      {"create makes a printer", 2, ObjectPacket(2, kClassPrinter, "lp3"), "ok",
       KQ_THEN(s.printers.count("lp3") == 1)},
      {"set stores a printer attribute", 21,
       ObjectPacket(21, kClassPrinter, "lp1", {NameAttr(kJobName, "x")}), "ok",
       KQ_THEN(HasName(s.printers.at("lp1").attrs))},
      {"shutdown of a printer shuts it down", 22, ObjectPacket(22, kClassPrinter, "lp1"), "ok",
       KQ_THEN(s.printers.at("lp1").state == kPrinterShutdown && !s.shuttingDown &&
               Refused(s, "lp1", "access 4 on lp1"))},
      {"shutdown of the server", 22, ObjectPacket(22, kClassServer, "spool-a"), "ok",
       KQ_THEN(Refused(s, "lp2", "service 2 on spool-a"))},
      {"resubmit moves the job to another printer", 23, ResubmitPacket("1", "lp2"), "ok",
       KQ_THEN(s.jobs.at("1").printer == "lp2" &&
               Names(Listing(s, ListPacket(1, kClassJob, NameAttr(kAttrPrinterName, "lp2")))) ==
                   std::vector<std::string>{"1"})},
      {"create job on an unknown printer", 0, CreateJobPacket("nope"), "selection 2 on nope",
       KQ_THEN(s.jobs.size() == 2)},
      {"create job through a queue goes to its printer", 0, CreateJobPacket("q1"), "ok",
       KQ_THEN(s.jobs.at("3").printer == "lp1")},
      {"a value of the wrong syntax", 0,
       CreateJobPacket("lp1", {{kJobName, {std::string("\x02\x01\x05", 3)}}}), "attribute 2",
       KQ_THEN(s.jobs.size() == 2)},
      {"an identifier no registry knows", 0,
       CreateJobPacket("lp1", {{kUnknownAttr, {std::string("\x04\x00", 2)}}}),
       "service 11 on spool-a", KQ_THEN(s.jobs.size() == 2)},
      {"a client's printer name does not hide the server's", 0,
       CreateJobPacket("lp2", {NameAttr(kAttrPrinterName, "lp1")}), "ok",
       KQ_THEN(s.jobs.at("3").printer == "lp2" &&
               Listing(s, ListPacket(1, kClassJob)).objects.at(2).attrs ==
                   std::vector<uint32_t>{kAttrJobIdentifier, kAttrJobState, kAttrPrinterName})},
      {"the same packet under another operation number", 5, CreateJobPacket("lp1"),
       "service 11 on spool-a", nullptr},
      {"an operation the server does not do", 27, "", "service 15 on spool-a", nullptr},
      {"an operation number past the table", 29, JobPacket(15, "1"), "service 15 on spool-a",
       nullptr},
      {"a truncated packet", 15, truncated.substr(0, truncated.size() - 1), "service 5 on spool-a",
       KQ_THEN(State(s, "1") == kJobPending)},
  // clang-format on
#undef KQ_THEN
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Start();
    ASSERT_EQ(Submit("lp1"), "1");
    ASSERT_EQ(Submit("lp1"), "2");
    EXPECT_EQ(Outcome(Call(row.op, row.packet)), row.outcome);
    if (row.effect) {
      EXPECT_TRUE(row.effect(*server));
    }
  }
}

TEST_F(Spool, DocumentsLandInTheSpoolDirectoryUnderTheJobsNumber) {
  const std::string first = "%!PS first\n", second("second\0with a zero", 18);
  Reply r = Call(0, CreateJobPacket("lp1", {NameAttr(kJobName, "doc")}, &first, false));
  ASSERT_EQ(Outcome(r), "ok");
  const std::string id = PrintedJob(r);
  EXPECT_EQ(Outcome(Call(5, AddDocumentPacket(id, second, false))), "ok");
  EXPECT_EQ(server->jobs.at(id).state, kJobHeld);
  EXPECT_EQ(Outcome(Call(6, CloseJobPacket(id))), "ok");
  EXPECT_EQ(server->jobs.at(id).state, kJobPending);
  EXPECT_EQ(kq::test::ReadFile(dir / "job1-doc1"), first);
  EXPECT_EQ(kq::test::ReadFile(dir / "job1-doc2"), second);
  // A complete job takes no more documents; a path-like identifier writes nothing.
  EXPECT_EQ(Outcome(Call(5, AddDocumentPacket(id, "late", true))), "update 1 on 1");
  EXPECT_EQ(Outcome(Call(5, AddDocumentPacket("../../etc/x", "evil", true))),
            "selection 1 on ../../etc/x");
  EXPECT_EQ(kq::test::ReadFile(dir / "job1-doc3"), "");
}

TEST_F(Spool, ListingsContinueThroughContextsAtTheReplyLimit) {
  for (int i = 0; i < 7; ++i) Submit(i % 2 ? "lp2" : "lp1");
  Page page = Listing(*server, ListPacket(1, kClassJob));
  std::vector<std::string> seen = Names(page);
  for (int pages = 1; !page.context.empty(); ++pages) {
    ASSERT_LT(pages, 3);
    ASSERT_TRUE(ReadPage(Call(7, ContinuePacket(page.context)), &page));
    EXPECT_LE(page.objects.size(), 3u);
    for (const std::string &name : Names(page)) seen.push_back(name);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7"}));
  EXPECT_TRUE(server->listings.empty());
  const struct Query {
    std::string packet;
    std::vector<std::string> names;
    std::vector<uint32_t> attrs;  // of the first object
    bool limited;
  } queries[] = {
      {ListPacket(1, kClassJob, NameAttr(kAttrPrinterName, "lp2")),
       {"2", "4", "6"},
       {kAttrJobIdentifier, kAttrJobState, kAttrPrinterName},
       false},
      {ListPacket(10, kClassJob, {}, {kAttrJobState}, 2), {"1", "2"}, {kAttrJobState}, true},
      {ListPacket(1, kClassPrinter), {"lp1", "lp2"}, {kAttrPrinterName, kAttrPrinterState}, false},
  };
  for (const Query &q : queries) {
    SCOPED_TRACE(q.names.front());
    page = Listing(*server, q.packet);
    EXPECT_EQ(Names(page), q.names);
    ASSERT_FALSE(page.objects.empty());
    EXPECT_EQ(page.objects[0].attrs, q.attrs);
    EXPECT_EQ(page.limited, q.limited);
  }
}

TEST_F(Spool, ContextsEndWithTheListingOrTheAbortOrPastTheBound) {
  for (int i = 0; i < 4; ++i) Submit("lp1");
  std::vector<std::string> contexts;
  for (int i = 0; i < 1025; ++i)
    contexts.push_back(Listing(*server, ListPacket(1, kClassJob)).context);
  // Unfinished listings are dropped oldest first past the bound of 1024.
  EXPECT_EQ(server->listings.size(), 1024u);
  EXPECT_EQ(Outcome(Call(12, ContinuePacket(contexts[2], true))), "ok");
  EXPECT_EQ(server->listings.size(), 1023u);
  const struct Case {
    int32_t op;
    std::string context;
    const char *outcome;
  } cases[] = {
      {7, contexts[0], "service 13 on spool-a"},  // dropped
      {7, contexts.back(), "ok"},
      {7, contexts.back(), "service 13 on spool-a"},  // its listing ended
      {7, contexts[2], "service 13 on spool-a"},      // aborted
      {11, contexts[3] + "x", "service 13 on spool-a"},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.context);
    EXPECT_EQ(Outcome(Call(c.op, ContinuePacket(c.context))), c.outcome);
  }
}

}  // namespace
}  // namespace kq::spool::test
