// The request procedure's packet form: the library's block XDR routine against the
// plain xdr_array/xdr_char form it replaces, side by side, on a memory stream. Each
// benchmark runs both on the same packet and reports their rates and the speed-up.
#include <benchmark/benchmark.h>
#include <rpc/rpc.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "infra/jqp.h"

namespace {

bool_t Reference(XDR *xdrs, encodePacket *p) {
  return xdr_array(xdrs, &p->encodePacket_val, &p->encodePacket_len, ~0u, 1,
                   reinterpret_cast<xdrproc_t>(xdr_char));
}
bool_t Ours(XDR *xdrs, encodePacket *p) { return xdr_encodePacket(xdrs, p); }

struct Fixture {
  explicit Fixture(size_t n) : bytes(n), wire(4 + 4 * n) {
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<char>(i * 7);
    packet = {static_cast<uint32_t>(n), bytes.data()};
  }
  // Seconds one encode (or decode) with `routine` takes.
  double Time(bool_t (*routine)(XDR *, encodePacket *), xdr_op op) {
    XDR xdrs;
    xdrmem_create(&xdrs, wire.data(), wire.size(), op);
    encodePacket decoded{};
    auto start = std::chrono::steady_clock::now();
    bool ok = routine(&xdrs, op == XDR_ENCODE ? &packet : &decoded);
    auto took = std::chrono::steady_clock::now() - start;
    free(decoded.encodePacket_val);
    if (!ok) abort();
    return std::chrono::duration<double>(took).count();
  }
  std::vector<char> bytes, wire;
  encodePacket packet;
};

void Run(benchmark::State &state, xdr_op op) {
  Fixture f(state.range(0));
  f.Time(Ours, XDR_ENCODE);  // a wire to decode
  double ours = 0, reference = 0;
  for (auto _ : state) {
    double a = f.Time(Ours, op), b = f.Time(Reference, op);
    ours += a;
    reference += b;
    state.SetIterationTime(a + b);
  }
  double bytes = static_cast<double>(state.range(0)) * state.iterations();
  state.counters["ours_MBps"] = bytes / ours / 1e6;
  state.counters["reference_MBps"] = bytes / reference / 1e6;
  state.counters["speedup"] = reference / ours;
}

void BM_Encode(benchmark::State &state) { Run(state, XDR_ENCODE); }
void BM_Decode(benchmark::State &state) { Run(state, XDR_DECODE); }
BENCHMARK(BM_Encode)->Arg(256)->Arg(64 << 10)->Arg(1 << 20)->UseManualTime();
BENCHMARK(BM_Decode)->Arg(256)->Arg(64 << 10)->Arg(1 << 20)->UseManualTime();

}  // namespace
