// The trace messages of requests and results: a golden table of in- and out-messages
// covering every kind of line (values, options not specified, missing required
// arguments, flags, filters of every form, print and list results, errors).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <regex>
#include <string>

#include "infra/jqp.h"
#include "jqp_frame_support.h"
#include "jqp_ops_support.h"
#include "kqtest.h"

namespace {

using kq::jqp::test::kIntAttr;
using kq::jqp::test::kOid;

// The echo messages of a log capture: each line's text after its head (source, time),
// from the first echo head on, with the thread id of create-job heads as "T".
std::string Body(const std::string &log) {
  const std::string body = kq::jqp::test::LogBody(log);
  return std::regex_replace(body.substr(std::min(body.find("Echo"), body.size())),
                            std::regex("thread -?[0-9]+"), "thread T");
}

// The shared argument values, the set holding two values, and filters of every form.
class EchoTest : public kq::jqp::test::OperationArgs {
 public:
  void SetUp() override {
    OperationArgs::SetUp();
    ASSERT_EQ(AS_FindAttr(s, set, kIntAttr, &attr), 0u);
    int32_t six = 6;
    ASSERT_EQ(AS_AddAttrValR(s, attr, 12, memcpy(malloc(4), &six, 4), &GENU_IntegerDesc), 0u);
    // Equality on the set's attribute (two values), presence, substrings, under a not and
    // an and.
    equality.choice = 1;
    equality.u.item.choice = 1;
    equality.u.item.u.attribute = attr;
    substrings.choice = 1;
    substrings.u.item.choice = 2;
    substrings.u.item.u.substrings.attributeType = kIntAttr;
    substrings.u.item.u.substrings.kind = 7;
    notNode.choice = 4;
    notNode.u.not_ = &filter;
    members[0] = {&members[1], &equality};
    members[1] = {&members[2], &notNode};
    members[2] = {nullptr, &substrings};
    andNode.choice = 2;
    andNode.u.set.first = &members[0];
    document = {&transfer, nullptr, nullptr, AS_nullSetHandle};
  }
  void TearDown() override {
    AS_FreeAttrHandle(s, &attr);
    OperationArgs::TearDown();
  }
  AS_attrHandle_t attr = AS_nullAttrHandle;
  GEN_Filter_t equality{}, substrings{}, notNode{}, andNode{};
  GEN_ValueSeq_t members[3]{};
};

TEST_F(EchoTest, MessagesShowEveryArgumentInOrder) {
  GEN_JobOrPrinter_t unknown{};
  unknown.tag = 9;
  struct Case {
    const char *name;
    std::function<void(EchoTest &)> echo;
    const char *expected;
  } cases[] = {
// The trace calls of a row.
#define KQ_ECHO(...) [&unknown](EchoTest &t) { __VA_ARGS__; }
      // clang-format off
      {"cancel job: a job, a missing option, a message, an integer, no common arguments",
       KQ_ECHO(EchoInCancelJob(t.s, "JQP_C", "job-7", nullptr, &t.message, &t.three, nullptr)),
       "EchoInCancelJob:  called from JQP_C\n\texisting-job = job-7\n"
       "\tdocument-number = OPTION not specified\n\tcancel-message = hello\n"
       "\tretention-period = 3\n"
       "\tcommon-arguments = OPTION not specified\n"},
      {"cancel job without a label or its required job",
       KQ_ECHO(EchoInCancelJob(t.s, nullptr, nullptr, nullptr, nullptr, nullptr, t.set)),
       "EchoInCancelJob:  called from <NULL>\n\texisting-job = NULL [ERROR]\n"
       "\tdocument-number = OPTION not specified\n\tcancel-message = OPTION not specified\n"
       "\tretention-period = OPTION not specified\n\tcommon-arguments:\n"
       "\t\tid-att-rpc-timeout (integer) )  \n\t\t\t5\n"
       "\t\t\t6\n"},
      {"create job: flag false, a set, a document description",
       KQ_ECHO(EchoInCreateJob(t.s, "JQP_C", &t.printer, &t.no, t.set, &t.document, nullptr)),
       "EchoInCreateJob: called from JQP_C, from thread T\n\tprinter-name = lp0\n"
       "\tjob-submission-complete = FALSE\n\tjob-attributes:\n"
       "\t\tid-att-rpc-timeout (integer) )  \n\t\t\t5\n\t\t\t6\n\tfirst-document:\n"
       "\ttransfer-method = id-val-code-set-iso-latin1\n"
       "\tdocument-content = OPTION not specified\n\tdocument-type = OPTION not specified\n"
       "\tdocument attributes:\n"
       "\tcommon-arguments = OPTION not specified\n"},
      {"add document: the flag by default, no document",
       KQ_ECHO(EchoInAddDocument(t.s, "JQP_C", "job-7", nullptr, nullptr, nullptr)),
       "EchoInAddDocument:  called from JQP_C\n\texisting-job = job-7\n"
       "\tjob-submission-complete = DEFAULT\n\tnew-document = NULL [ERROR]\n"
       "\tcommon-arguments = OPTION not specified\n"},
      {"listing with a filter of every form",
       KQ_ECHO(EchoInListObjectAttributes(t.s, "JQP_C", kOid, nullptr, &t.andNode, nullptr,
                                          nullptr)),
       "EchoInListObjectAttributes:  called from JQP_C\n"
       "\tobject-class = id-val-code-set-iso-latin1\n\tscope = OPTION not specified\n\tselector:\n"
       "                  and\n                     id-att-rpc-timeout eq 5\n"
       "                        6\n                     not\n"
       "                        id-att-rpc-timeout is\n"
       "                     Substring, Attr Id = id-att-rpc-timeout\n"
       "                     Value Type = integer) \n                     Match = unknown (7)\n"
       "                     Initial String = <not specified>\n"
       "                     Final String = <not specified>\n"
       "\trequested-attributes = OPTION not specified\n"
       "\tcommon-arguments = OPTION not specified\n"},
      {"pause a printer's job, interrupt with an unknown choice",
       KQ_ECHO(EchoInPauseJob(t.s, "JQP_C", &t.printerOf, nullptr, nullptr);
               EchoInInterruptJob(t.s, "JQP_C", &unknown, nullptr, nullptr, nullptr)),
       "EchoInPauseJob:  called from JQP_C\n\tpaused-job:\n\t\tprinter-name = lp0\n"
       "\tpause-message = OPTION not specified\n\tcommon-arguments = OPTION not specified\n"
       "EchoInInterruptJob:  called from JQP_C\n\tinterrupted-job:\n"
       "\t\tunknown JQP_jobOrPrinter_t choice\n\tinterrupt-message = OPTION not specified\n"
       "\tinterrupting-job = NULL [ERROR]\n"
       "\tcommon-arguments = OPTION not specified\n"},
  // clang-format on
#undef KQ_ECHO
  };
  for (auto &c : cases) {
    SCOPED_TRACE(c.name);
    kq::test::LogCapture log("I");
    c.echo(*this);
    EXPECT_EQ(Body(log.Text()), c.expected);
  }
}

// Print and list results, and an error next to a result.
TEST_F(EchoTest, OutcomesShowResultsAndErrors) {
  GEN_printResult_t print{};
  strcpy(print.jobIdentification.value, "job-7");
  print.jobStatus = set;
  print.serverMessage = &message;
  GEN_ErrorMsg_t text{};
  ASSERT_EQ(GENU_MakeEmbeddedErrorMsg(s, &text, "no such job", nullptr), 0u);
  ERDPA_errorResult_t *error = nullptr;
  ASSERT_EQ(ERDPA_Selection(s, &error, 2, nullptr, &job, &text), 0u) << s.Text();
  GEN_listResult_t list{};
  list.answerTime = {2026, 12, 7, 4, 5, 6, 0, 0, 1};
  GEN_limitEncountered_t limit = 1;
  list.limitEncountered = &limit;
  GEN_setOfObjectResult_t object{};
  object.value.objectIdentification = job;
  object.value.attributes = set;
  object.value.objectClass = kOid;
  list.resultSet = &object;
  kq::test::LogCapture log("I");
  EchoOutCreateJob(s, "JQP_C", &print, nullptr);
  EchoOutCloseJob(s, "JQP_C", nullptr, error);
  EchoOutListObjectAttributes(s, "JQP_C", &list, nullptr);
  const std::string body = Body(log.Text());
  EXPECT_EQ(body.substr(0, body.find("EchoOutCloseJob")),
            "EchoOutCreateJob: called from JQP_C, from thread T\n\tErrorResult = NULL\n"
            "\tPrintResult:\n\t\tjob-identification = job-7\n"
            "\t\tserver-state = OPTION not specified\n\t\tserver-message = hello\n"
            "\t\tdocument-status = OPTION not specified\n\t\tjob-status:\n"
            "\t\tid-att-rpc-timeout (integer) )  \n\t\t\t5\n"
            "\t\t\t6\n");
  const size_t close = body.find("EchoOutCloseJob:  called from JQP_C\n\tErrorResult:\n");
  ASSERT_NE(close, std::string::npos) << body;
  const size_t listed = body.find("EchoOutListObjectAttributes");
  const std::string closeText = body.substr(close, listed - close);
  EXPECT_NE(closeText.find("Selection Error"), std::string::npos) << closeText;
  EXPECT_NE(closeText.find("\tPrintResult = NULL\n"), std::string::npos) << closeText;
  const std::string listText = body.substr(listed);
  for (const char *line : {"\tErrorResult = NULL\n", "\tListObjectAttributesResult:\n",
                           "\t\tanswer-time: ", "\t\tcontinuation = OPTION not specifed\n",
                           "\t\tlimit-encountered = ", "\t\tresult-set:\n",
                           "\t\tobject-class = id-val-code-set-iso-latin1\n",
                           "\t\tjob-identifier = job-7\n", "\t\tattribute-set:\n"})
    EXPECT_NE(listText.find(line), std::string::npos) << line << "\n" << listText;
  EXPECT_EQ(ERDPA_FreeError(s, error), 0u);
  GEN_DeepDeleteErrorMsg(s, &text, nullptr);
}

}  // namespace
