// Every allocation of a result conversion fails in turn: the conversion reports the
// failure, hands out nothing and leaves no block of the coding world behind. The
// attribute sets are empty so that every block of the world is the conversions' own;
// the address sanitizer watches the generic parts on the process heap.
#include <functional>
#include <string>
#include <vector>

#include "jqp_test_support.h"

using kq::jqp::test::counter;
using kq::jqp::test::CountingWorld;
using kq::jqp::test::Decoded;
using kq::jqp::test::FreeLists;
using kq::jqp::test::kOid;
using kq::jqp::test::Status;
using kq::jqp::test::WireList;
using kq::jqp::test::WireOid;

namespace {

// One conversion: runs it into a fresh output, says whether something came out, and
// releases that.
struct Conversion {
  const char *name;
  std::function<int(STF_statusList_t *, bool *madeSomething)> run;
  uint64_t minimumAllocations;  // the record and its parts: the loop must reach them
};

// Fails allocation 1, 2, ... until the conversion succeeds.
void FailEveryAllocation(const Conversion &c) {
  SCOPED_TRACE(c.name);
  {
    Status s;  // once unhindered, so that what is set up on first use is there
    bool madeSomething = false;
    ASSERT_EQ(c.run(s, &madeSomething), 0) << s.Text();
  }
  uint64_t failAt = 1;
  for (bool succeeded = false; !succeeded; ++failAt) {
    ASSERT_LT(failAt, 500u) << "the conversion never succeeded";
    SCOPED_TRACE(failAt);
    {
      CountingWorld guard;
      counter().failAt = failAt;
      Status s;
      bool madeSomething = true;
      int rc = c.run(s, &madeSomething);
      if (rc) {
        EXPECT_FALSE(madeSomething);
        // Own allocations report no memory; a callee's its own failure on top.
        EXPECT_TRUE(s.Has(JQP_ST_NO_MEMORY) || s.Codes().size() > 1) << s.Text();
      } else {
        succeeded = true;
        EXPECT_TRUE(madeSomething);
      }
      EXPECT_EQ(counter().nblocks, 0u) << "blocks left";
      EXPECT_EQ(counter().badFrees, 0u);
    }
  }
  EXPECT_GT(failAt - 1, c.minimumAllocations);
}

TEST(JqpAllocationFailure, ResultConversionsLeaveNothingAllocated) {
  Status s;
  // A print result with every part.
  PrintResult print{};
  print.bit_mask = PrintResult_server_state_present | PrintResult_server_message_present |
                   PrintResult_document_status_present;
  strcpy(print.job_identification, "job-1");
  print.server_state = WireOid(kOid);
  GEN_Text_t message{};
  message.choice = GEN_TEXT_STRING;
  message.u.string = const_cast<char *>("printing");
  ASSERT_EQ(ToBER_message(s, &print.server_message, &message), 0);
  print.document_status = WireList({});
  print.job_status = WireList({});
  Decoded<PrintResult> printReply(PrintResult_PDU, &print);
  FreeLists({&print.document_status, &print.job_status});

  // A list result with a continuation, a limit and three objects.
  unsigned char context[] = {9, 8, 7, 6};
  ListResult list{};
  list.bit_mask = ListResult_continuation_present | ListResult_limit_encountered_present |
                  ListResult_result_set_present;
  GEN_GeneralizedTime_t time{2026, 1, 2, 3, 4, 5, 0, 0, 1};
  ASSERT_EQ(ToBER_generalizedTime(s, &list.answer_time, &time), 0);
  list.continuation = ber_octets{sizeof context, context};
  list.limit_encountered = 1;
  ListResult_result_set_node objects[3]{};
  for (int i = 0; i < 3; ++i) {
    objects[i].value.object_identification.choice = 1;
    strcpy(objects[i].value.object_identification.u.job_identifier, "job");
    objects[i].value.attributes = WireList({});
    objects[i].value.object_class = WireOid(kOid);
    objects[i].next = i < 2 ? &objects[i + 1] : nullptr;
  }
  list.result_set = objects;
  Decoded<ListResult> listReply(ListResult_PDU, &list);
  for (auto &o : objects) FreeLists({&o.value.attributes});

  // Three object statuses, the middle one without attributes.
  ResubmitJobResult_node statuses[3]{};
  for (int i = 0; i < 3; ++i) {
    if (i != 1) {
      statuses[i].value.bit_mask = ObjectStatus_attributes_present;
      statuses[i].value.attributes = WireList({});
    }
    statuses[i].next = i < 2 ? &statuses[i + 1] : nullptr;
  }
  ResubmitJobResult head = statuses;
  Decoded<ResubmitJobResult> resubmitReply(ResubmitJobResult_PDU, &head);
  for (auto &st : statuses) FreeLists({&st.value.attributes});
  ASSERT_TRUE(printReply.get() && listReply.get() && resubmitReply.get());

  const Conversion kConversions[] = {
      {"print result",
       [&](STF_statusList_t *st, bool *made) {
         GEN_printResult_t *out = nullptr;
         int rc = ToGEN_printResult(st, printReply.get(), &out);
         *made = out != nullptr;
         EXPECT_EQ(FreeGEN_printResult(st, out), 0);
         return rc;
       },
       4},
      {"list result",
       [&](STF_statusList_t *st, bool *made) {
         GEN_listResult_t *out = nullptr;
         int rc = ToGEN_listResult(st, listReply.get(), &out);
         *made = out != nullptr;
         EXPECT_EQ(FreeGEN_listResult(st, out), 0);
         return rc;
       },
       6},
      {"object result",
       [&](STF_statusList_t *st, bool *made) {
         GEN_objectResult_t *out = nullptr;
         int rc = ToGEN_objectResult(st, &listReply->result_set->value, &out);
         *made = out != nullptr;
         EXPECT_EQ(FreeGEN_objectResult(st, out), 0);
         return rc;
       },
       1},
      {"resubmit-job result",
       [&](STF_statusList_t *st, bool *made) {
         GEN_ResubmitJobResult_t *out = nullptr;
         int rc = ToGEN_ResubmitJobResult(st, resubmitReply.get(), &out);
         *made = out != nullptr;
         if (out) {
           EXPECT_EQ(FreeGEN_ResubmitJobResult(st, out), 0);
         }
         return rc;
       },
       6},
      {"list context",
       [&](STF_statusList_t *st, bool *made) {
         GEN_listContext_t *out = nullptr;
         int rc = ToGEN_listContext(st, &listReply->continuation, &out);
         *made = out != nullptr;
         EXPECT_EQ(FreeGEN_listContext(st, out), 0);
         return rc;
       },
       2},
      {"list context to the wire",
       [&](STF_statusList_t *st, bool *made) {
         GEN_listContext_t in{sizeof context, context};
         ber_octets out{};
         int rc = ToBER_listContext(st, &out, &in);
         *made = out.value != nullptr;
         EXPECT_EQ(FreeBER_listContext(st, &out), 0);
         return rc;
       },
       1},
  };
  for (const Conversion &c : kConversions) FailEveryAllocation(c);
}

}  // namespace
