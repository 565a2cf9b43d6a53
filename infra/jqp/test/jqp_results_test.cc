// Result records as replies carry them (built from generic values, through the real
// coder) into generic records, each compared as one line of text; the continuation
// context on its way back to the server; what the conversions refuse; and every heap
// allocation of the conversions failing in turn with nothing left behind.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <type_traits>
#include <vector>

#include "heap_double.h"
#include "infra/jqp.h"
#include "internal/ber_mod_kq_0b.h"
#include "internal/ber_runtime.h"
#include "jqp_ops_support.h"
#include "kqtest.h"

namespace {

using Status = kq::test::StatusList;
using Ints = std::vector<int32_t>;
using Bytes = std::vector<unsigned char>;
using kq::jqp::test::kOid;
using kq::jqp::test::kOtherOid;
using kq::jqp::test::Values;
using kq::jqp::test::WireList;
constexpr auto kNone = std::nullopt;

ber_oid WireOid(uint32_t shoid) {
  ber_oid oid{};
  EXPECT_EQ(ToBER_oid(Status(), &oid, &shoid), 0);
  return oid;
}

// `sent` encoded as record `pdu` and decoded again (null when that failed).
template <typename W>
std::shared_ptr<W> Decode(int pdu, W *sent) {
  OssBuf encoded{0, nullptr};
  void *out = nullptr;
  EXPECT_EQ(GENU_OssEncode(nullptr, pdu, sent, &encoded), 0);
  EXPECT_EQ(GENU_OssDecode(nullptr, &pdu, &encoded, &out), 0);
  free(encoded.value);
  return std::shared_ptr<W>(static_cast<W *>(out), [pdu](W *w) {
    if (w) GENU_OssFreePDU(nullptr, pdu, w);
  });
}

// A print result with the optional parts `mask` selects.
std::shared_ptr<PrintResult> PrintReply(uint8_t mask, const Ints &documents = {7, 8},
                                        const Ints &job = {42}) {
  Status s;
  PrintResult sent{};
  sent.bit_mask = mask;
  strcpy(sent.job_identification, "server-1:job-42");
  sent.server_state = WireOid(kOid);
  GEN_Text_t message{GEN_TEXT_STRING, {const_cast<char *>("queued behind 3 jobs")}, 0};
  EXPECT_EQ(ToBER_message(s, &sent.server_message, &message), 0) << s.Text();
  sent.document_status = WireList(documents);
  sent.job_status = WireList(job);
  auto reply = Decode(PrintResult_PDU, &sent);
  EXPECT_EQ(FreeBER_AS(s, &sent.document_status) | FreeBER_AS(s, &sent.job_status), 0);
  return reply;
}

// A list result with a continuation (or none), a limit (-1: none) and objects "job-<i>"
// of alternating classes holding the given integers.
std::shared_ptr<ListResult> ListReply(const std::optional<Bytes> &context, int16_t limit,
                                      const std::vector<Ints> &objects) {
  Status s;
  ListResult sent{};
  GEN_GeneralizedTime_t time{2026, 12, 7, 2, 48, 9, 250, 60, 0};
  EXPECT_EQ(ToBER_generalizedTime(s, &sent.answer_time, &time), 0) << s.Text();
  if (context) sent.bit_mask |= ListResult_continuation_present;
  if (context) sent.continuation = {int32_t(context->size()), (unsigned char *)context->data()};
  if (limit >= 0) sent.bit_mask |= ListResult_limit_encountered_present;
  sent.limit_encountered = limit;
  std::vector<ListResult_result_set_node> nodes(objects.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    ObjectResult &o = nodes[i].value;
    o.object_identification.choice = 1;
    snprintf(o.object_identification.u.job_identifier, 256, "job-%zu", i);
    o.attributes = WireList(objects[i]);
    o.object_class = WireOid(i % 2 ? kOtherOid : kOid);
    nodes[i].next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
  }
  if (!nodes.empty()) sent.bit_mask |= ListResult_result_set_present;
  sent.result_set = nodes.empty() ? nullptr : nodes.data();
  auto reply = Decode(ListResult_PDU, &sent);
  for (auto &n : nodes) EXPECT_EQ(FreeBER_AS(s, &n.value.attributes), 0);
  return reply;
}

// A resubmit-job result: one object status per element, attributes only where given.
std::shared_ptr<ResubmitJobResult> ResubmitReply(const std::vector<std::optional<Ints>> &statuses) {
  Status s;
  std::vector<ResubmitJobResult_node> nodes(statuses.size());
  for (size_t i = 0; i < nodes.size(); ++i) {
    nodes[i].value.bit_mask = statuses[i] ? ObjectStatus_attributes_present : 0;
    if (statuses[i]) nodes[i].value.attributes = WireList(*statuses[i]);
    nodes[i].next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
  }
  ResubmitJobResult head = nodes.empty() ? nullptr : nodes.data();
  auto reply = Decode(ResubmitJobResult_PDU, &head);
  for (auto &n : nodes) EXPECT_EQ(FreeBER_AS(s, &n.value.attributes), 0);
  return reply;
}

Bytes Of(const ber_octets &o) { return Bytes(o.value, o.value + o.length); }

// The context as the server gets it back: in a listing argument through the coder.
Bytes SentBack(const GEN_listContext_t *context) {
  Status s;
  ListArgument argument{};
  argument.choice = ListArgument_context_chosen;
  EXPECT_EQ(ToBER_listContext(s, &argument.u.context.context, context), 0) << s.Text();
  auto back = Decode(ListArgument_PDU, &argument);
  EXPECT_EQ(FreeBER_listContext(s, &argument.u.context.context), 0);
  EXPECT_EQ(argument.u.context.context.value, nullptr);
  return back && back->choice == ListArgument_context_chosen ? Of(back->u.context.context)
                                                             : Bytes{};
}

// The generic results as one line each.
std::string Text(const GEN_printResult_t *r, const PrintResult *) {
  std::string text = r->jobIdentification.value;
  if (r->serverState) text += " state " + std::to_string(*r->serverState);
  if (r->serverMessage) text += " '" + std::string(r->serverMessage->u.string) + "'";
  if (r->documentStatus) text += " documents " + Values(r->documentStatus);
  return text + " job " + Values(&r->jobStatus);
}

std::string Text(const GEN_listResult_t *r, const ListResult *wire) {
  const GEN_GeneralizedTime_t &t = r->answerTime;
  char time[80];
  snprintf(time, sizeof time, "%d-%d-%d %d:%d:%d.%d%+d utc %d", t.year, t.month, t.day, t.hour,
           t.minute, t.second, t.millisecond, t.diffUTC, t.utc);
  std::string text = time;
  if (const GEN_listContext_t *c = r->continuation)  // the bytes as they came go back
    text += " context " + std::to_string(c->length) +
            (SentBack(c) == Of(wire->continuation) ? "" : " changed on the way back");
  if (r->limitEncountered) text += " limit " + std::to_string(*r->limitEncountered);
  for (const GEN_setOfObjectResult_t *n = r->resultSet; n; n = n->next)
    text += " " + std::to_string(n->value.objectIdentification.choice) + ":" +
            n->value.objectIdentification.u.job.value + Values(&n->value.attributes) +
            std::to_string(n->value.objectClass);
  return text;
}

std::string Text(const GEN_ResubmitJobResult_t *r, const ResubmitJobResult *) {
  std::string text;  // a cell even for an empty sequence
  for (const GEN_SeqOfObjectStatus_t *n = r->first; n; n = n->next)
    text += n->attributes ? Values(n->attributes) : "-";
  return text;
}

// A reply's result as one line, converted into a status list holding an earlier call's
// code when the conversion `clears` it (" kept": it stayed).
template <typename W, typename O>
std::string Line(int (*convert)(STF_statusList_t *, const W *, O **),
                 int (*release)(STF_statusList_t *, O *), const std::shared_ptr<W> &wire,
                 bool clears = true) {
  Status s;
  if (clears) STF_AddStatus(s, 0xc00e0099u, 0);
  O *r = nullptr;
  if (convert(s, wire.get(), &r) || !r) return "failed" + s.Text();
  std::string text = Text(r, wire.get()) + (s.Has(0xc00e0099u) ? " kept" : "");
  EXPECT_EQ(release(s, r), 0) << s.Text();
  return text;
}
std::string Line(const std::shared_ptr<PrintResult> &reply) {
  return Line(ToGEN_printResult, FreeGEN_printResult, reply);
}
std::string Line(const std::shared_ptr<ListResult> &reply) {
  return Line(ToGEN_listResult, FreeGEN_listResult, reply);
}
std::string Line(const std::shared_ptr<ResubmitJobResult> &reply) {
  return Line(ToGEN_ResubmitJobResult, FreeGEN_ResubmitJobResult, reply, false);
}

TEST(JqpResults, RepliesBecomeGenericResultsWithThePartsTheyCarry) {
  const uint8_t kState = PrintResult_server_state_present,
                kMessage = PrintResult_server_message_present,
                kDocuments = PrintResult_document_status_present;
  EXPECT_EQ(Line(PrintReply(0)), "server-1:job-42 job {42}");
  EXPECT_EQ(Line(PrintReply(kState | kMessage | kDocuments)),
            "server-1:job-42 state 369 'queued behind 3 jobs' documents {7,8} job {42}");

  const std::string kTime = "2026-12-7 2:48:9.250+60 utc 0";
  EXPECT_EQ(Line(ListReply(kNone, -1, {})), kTime);
  EXPECT_EQ(Line(ListReply(Bytes{0, 0xff, 0, 0x10}, 1, {{1, 2}, {}, {3}})),
            kTime + " context 4 limit 1 1:job-0{1,2}369 1:job-1{}370 1:job-2{3}369");
  EXPECT_EQ(Line(ListReply(Bytes{}, 2, {{9}})), kTime + " context 0 limit 2 1:job-0{9}369");

  EXPECT_EQ(Line(ResubmitReply({})), "");
  EXPECT_EQ(Line(ResubmitReply({Ints{1, 2}, kNone, Ints{3}})), "{1,2}-{3}");
  EXPECT_EQ(Line(ResubmitReply({Ints{}})), "{}");
}

// `convert` of `wire` returns `rc`, hands out nothing and reports `code` (0: nothing).
template <typename W, typename O>
void ExpectNothingOut(int (*convert)(STF_statusList_t *, W, O **), std::type_identity_t<W> wire,
                      int rc, uint32_t code) {
  Status s;
  O *out = reinterpret_cast<O *>(&s);
  EXPECT_EQ(convert(s, wire, &out), rc);
  EXPECT_EQ(out, nullptr);
  EXPECT_TRUE(code ? s.Has(code) : s.Codes().empty()) << s.Text();
}

TEST(JqpResults, NoRecordAndMalformedRepliesGiveNothing) {
  ExpectNothingOut(ToGEN_printResult, nullptr, 0, 0);
  ExpectNothingOut(ToGEN_listContext, nullptr, 0, 0);

  // An identifier the registry does not know; a limit other than time, count or error.
  auto print = PrintReply(PrintResult_server_state_present);
  unsigned char unknown[] = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x7f, 0x7f, 0x7f};
  const ber_oid known = print->server_state;
  print->server_state = ber_oid{sizeof unknown, unknown};
  ExpectNothingOut(ToGEN_printResult, print.get(), 1, JQP_ST_OID);
  print->server_state = known;  // the decoder frees its own
  auto list = ListReply(Bytes{1}, 0, {{1}});
  list->limit_encountered = 3;
  ExpectNothingOut(ToGEN_listResult, list.get(), 1, JQP_ST_BAD_VALUE);

  // Contexts with a negative length or without their bytes, either way.
  unsigned char byte = 7;
  for (const ber_octets &bad : {ber_octets{-1, &byte}, ber_octets{3, nullptr}}) {
    ExpectNothingOut(ToGEN_listContext, &bad, 1, JQP_ST_BAD_VALUE);
    Status s;
    GEN_listContext_t in{bad.length, bad.value};
    ber_octets out{};
    EXPECT_EQ(ToBER_listContext(s, &out, &in) + ToBER_listContext(s, nullptr, nullptr), 2);
    EXPECT_TRUE(s.Has(JQP_ST_BAD_VALUE));
  }
}

// Every allocation of each result conversion fails in turn, through the whole C heap (the
// coding world's, the sets' and the values' unpacked into them): the conversion reports
// the failure, hands out nothing and leaves nothing behind. The list and resubmit results
// take their objects, statuses and context through the conversions of those parts.
template <typename W, typename O>
kq::jqp::test::HeapRun OnTheHeap(int (*convert)(STF_statusList_t *, W, O **),
                                 int (*release)(STF_statusList_t *, O *),
                                 std::type_identity_t<W> wire) {
  return [=](STF_statusList_t *s, bool *made) {
    O *out = nullptr;
    int rc = convert(s, wire, &out);
    kq::jqp::test::HeapBook::StopFailing();
    *made = out != nullptr;
    EXPECT_EQ(out ? release(s, out) : 0, 0);
    return rc;
  };
}

TEST(JqpAllocationFailure, EveryHeapAllocationOfTheConversionsFailsCleanly) {
  if (!kq::jqp::test::HeapBook::Available()) GTEST_SKIP() << "a sanitizer owns the heap";
  auto print = PrintReply(PrintResult_server_state_present | PrintResult_server_message_present |
                              PrintResult_document_status_present,
                          {7, 8}, {42});
  auto list = ListReply(Bytes{9, 8, 7, 6}, 1, {{1, 2}, {}, {3}});
  auto resubmit = ResubmitReply({Ints{4, 5}, kNone, Ints{6}});
  ASSERT_TRUE(print && list && resubmit);
  const struct {
    const char *name;
    kq::jqp::test::HeapRun run;
    uint64_t minimumAllocations;
  } kConversions[] = {
      {"print", OnTheHeap(ToGEN_printResult, FreeGEN_printResult, print.get()), 20},
      {"list", OnTheHeap(ToGEN_listResult, FreeGEN_listResult, list.get()), 25},
      {"resubmit", OnTheHeap(ToGEN_ResubmitJobResult, FreeGEN_ResubmitJobResult, resubmit.get()),
       20},
  };
  for (const auto &c : kConversions) {
    SCOPED_TRACE(c.name);
    EXPECT_GE(kq::jqp::test::SweepAllocations(c.run), c.minimumAllocations);
  }
}

}  // namespace
