// Result records as replies carry them (through the real coder) into generic records:
// which parts appear for which presence bits, the values they hold, the continuation
// context's way back to the server, and the releases.
#include <string>
#include <vector>

#include "jqp_test_support.h"

using kq::jqp::test::Decoded;
using kq::jqp::test::FreeLists;
using kq::jqp::test::Ints;
using kq::jqp::test::IntsOf;
using kq::jqp::test::kOid;
using kq::jqp::test::kOtherOid;
using kq::jqp::test::Status;
using kq::jqp::test::WireList;
using kq::jqp::test::WireOid;
using Bytes = std::vector<unsigned char>;

namespace {

// A print result with the optional parts `mask` selects, as the reply carries it.
struct PrintReply {
  PrintResult sent{};
  std::unique_ptr<Decoded<PrintResult>> decoded;
  explicit PrintReply(uint8_t mask) {
    Status s;
    sent.bit_mask = mask;
    strcpy(sent.job_identification, "server-1:job-42");
    sent.server_state = WireOid(kOid);
    GEN_Text_t message{};
    message.choice = GEN_TEXT_STRING;
    message.u.string = const_cast<char *>("queued behind 3 jobs");
    EXPECT_EQ(ToBER_message(s, &sent.server_message, &message), 0) << s.Text();
    sent.document_status = WireList({7, 8});
    sent.job_status = WireList({42});
    decoded = std::make_unique<Decoded<PrintResult>>(PrintResult_PDU, &sent);
    FreeLists({&sent.document_status, &sent.job_status});
  }
};

TEST(JqpPrintResult, PresenceBitsChooseTheParts) {
  const uint8_t kMasks[] = {0, PrintResult_server_state_present, PrintResult_server_message_present,
                            PrintResult_document_status_present,
                            PrintResult_server_state_present | PrintResult_server_message_present |
                                PrintResult_document_status_present};
  for (uint8_t mask : kMasks) {
    SCOPED_TRACE(static_cast<int>(mask));
    PrintReply reply(mask);
    ASSERT_NE(reply.decoded->get(), nullptr);
    Status s;
    GEN_printResult_t *result = nullptr;
    ASSERT_EQ(ToGEN_printResult(s, reply.decoded->get(), &result), 0) << s.Text();
    ASSERT_NE(result, nullptr);
    EXPECT_STREQ(result->jobIdentification.value, "server-1:job-42");
    EXPECT_EQ(IntsOf(result->jobStatus), Ints{42});  // always there
    ASSERT_EQ(result->serverState != nullptr, (mask & PrintResult_server_state_present) != 0);
    if (result->serverState) {
      EXPECT_EQ(*result->serverState, kOid);
    }
    ASSERT_EQ(result->serverMessage != nullptr, (mask & PrintResult_server_message_present) != 0);
    if (result->serverMessage) {
      EXPECT_STREQ(result->serverMessage->u.string, "queued behind 3 jobs");
    }
    ASSERT_EQ(result->documentStatus != nullptr, (mask & PrintResult_document_status_present) != 0);
    if (result->documentStatus) {
      EXPECT_EQ(IntsOf(*result->documentStatus), (Ints{7, 8}));
    }
    EXPECT_EQ(FreeGEN_printResult(s, result), 0) << s.Text();
  }
}

TEST(JqpPrintResult, ConversionClearsTheCallersListAndRefusesAnUnknownState) {
  PrintReply reply(PrintResult_server_state_present);
  Status s;
  STF_AddStatus(s, 0xc00e0099u, 0);  // left over from an earlier call
  GEN_printResult_t *result = nullptr;
  ASSERT_EQ(ToGEN_printResult(s, reply.decoded->get(), &result), 0);
  EXPECT_TRUE(s.Codes().empty()) << s.Text();
  EXPECT_EQ(FreeGEN_printResult(s, result), 0);

  // An identifier the registry does not know: refused, nothing handed out.
  unsigned char unknown[] = {0x2a, 0x86, 0x48, 0x86, 0xf7, 0x0d, 0x7f, 0x7f, 0x7f};
  const ber_oid known = reply.decoded->get()->server_state;
  reply.decoded->get()->server_state = ber_oid{sizeof unknown, unknown};
  result = reinterpret_cast<GEN_printResult_t *>(&reply);
  EXPECT_EQ(ToGEN_printResult(s, reply.decoded->get(), &result), 1);
  EXPECT_TRUE(s.Has(JQP_ST_OID)) << s.Text();
  EXPECT_EQ(result, nullptr);
  reply.decoded->get()->server_state = known;  // the decoder frees its own
}

// One listing reply: the context bytes, the limit (-1: none) and the objects' ints.
struct ListCase {
  const char *name;
  Bytes context;  // empty with hasContext false: no continuation
  bool hasContext;
  int16_t limit;
  std::vector<Ints> objects;
};

struct ListReply {
  ListResult sent{};
  std::unique_ptr<Decoded<ListResult>> decoded;
  explicit ListReply(const ListCase &c) {
    Status s;
    GEN_GeneralizedTime_t time{2026, 12, 7, 2, 48, 9, 250, 60, 0};
    EXPECT_EQ(ToBER_generalizedTime(s, &sent.answer_time, &time), 0) << s.Text();
    if (c.hasContext) {
      sent.bit_mask |= ListResult_continuation_present;
      sent.continuation = ber_octets{static_cast<int32_t>(c.context.size()),
                                     const_cast<unsigned char *>(c.context.data())};
    }
    if (c.limit >= 0) {
      sent.bit_mask |= ListResult_limit_encountered_present;
      sent.limit_encountered = c.limit;
    }
    std::vector<ListResult_result_set_node> nodes(c.objects.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
      ObjectResult &o = nodes[i].value;
      o.object_identification.choice = 1;
      snprintf(o.object_identification.u.job_identifier, 256, "job-%zu", i);
      o.attributes = WireList(c.objects[i]);
      o.object_class = WireOid(i % 2 ? kOtherOid : kOid);
      nodes[i].next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
    }
    if (!nodes.empty()) {
      sent.bit_mask |= ListResult_result_set_present;
      sent.result_set = &nodes[0];
    }
    decoded = std::make_unique<Decoded<ListResult>>(ListResult_PDU, &sent);
    for (auto &n : nodes) FreeLists({&n.value.attributes});
  }
};

const ListCase kListCases[] = {
    {"complete, nothing found", {}, false, -1, {}},
    {"one object, stopped by time", {0x01, 0x02, 0x03}, true, 0, {{5}}},
    {"three objects, stopped by count", {0x00, 0xff, 0x00, 0x10}, true, 1, {{1, 2}, {}, {3}}},
    {"empty context, stopped by error", {}, true, 2, {{9}}},
    {"no limit, long context", Bytes(300, 0x5a), true, -1, {{4}, {6}}},
};

// The context goes back to the server as the listing argument carries it and arrives
// with the same bytes.
Bytes ContextSentBack(const GEN_listContext_t *context) {
  Status s;
  auto *argument = static_cast<ListArgument *>(calloc(1, sizeof(ListArgument)));
  argument->choice = ListArgument_context_chosen;
  EXPECT_EQ(ToBER_listContext(s, &argument->u.context.context, context), 0) << s.Text();
  Bytes bytes;
  {
    Decoded<ListArgument> back(ListArgument_PDU, argument);
    if (back.get() && back->choice == ListArgument_context_chosen) {
      const ber_octets &o = back->u.context.context;
      bytes.assign(o.value, o.value + o.length);
    }
  }
  EXPECT_EQ(FreeBER_listContext(s, &argument->u.context.context), 0);
  EXPECT_EQ(argument->u.context.context.value, nullptr);
  free(argument);
  return bytes;
}

TEST(JqpListResult, RepliesBecomeListResultsAndTheContextGoesBackUnchanged) {
  for (const ListCase &c : kListCases) {
    SCOPED_TRACE(c.name);
    ListReply reply(c);
    ASSERT_NE(reply.decoded->get(), nullptr);
    Status s;
    GEN_listResult_t *result = nullptr;
    ASSERT_EQ(ToGEN_listResult(s, reply.decoded->get(), &result), 0) << s.Text();
    EXPECT_EQ(result->answerTime.year, 2026);
    EXPECT_EQ(result->answerTime.second, 9);
    EXPECT_EQ(result->answerTime.millisecond, 250);
    ASSERT_EQ(result->continuation != nullptr, c.hasContext);
    if (c.hasContext) {
      const GEN_listContext_t *context = result->continuation;
      EXPECT_EQ(Bytes(context->value, context->value + context->length), c.context);
      EXPECT_EQ(ContextSentBack(context), c.context);
    }
    ASSERT_EQ(result->limitEncountered != nullptr, c.limit >= 0);
    if (c.limit >= 0) {
      EXPECT_EQ(*result->limitEncountered, c.limit);
    }
    size_t i = 0;
    for (const GEN_setOfObjectResult_t *n = result->resultSet; n; n = n->next, ++i) {
      ASSERT_LT(i, c.objects.size());
      EXPECT_EQ(n->value.objectIdentification.choice, 1);
      EXPECT_EQ(std::string(n->value.objectIdentification.u.job.value), "job-" + std::to_string(i));
      EXPECT_EQ(IntsOf(n->value.attributes), c.objects[i]);
      EXPECT_EQ(n->value.objectClass, i % 2 ? kOtherOid : kOid);
    }
    EXPECT_EQ(i, c.objects.size());
    EXPECT_EQ(FreeGEN_listResult(s, result), 0) << s.Text();
  }
}

TEST(JqpListResult, OnlyTheThreeKnownLimitsAreAccepted) {
  ListCase c{"limit", {1}, true, 0, {{1}}};
  ListReply reply(c);
  for (int16_t limit : {-1, 3, 255}) {
    SCOPED_TRACE(limit);
    reply.decoded->get()->limit_encountered = limit;
    Status s;
    GEN_listResult_t *result = nullptr;
    EXPECT_EQ(ToGEN_listResult(s, reply.decoded->get(), &result), 1);
    EXPECT_EQ(result, nullptr);
    EXPECT_TRUE(s.Has(JQP_ST_BAD_VALUE)) << s.Text();
  }
}

TEST(JqpListContext, MalformedContextsAreRefused) {
  Status s;
  unsigned char byte = 7;
  const ber_octets kBad[] = {{-1, &byte}, {3, nullptr}};
  for (const ber_octets &wire : kBad) {
    GEN_listContext_t *context = nullptr;
    EXPECT_EQ(ToGEN_listContext(s, &wire, &context), 1);
    EXPECT_EQ(context, nullptr);
    GEN_listContext_t in{wire.length, wire.value};
    ber_octets out{};
    EXPECT_EQ(ToBER_listContext(s, &out, &in), 1);
  }
  EXPECT_EQ(ToBER_listContext(s, nullptr, nullptr), 1);
  EXPECT_TRUE(s.Has(JQP_ST_BAD_VALUE));
}

// Object statuses: one per wire element, in order, a set only where one was sent.
TEST(JqpResubmitJobResult, EachObjectKeepsItsStatusInOrder) {
  const std::vector<std::vector<Ints>> kCases = {
      {}, {{1}}, {{1, 2}, {}, {3}}, {{}, {}}};  // {}: no attributes sent
  for (const auto &statuses : kCases) {
    SCOPED_TRACE(statuses.size());
    std::vector<ResubmitJobResult_node> nodes(statuses.size());
    for (size_t i = 0; i < nodes.size(); ++i) {
      if (!statuses[i].empty()) {
        nodes[i].value.bit_mask = ObjectStatus_attributes_present;
        nodes[i].value.attributes = WireList(statuses[i]);
      }
      nodes[i].next = i + 1 < nodes.size() ? &nodes[i + 1] : nullptr;
    }
    ResubmitJobResult head = nodes.empty() ? nullptr : &nodes[0];
    Decoded<ResubmitJobResult> reply(ResubmitJobResult_PDU, &head);
    for (auto &n : nodes) FreeLists({&n.value.attributes});
    ASSERT_NE(reply.get(), nullptr);

    Status s;
    GEN_ResubmitJobResult_t *result = nullptr;
    ASSERT_EQ(ToGEN_ResubmitJobResult(s, reply.get(), &result), 0) << s.Text();
    ASSERT_NE(result, nullptr);  // a cell even for an empty sequence
    size_t i = 0;
    for (const GEN_SeqOfObjectStatus_t *n = result->first; n; n = n->next, ++i) {
      ASSERT_LT(i, statuses.size());
      ASSERT_EQ(n->attributes != nullptr, !statuses[i].empty());
      if (n->attributes) {
        EXPECT_EQ(IntsOf(*n->attributes), statuses[i]);
      }
    }
    EXPECT_EQ(i, statuses.size());
    EXPECT_EQ(FreeGEN_ResubmitJobResult(s, result), 0) << s.Text();
  }
}

// Without a wire record every conversion hands out nothing and succeeds.
TEST(JqpResults, NoWireRecordGivesNothing) {
  Status s;
  void *sentinel = &s;
  auto *print = static_cast<GEN_printResult_t *>(sentinel);
  auto *list = static_cast<GEN_listResult_t *>(sentinel);
  auto *object = static_cast<GEN_objectResult_t *>(sentinel);
  auto *objects = static_cast<GEN_setOfObjectResult_t *>(sentinel);
  auto *statuses = static_cast<GEN_SeqOfObjectStatus_t *>(sentinel);
  auto *resubmit = static_cast<GEN_ResubmitJobResult_t *>(sentinel);
  auto *context = static_cast<GEN_listContext_t *>(sentinel);
  auto *set = static_cast<AS_setHandle_t *>(sentinel);
  EXPECT_EQ(ToGEN_printResult(s, nullptr, &print), 0);
  EXPECT_EQ(ToGEN_listResult(s, nullptr, &list), 0);
  EXPECT_EQ(ToGEN_objectResult(s, nullptr, &object), 0);
  EXPECT_EQ(ToGEN_setOfObjectResult(s, nullptr, &objects), 0);
  EXPECT_EQ(ToGEN_SeqOfObjectStatus(s, nullptr, &statuses), 0);
  EXPECT_EQ(ToGEN_ResubmitJobResult(s, nullptr, &resubmit), 0);
  EXPECT_EQ(ToGEN_listContext(s, nullptr, &context), 0);
  EXPECT_EQ(ToGEN_ObjectStatus(s, nullptr, &set), 0);
  for (void *out :
       {static_cast<void *>(print), static_cast<void *>(list), static_cast<void *>(object),
        static_cast<void *>(objects), static_cast<void *>(statuses), static_cast<void *>(resubmit),
        static_cast<void *>(context), static_cast<void *>(set)})
    EXPECT_EQ(out, nullptr);
  EXPECT_TRUE(s.Codes().empty()) << s.Text();
}

// Releasing nothing: the single records refuse it, the lists and optional parts
// accept it.
TEST(JqpResults, ReleasingNothing) {
  struct Case {
    const char *name;
    int (*release)(STF_statusList_t *);
    bool refused;
  };
  const Case kCases[] = {
      {"pause", [](STF_statusList_t *s) { return FreeGEN_PauseResult(s, nullptr); }, true},
      {"pause job", [](STF_statusList_t *s) { return FreeGEN_pauseJobResult(s, nullptr); }, true},
      {"interrupt", [](STF_statusList_t *s) { return FreeGEN_interruptJobResult(s, nullptr); },
       true},
      {"resubmit", [](STF_statusList_t *s) { return FreeGEN_ResubmitJobResult(s, nullptr); }, true},
      {"checkpoint", [](STF_statusList_t *s) { return FreeGEN_checkpoint(s, nullptr); }, true},
      {"print", [](STF_statusList_t *s) { return FreeGEN_printResult(s, nullptr); }, false},
      {"list", [](STF_statusList_t *s) { return FreeGEN_listResult(s, nullptr); }, false},
      {"context", [](STF_statusList_t *s) { return FreeGEN_listContext(s, nullptr); }, false},
      {"object", [](STF_statusList_t *s) { return FreeGEN_objectResult(s, nullptr); }, false},
      {"objects", [](STF_statusList_t *s) { return FreeGEN_setOfObjectResult(s, nullptr); }, false},
      {"statuses", [](STF_statusList_t *s) { return FreeGEN_SeqOfObjectStatus(s, nullptr); },
       false},
      {"checkpoints", [](STF_statusList_t *s) { return FreeGEN_setOfCheckpoint(s, nullptr); },
       false},
  };
  for (const Case &c : kCases) {
    SCOPED_TRACE(c.name);
    Status s;
    EXPECT_EQ(c.release(s), c.refused ? 1 : 0);
    EXPECT_EQ(s.Has(JQP_ST_NULL_RELEASE), c.refused) << s.Text();
  }
}

// The job results hold checkpoints and sets the generic conversions made; releasing
// them leaves nothing behind (the address sanitizer sees the process heap).
TEST(JqpResults, JobResultsReleaseEverythingTheyHold) {
  Status s;
  auto *pauseJob = static_cast<GEN_pauseJobResult_t *>(calloc(1, sizeof(GEN_pauseJobResult_t)));
  strcpy(pauseJob->pausedJob.value, "job-3");
  GEN_ValueSeq_t **tail = &pauseJob->checkpoints.first;
  for (int i = 0; i < 3; ++i) {
    auto *checkpoint = static_cast<GEN_Checkpoint_t *>(calloc(1, sizeof(GEN_Checkpoint_t)));
    checkpoint->pagesCompleted = static_cast<int32_t *>(malloc(sizeof(int32_t)));
    *checkpoint->pagesCompleted = 10 * i;
    *tail = static_cast<GEN_ValueSeq_t *>(calloc(1, sizeof(GEN_ValueSeq_t)));
    (*tail)->value = checkpoint;
    tail = &(*tail)->next;
  }
  AttributeList list = WireList({1, 2});
  ASSERT_EQ(MallocAStoGEN(s, &list, &pauseJob->jobStatus), 0);
  EXPECT_EQ(FreeGEN_pauseJobResult(s, pauseJob), 0) << s.Text();

  auto *pause = static_cast<GEN_PauseResult_t *>(calloc(1, sizeof(GEN_PauseResult_t)));
  pause->affectedJob = static_cast<char *>(calloc(256, 1));
  ASSERT_EQ(MallocAStoGEN(s, &list, &pause->attributes), 0);
  EXPECT_EQ(FreeGEN_PauseResult(s, pause), 0) << s.Text();

  auto *interrupt =
      static_cast<GEN_interruptJobResult_t *>(calloc(1, sizeof(GEN_interruptJobResult_t)));
  ASSERT_EQ(MallocAStoGEN(s, &list, &interrupt->jobStatus), 0);
  EXPECT_EQ(FreeGEN_interruptJobResult(s, interrupt), 0) << s.Text();
  FreeLists({&list});
}

}  // namespace
