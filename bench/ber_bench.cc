// BER coding of two typical records: a create-job argument (about 30 attributes of one
// to three values each, the values already encoded) and a list result of 100 objects.
// When asn1c is installed, the codec it generates from the same asn1/dpa.asn runs side
// by side; each side first decodes what the other encoded, to the same bytes.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "infra/genu_world.h"
#include "internal/ber_coder.h"
#include "internal/ber_mod_kq_0b.h"

#ifdef KQ_HAVE_ASN1C
extern "C" {
void *kq_asn1c_decode(int which, const void *buf, size_t len);
long kq_asn1c_encode(int which, void *s, void *out, size_t cap);
void kq_asn1c_free(int which, void *s);
}
#endif

namespace {

using kq::ber::Error;

template <typename T>
T *New() {
  return static_cast<T *>(calloc(1, sizeof(T)));
}

ber_oid Oid(std::initializer_list<uint8_t> bytes) {
  uint8_t *p = static_cast<uint8_t *>(malloc(bytes.size()));
  memcpy(p, bytes.begin(), bytes.size());
  return ber_oid{static_cast<uint16_t>(bytes.size()), p};
}

ber_octets Bytes(const std::vector<uint8_t> &v) {
  uint8_t *p = static_cast<uint8_t *>(malloc(v.size()));
  memcpy(p, v.data(), v.size());
  return ber_octets{static_cast<int32_t>(v.size()), p};
}

// A value encoded on its own: a text, an integer or an identifier in turn.
std::vector<uint8_t> OpenValue(int i) {
  switch (i % 3) {
    case 0: {
      std::string text = "value text " + std::to_string(i);
      std::vector<uint8_t> v(2 + text.size());
      v[0] = 0x80;
      v[1] = static_cast<uint8_t>(text.size());
      std::memcpy(v.data() + 2, text.data(), text.size());
      return v;
    }
    case 1:
      return {0x02, 0x02, 0x01, static_cast<uint8_t>(i)};
    default:
      return {0x06, 0x05, 0x28, 0xcf, 0x1f, 0x01, static_cast<uint8_t>(i & 0x7f)};
  }
}

AttributeList Attributes(int count, int salt) {
  AttributeList head = nullptr;
  AttributeList *tail = &head;
  for (int a = 0; a < count; a++) {
    AttributeList_node *node = New<AttributeList_node>();
    node->value.type = Oid({0x28, 0xcf, 0x1f, 0x01, 0x04, static_cast<uint8_t>((a + salt) & 0x7f)});
    Attribute_values *vt = &node->value.values;
    for (int v = 0; v <= (a + salt) % 3; v++) {
      Attribute_values_node *vn = New<Attribute_values_node>();
      vn->value = Bytes(OpenValue(a * 3 + v + salt));
      *vt = vn;
      vt = &vn->next;
    }
    *tail = node;
    tail = &node->next;
  }
  return head;
}

PrintArgument *CreateJob() {
  PrintArgument *p = New<PrintArgument>();
  p->choice = PrintArgument_create_job_chosen;
  CreateJobArgument &c = p->u.create_job;
  c.printer_name.choice = SimpleName_iso646_string_chosen;
  strcpy(c.printer_name.u.iso646_string, "printer-17");
  c.bit_mask =
      CreateJobArgument_job_attributes_present | CreateJobArgument_common_arguments_present;
  c.job_attributes = Attributes(30, 0);
  c.common_arguments = Attributes(3, 7);
  return p;
}

ListResult *List100() {
  ListResult *r = New<ListResult>();
  r->answer_time = GeneralizedTimeValue{2026, 12, 6, 3, 4, 5, 678, 60, 1};
  r->bit_mask = ListResult_result_set_present;
  ListResult_result_set *tail = &r->result_set;
  for (int i = 0; i < 100; i++) {
    ListResult_result_set_node *n = New<ListResult_result_set_node>();
    n->value.object_identification.choice = ObjectIdent_job_identifier_chosen;
    snprintf(n->value.object_identification.u.job_identifier,
             sizeof n->value.object_identification.u.job_identifier, "server-a:job-%d", 1000 + i);
    n->value.attributes = Attributes(5, i);
    n->value.object_class = Oid({0x28, 0xcf, 0x1f, 0x01, 0x05, 0x01});
    *tail = n;
    tail = &n->next;
  }
  return r;
}

struct Record {
  const ber_type *type;
  void *value;
  std::vector<uint8_t> encoding;
  int asn1cIndex;
  std::string problem;  // set when the two codecs disagree
};

Record &Get(int which) {
  static Record records[2] = {
      {&kq_0b_d_PrintArgument, CreateJob(), {}, 0, {}},
      {&kq_0b_d_ListResult, List100(), {}, 1, {}},
  };
  Record &r = records[which];
  if (r.encoding.empty()) {
    Error err;
    uint8_t *out;
    size_t len;
    if (kq::ber::Encode(r.type, r.value, &out, &len, err)) abort();
    r.encoding.assign(out, out + len);
    free(out);
#ifdef KQ_HAVE_ASN1C
    // Ours -> asn1c decode -> asn1c encode must give the same bytes, and asn1c's
    // bytes must decode with ours and re-encode unchanged.
    void *s = kq_asn1c_decode(r.asn1cIndex, r.encoding.data(), r.encoding.size());
    std::vector<uint8_t> theirs(r.encoding.size() * 2 + 64);
    long n = s ? kq_asn1c_encode(r.asn1cIndex, s, theirs.data(), theirs.size()) : -1;
    if (!s)
      r.problem = "asn1c cannot decode our encoding";
    else if (n != static_cast<long>(len) || memcmp(theirs.data(), r.encoding.data(), len) != 0)
      r.problem = "asn1c re-encodes our record differently";
    if (s) kq_asn1c_free(r.asn1cIndex, s);
    void *back = nullptr;
    if (r.problem.empty() &&
        kq::ber::Decode(r.type, theirs.data(), static_cast<size_t>(n), &back, err))
      r.problem = std::string("asn1c's encoding does not decode: ") + err.text;
    if (back) {
      if (kq::ber::Encode(r.type, back, &out, &len, err) || len != r.encoding.size() ||
          memcmp(out, r.encoding.data(), len) != 0)
        r.problem = "asn1c's encoding decodes to another value";
      else
        free(out);
      kq::ber::FreeContents(r.type, back);
      free(back);
    }
#endif
  }
  return r;
}

void Encode(benchmark::State &state) {
  Record &r = Get(static_cast<int>(state.range(0)));
  Error err;
  for (auto _ : state) {
    uint8_t *out;
    size_t len;
    kq::ber::Encode(r.type, r.value, &out, &len, err);
    benchmark::DoNotOptimize(out);
    free(out);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(r.encoding.size()));
}

void Decode(benchmark::State &state) {
  Record &r = Get(static_cast<int>(state.range(0)));
  Error err;
  for (auto _ : state) {
    void *v;
    kq::ber::Decode(r.type, r.encoding.data(), r.encoding.size(), &v, err);
    benchmark::DoNotOptimize(v);
    kq::ber::FreeContents(r.type, v);
    free(v);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(r.encoding.size()));
}

// A record as the library decodes one: through the coding world, into one arena,
// released whole with GENU_OssFreePDU.
void DecodeRecord(benchmark::State &state) {
  Record &r = Get(static_cast<int>(state.range(0)));
  const int pdu = state.range(0) == 0 ? PrintArgument_PDU : ListResult_PDU;
  OssBuf in{static_cast<int32_t>(r.encoding.size()), r.encoding.data()};
  for (auto _ : state) {
    int number = pdu;
    void *v = nullptr;
    if (GENU_OssDecode(nullptr, &number, &in, &v)) abort();
    benchmark::DoNotOptimize(v);
    GENU_OssFreePDU(nullptr, number, v);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(r.encoding.size()));
}

BENCHMARK(Encode)->ArgName("createjob0_list1")->Arg(0)->Arg(1);
BENCHMARK(Decode)->ArgName("createjob0_list1")->Arg(0)->Arg(1);
BENCHMARK(DecodeRecord)->ArgName("createjob0_list1")->Arg(0)->Arg(1);

#ifdef KQ_HAVE_ASN1C
void Asn1cEncode(benchmark::State &state) {
  Record &r = Get(static_cast<int>(state.range(0)));
  if (!r.problem.empty()) return state.SkipWithError(r.problem.c_str());
  void *s = kq_asn1c_decode(r.asn1cIndex, r.encoding.data(), r.encoding.size());
  std::vector<uint8_t> buf(r.encoding.size() + 64);
  for (auto _ : state) {
    benchmark::DoNotOptimize(kq_asn1c_encode(r.asn1cIndex, s, buf.data(), buf.size()));
  }
  kq_asn1c_free(r.asn1cIndex, s);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(r.encoding.size()));
}

void Asn1cDecode(benchmark::State &state) {
  Record &r = Get(static_cast<int>(state.range(0)));
  if (!r.problem.empty()) return state.SkipWithError(r.problem.c_str());
  for (auto _ : state) {
    void *s = kq_asn1c_decode(r.asn1cIndex, r.encoding.data(), r.encoding.size());
    benchmark::DoNotOptimize(s);
    kq_asn1c_free(r.asn1cIndex, s);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(r.encoding.size()));
}

// The calling thread's CPU time: the machines these run on are shared, and wall time
// there measures the neighbours as much as the code.
struct ThreadClock {
  using duration = std::chrono::nanoseconds;
  static std::chrono::time_point<ThreadClock, duration> now() {
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return std::chrono::time_point<ThreadClock, duration>(
        duration(static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec));
  }
};

// Both codecs in one loop, so the ratio is measured under the same conditions.
void SideBySide(benchmark::State &state) {
  Record &r = Get(static_cast<int>(state.range(0)));
  if (!r.problem.empty()) return state.SkipWithError(r.problem.c_str());
  using Clock = ThreadClock;
  Clock::duration ours{}, theirs{};
  Error err;
  std::vector<uint8_t> buf(r.encoding.size() + 64);
  for (auto _ : state) {
    auto t0 = Clock::now();
    uint8_t *out;
    size_t len;
    kq::ber::Encode(r.type, r.value, &out, &len, err);
    void *v;
    kq::ber::Decode(r.type, out, len, &v, err);
    kq::ber::FreeContents(r.type, v);
    free(v);
    free(out);
    auto t1 = Clock::now();
    void *s = kq_asn1c_decode(r.asn1cIndex, r.encoding.data(), r.encoding.size());
    benchmark::DoNotOptimize(kq_asn1c_encode(r.asn1cIndex, s, buf.data(), buf.size()));
    kq_asn1c_free(r.asn1cIndex, s);
    auto t2 = Clock::now();
    ours += t1 - t0;
    theirs += t2 - t1;
  }
  double n = static_cast<double>(state.iterations());
  state.counters["kq_ns"] = std::chrono::duration<double, std::nano>(ours).count() / n;
  state.counters["asn1c_ns"] = std::chrono::duration<double, std::nano>(theirs).count() / n;
  state.counters["asn1c_per_kq"] =
      std::chrono::duration<double>(theirs).count() / std::chrono::duration<double>(ours).count();
}

BENCHMARK(Asn1cEncode)->ArgName("createjob0_list1")->Arg(0)->Arg(1);
BENCHMARK(Asn1cDecode)->ArgName("createjob0_list1")->Arg(0)->Arg(1);
BENCHMARK(SideBySide)->ArgName("createjob0_list1")->Arg(0)->Arg(1);
#endif

}  // namespace
