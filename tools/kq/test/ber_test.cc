// kq ber print and kq ber list through their own streams and real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "ber_cmd.h"
#include "captured.h"
#include "common/create_job.h"
#include "infra/erdpa.h"
#include "infra/genu.h"
#include "internal/ber_mod_kq_0b.h"
#include "kqtest.h"

namespace {

using kq::test::Captured;

TEST(kq_ber, PrintsHexFromStandardInputAndRawBytesFromAFile) {
  Captured s;
  s.Input("30 07 80 01 01\n81 02 01 2c\n");
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "-", s.in, s.out, s.err), 0) << s.Err();
  EXPECT_EQ(s.Out(), "CardinalRange {\n  lower 1\n  upper 300\n}\n");
  kq::test::TempDir dir;
  kq::test::WriteFile(dir / "msg", std::string("\x30\x0a\x80\x01\x05\x81\x02hi\x82\x01\x01", 12));
  Captured f;
  EXPECT_EQ(kq_ber_print_run("evt", 1, dir / "msg", f.in, f.out, f.err), 0) << f.Err();
  EXPECT_EQ(f.Out(),
            "EventMessage {\n  - : {\n    integer 5\n  }\n  - : {\n    string \"hi\"\n  }\n"
            "  - : {\n    octets '01'H\n  }\n}\n");
}

TEST(kq_ber, RefusesWhatDoesNotDecode) {
  Captured s;
  s.Input("30 07 80 01 01");
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "", s.in, s.out, s.err), 1);
  EXPECT_NE(s.Err().find("record 24 does not decode"), std::string::npos);
  EXPECT_EQ(s.Out(), "");
  Captured t;
  EXPECT_EQ(kq_ber_print_run("dpa", 4, "-", t.in, t.out, t.err), 2);
  EXPECT_EQ(t.Err(), "kq ber: module dpa has no record number 4\n");
  Captured u;
  EXPECT_EQ(kq_ber_print_run("dpa", 24, "/nonexistent/x", u.in, u.out, u.err), 1);
  EXPECT_EQ(kq_ber_list_run("x400", u.out, u.err), 2);
}

TEST(kq_ber, ListsEveryRecordNumber) {
  Captured s;
  EXPECT_EQ(kq_ber_list_run("dpa", s.out, s.err), 0);
  std::string text = s.Out();
  for (const char *line : {"    1  Boolean\n", "  146  PrintArgument\n", "  285  TerminalType\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
  EXPECT_EQ(kq::test::Lines(text).size(), 127u);
}

// A job's attributes: a name and two copy counts.
class KqBerRender : public ::testing::Test {
 protected:
  static constexpr uint32_t kJobName = 133, kCopyCount = 352;
  void SetUp() override {
    ASSERT_EQ(AS_Create(s, &job, nullptr, 0), 0u);
    GEN_SimpleName_t name{};
    name.choice = GEN_TEXT_STRING;
    strcpy(name.u.string, "report");
    ASSERT_EQ(AS_AddAttrValM(s, job, kJobName, 27, &name, &GENU_SimpleNameDesc, nullptr), 0u);
    GEN_Integer_t one = 1, two = 2;
    ASSERT_EQ(AS_AddAttrValM(s, job, kCopyCount, 1, &one, &GENU_CardinalDesc, &copies), 0u);
    ASSERT_EQ(AS_AddAttrValMR(s, copies, 1, &two, &GENU_CardinalDesc), 0u);
  }
  void TearDown() override {
    AS_FreeAttrHandle(s, &copies);
    AS_Destroy(s, &job);
  }
  // Prints `bytes` as record `pdu`, rendered or raw; the exit status in *rc.
  std::string Print(int pdu, const std::string &bytes, bool raw, int *rc) {
    Captured c;
    c.Input(bytes);
    *rc = kq_ber_print_run("dpa", pdu, "-", c.in, c.out, c.err, raw);
    EXPECT_EQ(c.Err(), "");
    return c.Out();
  }
  static std::string Bytes(const OssBuf &b) {
    std::string bytes(reinterpret_cast<const char *>(b.value), b.length);
    free(b.value);
    return bytes;
  }

  kq::test::StatusList s;
  AS_setHandle_t job = AS_nullSetHandle;
  AS_attrHandle_t copies = AS_nullAttrHandle;
};

// The attribute lines of the job above, as listed and as rendered.
constexpr char kJobLines[] =
    "\t1.0.10175.1.3.133 id-att-job-name\n"
    "\t1.0.10175.1.3.352 id-att-copy-count\n"
    "\t\tid-att-job-name (simple name)  \n"
    "\t\t\treport\n"
    "\t\tid-att-copy-count (cardinal)  \n"
    "\t\t\t1\n"
    "\t\t\t2\n";

TEST_F(KqBerRender, ACreateJobArgumentShowsItsJobAttributesRendered) {
  OssBuf encoded{};
  ASSERT_EQ(kq::tools::EncodeCreateJob(s, "printer-one", job, &encoded), 0) << s.Text();
  const std::string bytes = Bytes(encoded);
  int rc = -1;
  EXPECT_EQ(Print(PrintArgument_PDU, bytes, false, &rc),
            std::string("PrintArgument\ncreate-job.job-attributes: 2 attributes\n") + kJobLines);
  EXPECT_EQ(rc, 0);
  // The structural print stays behind --raw: the values there are their encodings.
  const std::string raw = Print(PrintArgument_PDU, bytes, true, &rc);
  EXPECT_EQ(rc, 0);
  EXPECT_NE(raw.find("printer-one"), std::string::npos) << raw;
  EXPECT_EQ(raw.find("id-att-job-name"), std::string::npos) << raw;
}

// An attribute error as a server sends it: its attribute list rendered, then the
// error's description and trace.
TEST_F(KqBerRender, AnErrorRecordAlsoShowsItsDescription) {
  GEN_ErrorMsg_t *message = nullptr;
  ASSERT_EQ(GENU_MakeErrorMsg(s, &message, "copies out of range", nullptr), 0u);
  ERDPA_errorResult_t *error = nullptr;
  ASSERT_EQ(ERDPA_Attribute(s, &error, 2, copies, nullptr, message), 0u) << s.Text();
  GEN_DeleteErrorMsg(s, message, nullptr);
  auto *details = static_cast<ERDPA_attributeError_t *>(error->details);

  AttributeError wire{};
  AttributeError_problems_node node{};
  wire.problems = &node;
  node.value.problem.choice = 1;
  node.value.problem.u.standard = static_cast<int32_t>(details->problems->problem);
  ASSERT_EQ(ToBER_AS(s, &node.value.attributes, &details->problems->attributes,
                     GENU_AS_MODE_KEEP_EXT_ACL),
            0);
  ASSERT_EQ(ToBER_errorMessage(s, &node.value.error_message, details->problems->errorMessage), 0);
  OssBuf encoded{};
  ASSERT_EQ(GENU_OssEncode(nullptr, AttributeError_PDU, &wire, &encoded), 0);
  FreeBER_AS(s, &node.value.attributes);
  FreeBER_errorMessage(s, &node.value.error_message);
  char *description = ErrorResult2String(error);
  ASSERT_NE(description, nullptr);
  const std::string expectedDescription = description;
  free(description);
  EXPECT_EQ(ERDPA_FreeError(s, error), 0u);

  int rc = -1;
  const std::string text = Print(AttributeError_PDU, Bytes(encoded), false, &rc);
  EXPECT_EQ(rc, 0);
  const std::string head =
      "AttributeError\nproblems[0].attributes: 1 attribute\n"
      "\t1.0.10175.1.3.352 id-att-copy-count\n"
      "\t\tid-att-copy-count (cardinal)  \n\t\t\t1\n\t\t\t2\n"
      "error: " +
      expectedDescription + "\n";
  EXPECT_EQ(text.substr(0, head.size()), head) << text;
  EXPECT_NE(text.find("copies out of range"), std::string::npos) << text;
}

// Attribute lists that do not convert, and errors that do not decode as DPA error
// results, still print what they can and fail.
TEST_F(KqBerRender, WhatDoesNotRenderFailsTheCommand) {
  // An attribute with an identifier the registry does not know.
  static uint8_t unknown[] = {0x2a, 0x03, 0x04};
  static char null[] = "\x05";  // a NULL value: tag and zero length
  Attribute_values_node value{nullptr, {2, reinterpret_cast<uint8_t *>(null)}};
  AttributeList_node attr{nullptr, {{3, unknown}, &value}};
  PrintArgument request{};
  request.choice = 1;
  request.u.create_job.printer_name.choice = GEN_TEXT_STRING;
  strcpy(request.u.create_job.printer_name.u.graphic_string, "p");
  request.u.create_job.bit_mask = CreateJobArgument_job_attributes_present;
  request.u.create_job.job_attributes = &attr;
  OssBuf encoded{};
  ASSERT_EQ(GENU_OssEncode(nullptr, PrintArgument_PDU, &request, &encoded), 0);
  int rc = -1;
  const std::string text = Print(PrintArgument_PDU, Bytes(encoded), false, &rc);
  EXPECT_EQ(rc, 1);
  // The identifier does not convert (the first code); the command says so and goes on.
  const std::string head =
      "PrintArgument\ncreate-job.job-attributes: 1 attribute\n\t1.2.3.4 (not registered)\n"
      "\t\tnot rendered: 0xc00e00a5";
  EXPECT_EQ(text.substr(0, head.size()), head) << text;

  // A security error whose problem code the kind does not define.
  SecurityError security{};
  security.problem.choice = 1;
  security.problem.u.standard = 99;
  security.error_message.text.choice = GEN_TEXT_STRING;
  ASSERT_EQ(GENU_OssEncode(nullptr, SecurityError_PDU, &security, &encoded), 0);
  EXPECT_EQ(Print(SecurityError_PDU, Bytes(encoded), false, &rc),
            "SecurityError\nerror: not a DPA error result: 0xc0090095\n");
  EXPECT_EQ(rc, 1);
}

// Each error record is decoded as the error type that carries it: the rendering names
// the record's own kind. Update, printer and document access errors share one layout,
// so only the kind tells a wrong pairing.
TEST_F(KqBerRender, EveryErrorRecordIsDescribedAsItsOwnKind) {
  GEN_ErrorMsg_t *text = nullptr;
  ASSERT_EQ(GENU_MakeErrorMsg(s, &text, "out of paper", nullptr), 0u);
  ErrorMessage message{};
  ASSERT_EQ(ToBER_errorMessage(s, &message, text), 0);
  GEN_DeleteErrorMsg(s, text, nullptr);
  GEN_ObjectIdent_t jobA{};
  jobA.choice = 1;
  strcpy(jobA.u.job.value, "job-A");
  ObjectIdent object{};  // a job identifier is held inline: nothing to release
  ASSERT_EQ(ToBER_objectIdent(s, &object, &jobA), 0);

  // One problem of standard code 1 (2 for the attribute error, whose codes start
  // there), about job-A.
  auto problem = [](auto &p) {
    p.choice = 1;
    p.u.standard = 1;
  };
  UpdateError update{};
  PrinterError printer{};
  DocumentAccessError document{};
  auto fill = [&](auto &e) {
    problem(e.problem);
    e.object_identification = object;
    e.error_message = message;
  };
  fill(update), fill(printer), fill(document);
  SecurityError security{};
  problem(security.problem);
  security.error_message = message;
  AttributeError attribute{};
  AttributeError_problems_node attributeProblem{};
  attribute.problems = &attributeProblem;
  problem(attributeProblem.value.problem);
  attributeProblem.value.problem.u.standard = 2;
  attributeProblem.value.error_message = message;
  SelectionError_node selectionItem{};
  ServiceError_node serviceItem{};
  AccessError_node accessItem{};
  problem(selectionItem.value.problem);
  problem(serviceItem.value.problem);
  problem(accessItem.value.problem);
  selectionItem.value.object_identification = serviceItem.value.object_identification =
      accessItem.value.object_identification = object;
  selectionItem.value.error_message = serviceItem.value.error_message =
      accessItem.value.error_message = message;
  SelectionError selection = &selectionItem;
  ServiceError service = &serviceItem;
  AccessError access = &accessItem;

  const struct {
    int pdu;
    void *wire;
    const char *name, *kind;
    const char *lists = "";
  } kRecords[] = {
      {UpdateError_PDU, &update, "UpdateError", "Update Error"},
      {PrinterError_PDU, &printer, "PrinterError", "Printer Error"},
      {DocumentAccessError_PDU, &document, "DocumentAccessError", "Document Access Error"},
      {SecurityError_PDU, &security, "SecurityError", "Security Error"},
      {AttributeError_PDU, &attribute, "AttributeError", "Attribute Error",
       "problems[0].attributes: 0 attributes\n\t\tno attributes\n"},
      {SelectionError_PDU, &selection, "SelectionError", "Selection Error"},
      {ServiceError_PDU, &service, "ServiceError", "Service Error"},
      {AccessError_PDU, &access, "AccessError", "Access Error"},
  };
  for (const auto &r : kRecords) {
    SCOPED_TRACE(r.name);
    OssBuf encoded{};
    ASSERT_EQ(GENU_OssEncode(nullptr, r.pdu, r.wire, &encoded), 0);
    int rc = -1;
    const std::string text = Print(r.pdu, Bytes(encoded), false, &rc);
    EXPECT_EQ(rc, 0);
    const std::string head =
        std::string(r.name) + "\n" + r.lists + "error: out of paper\n\t\t" + r.kind + " - ";
    EXPECT_EQ(text.substr(0, head.size()), head) << text;
  }
  FreeBER_errorMessage(s, &message);
}

}  // namespace
