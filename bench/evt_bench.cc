// Event messages per second over loopback, one connection per message: create, put,
// send, receive, read, free; side by side with a raw loop that connects, writes the
// same encoded bytes and closes, read by a plain accept loop. over_baseline is the
// library's rate divided by the raw loop's, both measured in the same run.
#include <arpa/inet.h>
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "infra/evt.h"
#include "internal/ber_mod_evt.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kBatch = 250;
const char kText[] = "job 1234 completed on printer lp1";
const unsigned char kBytes[32] = {1, 2, 3, 4, 5, 6, 7, 8};

// The same message as the library sends, encoded once for the raw loop.
std::vector<unsigned char> Encoded() {
  EventMessage_node n3{nullptr, {EventArgument_octets_chosen, {}}};
  n3.value.u.octets = ber_octets{sizeof kBytes, const_cast<unsigned char *>(kBytes)};
  EventMessage_node n2{&n3, {EventArgument_string_chosen, {}}};
  n2.value.u.string = const_cast<char *>(kText);
  EventMessage_node n1{&n2, {EventArgument_integer_chosen, {}}};
  n1.value.u.integer = 42;
  EventMessage list = &n1;
  OssGlobal world;
  OssBuf out{0, nullptr};
  ossinit(&world, &evt);
  ossEncode(&world, EventMessage_PDU, &list, &out);
  std::vector<unsigned char> bytes(out.value, out.value + out.length);
  free(out.value);
  ossterm(&world);
  return bytes;
}

// Seconds for kBatch messages through the library.
double EvtBatch(EVT_queueId_t sq, EVT_queueId_t rq) {
  std::thread receiver([rq] {
    char text[64];
    unsigned char bytes[64];
    for (int i = 0; i < kBatch; i++) {
      EVT_messageId_t m = 0;
      int32_t v, len = sizeof bytes;
      if (EVT_MessageReceive(rq, 10000, nullptr, &m) || EVT_MessageIArgGet(rq, m, &v) ||
          EVT_MessageArgGet(rq, m, sizeof text, text) || EVT_MessageBArgGet(rq, m, &len, bytes) ||
          EVT_MessageFree(rq, m))
        abort();
    }
  });
  auto start = Clock::now();
  for (int i = 0; i < kBatch; i++) {
    EVT_messageId_t m = 0;
    if (EVT_MessageCreate(sq, &m) || EVT_MessageIArgPut(sq, m, 42) ||
        EVT_MessageArgPut(sq, m, kText) || EVT_MessageBArgPut(sq, m, sizeof kBytes, kBytes) ||
        EVT_MessageSend(sq, m) || EVT_MessageFree(sq, m))
      abort();
  }
  receiver.join();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Seconds for kBatch raw connect/write/close rounds of the same bytes.
double RawBatch(int listener, const sockaddr_in &to, const std::vector<unsigned char> &bytes) {
  std::thread receiver([listener, n = bytes.size()] {
    std::vector<char> buf(n + 16);
    for (int i = 0; i < kBatch; i++) {
      int c = accept(listener, nullptr, nullptr);
      if (c < 0) abort();
      while (read(c, buf.data(), buf.size()) > 0) {
      }
      close(c);
    }
  });
  auto start = Clock::now();
  for (int i = 0; i < kBatch; i++) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    // The library's sending options. Without the linger, close returns at once, the
    // loop outruns the accept queue of 5 and stalls on the kernel's 1 s SYN
    // retransmission: that would measure the retransmit timer, not the loop.
    struct linger lg = {1, 1};
    int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &lg, sizeof lg);
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) != 0 ||
        write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
      abort();
    close(fd);
  }
  receiver.join();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_EventMessages(benchmark::State &state) {
  EVT_Init();
  uint16_t port = 0;
  EVT_queueId_t rq = 0, sq = 0;
  if (EVT_Open(nullptr, &port, &rq)) abort();
  std::string dest = "127.0.0.1:" + std::to_string(port);
  GEN_Text_t to{};
  to.choice = GEN_TEXT_OTHER;
  to.u.octets = {static_cast<int32_t>(dest.size()), reinterpret_cast<unsigned char *>(dest.data())};
  if (EVT_Open(&to, nullptr, &sq)) abort();

  int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in raw{};
  raw.sin_family = AF_INET;
  raw.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof raw;
  if (bind(listener, reinterpret_cast<sockaddr *>(&raw), sizeof raw) || listen(listener, 5) ||
      getsockname(listener, reinterpret_cast<sockaddr *>(&raw), &len))
    abort();
  const std::vector<unsigned char> bytes = Encoded();

  double evtSeconds = 0, rawSeconds = 0;
  for (auto _ : state) {
    double e = EvtBatch(sq, rq);
    rawSeconds += RawBatch(listener, raw, bytes);
    evtSeconds += e;
    state.SetIterationTime(e);
  }
  double n = static_cast<double>(state.iterations()) * kBatch;
  state.counters["msgs_per_s"] = n / evtSeconds;
  state.counters["raw_per_s"] = n / rawSeconds;
  state.counters["over_baseline"] = rawSeconds / evtSeconds;
  state.counters["bytes_per_msg"] = static_cast<double>(bytes.size());
  state.SetItemsProcessed(static_cast<int64_t>(n));
  close(listener);
  EVT_Close(sq);
  EVT_Close(rq);
  EVT_Term();
}
BENCHMARK(BM_EventMessages)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace
