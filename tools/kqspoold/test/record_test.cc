// One RPC call record at a time through kqspoold's transport, in process: the RPC
// layer's answers to other programs, versions and procedures, arguments cut short,
// and the fault modes that clients' tests ask of the server.
#include <gtest/gtest.h>
#include <rpc/rpc.h>

#include "infra/jqp_frame.h"
#include "kqtest.h"
#include "rpc_server.h"
#include "spool_test_util.h"

namespace kq::spool::test {
namespace {

constexpr uint32_t kProgram = 0x4b510009, kVersion = 2;

// A call record as a client's clnt_call writes it (without the record mark): xid,
// direction, the versions, program and procedure, and empty credentials and verifier.
std::string CallRecord(uint32_t rpcvers, uint32_t program, uint32_t version, uint32_t proc,
                       const std::string *packet, int32_t op, size_t cut = 0) {
  std::string out(64 + 4 * (packet ? packet->size() : 0), '\0');
  XDR x;
  xdrmem_create(&x, out.data(), static_cast<u_int>(out.size()), XDR_ENCODE);
  for (uint32_t word : {0x1234u, uint32_t{CALL}, rpcvers, program, version, proc, 0u, 0u, 0u, 0u})
    EXPECT_TRUE(xdr_u_int32_t(&x, &word));
  if (packet) {
    JQP_argument_t arg{op,
                       {static_cast<uint32_t>(packet->size()), const_cast<char *>(packet->data())}};
    EXPECT_TRUE(xdr_JQP_argument_t(&x, &arg));
  }
  out.resize(xdr_getpos(&x) - cut);
  xdr_destroy(&x);
  return out;
}

// The reply in a line: "accepted <status>" (with the request's outcome for a result),
// "denied <status>", or "no reply message".
std::string ReadReply(const std::string &reply, uint32_t proc) {
  XDR x;
  xdrmem_create(&x, const_cast<char *>(reply.data()), static_cast<u_int>(reply.size()), XDR_DECODE);
  JQP_result_t result{};
  rpc_msg msg{};
  msg.acpted_rply.ar_results.where = reinterpret_cast<caddr_t>(&result);
  msg.acpted_rply.ar_results.proc =
      proc == 1 ? reinterpret_cast<xdrproc_t>(xdr_JQP_result_t)
                : reinterpret_cast<xdrproc_t>(reinterpret_cast<void (*)()>(xdr_void));
  std::string text;
  if (!xdr_replymsg(&x, &msg) || msg.rm_xid != 0x1234) {
    text = "no reply message";
  } else if (msg.rm_reply.rp_stat != MSG_ACCEPTED) {
    text = "denied " + std::to_string(msg.rjcted_rply.rj_stat);
  } else {
    text = "accepted " + std::to_string(msg.acpted_rply.ar_stat);
    if (msg.acpted_rply.ar_stat == PROG_MISMATCH)
      text += " " + std::to_string(msg.acpted_rply.ar_vers.low) + "-" +
              std::to_string(msg.acpted_rply.ar_vers.high);
    if (msg.acpted_rply.ar_stat == SUCCESS && proc == 1) {
      Reply r;
      r.errorType = result.errorType;
      r.result.assign(result.result.encodePacket_val, result.result.encodePacket_len);
      r.error.assign(result.error.encodePacket_val, result.error.encodePacket_len);
      std::string job = PrintedJob(r);
      text += " " + Outcome(r) + (job.empty() ? "" : " job " + job);
      xdr_free(reinterpret_cast<xdrproc_t>(xdr_JQP_result_t), reinterpret_cast<char *>(&result));
    }
  }
  xdr_destroy(&x);
  return text;
}

TEST(SpoolRecord, EachCallGetsTheAnswerOfItsKind) {
  const std::string create = CreateJobPacket("lp1");
  // A call of procedure `proc` (with the create-job request as the argument of
  // operation `op`) under RPC version, program and version each as given plus `d...`.
  auto call = [&](uint32_t proc, int32_t op = 0, uint32_t dRpc = 0, uint32_t dProgram = 0,
                  uint32_t dVersion = 0, size_t cut = 0) {
    return CallRecord(2 + dRpc, kProgram + dProgram, kVersion + dVersion, proc,
                      proc ? &create : nullptr, op, cut);
  };
  const Fault kNone = Fault::kNone, kStall = Fault::kStall;
  const struct Row {
    const char *name;
    Fault fault;
    std::string call;
    uint32_t proc;      // whose result the reply carries
    const char *reply;  // "": left unanswered; null: the record is not served at all
  } rows[] = {
      // clang-format off
      {"the null procedure", kNone, call(0), 0, "accepted 0"},
      {"a request", kNone, call(1), 1, "accepted 0 ok job 1"},
      {"another procedure", kNone, call(2), 0, "accepted 3"},
      {"another version", kNone, call(1, 0, 0, 0, 1), 0, "accepted 2 2-2"},
      {"another program", kNone, call(1, 0, 0, 1), 0, "accepted 1"},
      {"another RPC version", kNone, call(1, 0, 1), 0, "denied 0"},
      {"an argument cut short", kNone, call(1, 0, 0, 0, 0, 4), 0, "accepted 4"},
      {"a record too short for a call", kNone, std::string(10, '\0'), 0, nullptr},
      {"a stalled server leaves requests unanswered", kStall, call(1), 1, ""},
      {"a stalled server still answers the null procedure", kStall, call(0), 0, "accepted 0"},
      {"a garbage reply does not decode", Fault::kGarbageReply, call(1), 1, "no reply message"},
      {"a garbage result is a reply whose result does not decode", Fault::kGarbageResult, call(1),
       1, "accepted 0 ok"},
      // clang-format on
  };
  for (const Row &row : rows) {
    SCOPED_TRACE(row.name);
    Config c;
    c.printers = {{"lp1", ""}};
    Server server(c);
    RpcOptions options;
    options.program = kProgram, options.version = kVersion, options.fault = row.fault;
    std::string reply = "unchanged";
    EXPECT_EQ(ServeRecord(server, options, row.call, &reply), row.reply != nullptr);
    if (row.reply) {
      EXPECT_EQ(*row.reply ? ReadReply(reply, row.proc) : reply, row.reply);
    }
  }
}

}  // namespace
}  // namespace kq::spool::test
