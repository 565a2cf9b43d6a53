// The request path against IPP, in one process: libkqcore builds a create-job request
// and encodes it, then decodes one and frees it; libcups does the same with the
// equivalent IPP Create-Job request. Each benchmark times both libraries (and a plain
// memcpy of the same bytes, the floor any encoder is measured against) in turns inside
// every iteration, on the thread's CPU clock, and reports per request:
//   kq_us, cups_us        the CPU time of one request in each library
//   kq_over_cups          libkqcore's time divided by libcups' time
//   memcpy_kq_ns, memcpy_cups_ns   a memcpy of each encoding's bytes
//   kq_over_memcpy, cups_over_memcpy   each library's time over its memcpy
//   kq_bytes, cups_bytes  the size of each encoding
// The iteration time Google Benchmark prints is the sum of all of these; read the
// counters.
//
// The two requests are equivalent attribute for attribute. libkqcore's is the shared
// 30-attribute job set (request_set.h): a create-job argument with the printer name and
// 30 job attributes holding 60 values. The IPP request holds the same 30 attributes in
// its job-attributes group, in the same order and with the same number of values, each
// named by the attribute's name without the "id-att-" prefix (what IPP puts on the
// wire in place of the object identifier); its operation group holds the
// attributes-charset and attributes-natural-language that ippNewRequest adds and the
// printer-uri (in place of the printer name). Value kinds map one to one:
//   boolean (type 0)            -> boolean
//   integer (types 1 and 12)    -> integer, the same number
//   identifier (type 10)        -> keyword, "value-369" etc. (9 characters, where the
//                                  identifier's encoding is a few bytes)
//   text (type 28)              -> textWithoutLanguage, the same 35 characters
//   names (types 18 and 27)     -> nameWithoutLanguage, the same 15 characters
//   time (type 48)              -> dateTime, the same instant
// Both sides include what a caller does around the coding: libkqcore builds the set,
// converts and encodes it into a fresh buffer, frees the buffer and destroys the set;
// libcups builds the request with ippNewRequest and ippAdd*, writes it with ippWriteIO
// into a buffer and deletes it. On the way back libkqcore decodes, converts into a new
// set, walks every value and destroys the set; libcups reads with ippReadIO, walks
// every value (ippGet*) and deletes the request.
#include <benchmark/benchmark.h>
#include <cups/ipp.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/create_job.h"
#include "infra/genu.h"
#include "request_set.h"

namespace {

using kq::bench::RequestAttribute;

// One IPP attribute of the equivalent request.
struct IppAttribute {
  std::string name;
  uint32_t type;  // the libkqcore value type it stands for
  uint32_t values;
};

std::vector<IppAttribute> IppPlan(const std::vector<RequestAttribute> &plan) {
  std::vector<IppAttribute> ipp;
  for (const RequestAttribute &a : plan) {
    if (a.record) abort();  // composite records have no IPP counterpart here
    ipp.push_back({GENU_ShortOIDToAscii(a.id) + 7, a.type, a.values});
  }
  return ipp;
}

// 2026-12-06 04:30:00 UTC, the time the job set holds.
constexpr time_t kRequestTime = 1796531400;

ipp_t *BuildIpp(const std::vector<IppAttribute> &plan) {
  ipp_t *request = ippNewRequest(IPP_OP_CREATE_JOB);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr,
               "ipp://localhost/printers/printer-1");
  char keyword[16];
  for (const IppAttribute &a : plan) {
    const char *name = a.name.c_str();
    int n = static_cast<int>(a.values);
    int numbers[3];
    const char *strings[3];
    for (int v = 0; v < n; ++v) numbers[v] = kq::bench::RequestNumber(a.type, v);
    switch (a.type) {
      case 0: {
        char booleans[3];
        for (int v = 0; v < n; ++v) booleans[v] = static_cast<char>(numbers[v]);
        ippAddBooleans(request, IPP_TAG_JOB, name, n, booleans);
        break;
      }
      case 1:
      case 12:
        ippAddIntegers(request, IPP_TAG_JOB, IPP_TAG_INTEGER, name, n, numbers);
        break;
      case 10: {
        ipp_attribute_t *attr = nullptr;
        for (int v = 0; v < n; ++v) {
          snprintf(keyword, sizeof keyword, "value-%d", numbers[v]);
          if (v == 0)
            attr = ippAddString(request, IPP_TAG_JOB, IPP_TAG_KEYWORD, name, nullptr, keyword);
          else
            ippSetString(request, &attr, v, keyword);
        }
        break;
      }
      case 28:
      case 18:
      case 27:
        for (int v = 0; v < n; ++v)
          strings[v] = a.type == 28 ? kq::bench::kRequestText : kq::bench::kRequestName;
        ippAddStrings(request, IPP_TAG_JOB, a.type == 28 ? IPP_TAG_TEXT : IPP_TAG_NAME, name, n,
                      nullptr, strings);
        break;
      default: {  // 48
        ipp_attribute_t *attr = ippAddDate(request, IPP_TAG_JOB, name, ippTimeToDate(kRequestTime));
        for (int v = 1; v < n; ++v) ippSetDate(request, &attr, v, ippTimeToDate(kRequestTime));
        break;
      }
    }
  }
  return request;
}

// A growing or draining memory buffer for ippWriteIO and ippReadIO.
struct IppBuffer {
  std::vector<ipp_uchar_t> bytes;
  size_t at = 0;
};

ssize_t WriteIpp(void *context, ipp_uchar_t *data, size_t length) {
  auto *b = static_cast<IppBuffer *>(context);
  b->bytes.insert(b->bytes.end(), data, data + length);
  return static_cast<ssize_t>(length);
}

ssize_t ReadIpp(void *context, ipp_uchar_t *data, size_t length) {
  auto *b = static_cast<IppBuffer *>(context);
  size_t n = std::min(length, b->bytes.size() - b->at);
  memcpy(data, b->bytes.data() + b->at, n);
  b->at += n;
  return static_cast<ssize_t>(n);
}

void WriteIppRequest(ipp_t *request, IppBuffer *out) {
  out->bytes.clear();
  if (ippWriteIO(out, WriteIpp, 1, nullptr, request) != IPP_STATE_DATA) abort();
}

// Reads every value of a decoded IPP request; returns something of each.
long WalkIpp(ipp_t *request) {
  long sum = 0;
  for (ipp_attribute_t *a = ippFirstAttribute(request); a != nullptr;
       a = ippNextAttribute(request)) {
    int count = ippGetCount(a);
    ipp_tag_t tag = ippGetValueTag(a);
    for (int v = 0; v < count; ++v) {
      switch (tag) {
        case IPP_TAG_BOOLEAN:
          sum += ippGetBoolean(a, v);
          break;
        case IPP_TAG_INTEGER:
        case IPP_TAG_ENUM:
          sum += ippGetInteger(a, v);
          break;
        case IPP_TAG_DATE:
          sum += ippGetDate(a, v)[0];
          break;
        default:
          sum += ippGetString(a, v, nullptr)[0];
      }
    }
  }
  return sum;
}

// Reads every value of a decoded job set; returns something of each.
long WalkSet(STF_statusList_t *s, AS_setHandle_t set) {
  long sum = 0;
  AS_attrHandle_t attr = AS_nullAttrHandle;
  for (uint32_t rc = AS_FindFirstAttr(s, set, &attr, nullptr); rc == 0;
       rc = AS_FindNextAttrR(s, &attr, nullptr)) {
    AS_attrValHandle_t val = AS_nullAttrValHandle;
    void *value = nullptr;
    if (AS_FindFirstAttrValR(s, attr, &val, &value) != 0) continue;
    do sum += *static_cast<const unsigned char *>(value);
    while (AS_FindNextAttrValVR(s, &val, &value) == 0);
    AS_FreeAttrValHandle(s, &val);
  }
  AS_FreeAttrHandle(s, &attr);
  return sum;
}

double ThreadCpuNs() {
  timespec t;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return t.tv_sec * 1e9 + t.tv_nsec;
}

// Runs f() n times and returns the CPU time of one run in nanoseconds.
template <typename F>
double NsPerRun(int n, F &&f) {
  double start = ThreadCpuNs();
  for (int i = 0; i < n; ++i) f();
  return (ThreadCpuNs() - start) / n;
}

// Sums of the per-request figures over the iterations, turned into counters.
struct Totals {
  double kq = 0, cups = 0, memcpyKq = 0, memcpyCups = 0;
  void Report(benchmark::State &state, size_t kqBytes, size_t cupsBytes) const {
    double n = static_cast<double>(state.iterations());
    state.counters["kq_us"] = kq / n / 1e3;
    state.counters["cups_us"] = cups / n / 1e3;
    state.counters["kq_over_cups"] = kq / cups;
    state.counters["memcpy_kq_ns"] = memcpyKq / n;
    state.counters["memcpy_cups_ns"] = memcpyCups / n;
    state.counters["kq_over_memcpy"] = kq / memcpyKq;
    state.counters["cups_over_memcpy"] = cups / memcpyCups;
    state.counters["kq_bytes"] = static_cast<double>(kqBytes);
    state.counters["cups_bytes"] = static_cast<double>(cupsBytes);
  }
};

constexpr int kRequestsPerTurn = 4;
constexpr int kCopiesPerTurn = 256;

// Shared by both benchmarks: the plans, a status list and one encoding of each request.
struct Fixture {
  STF_statusList_t *s = STF_CreateList(nullptr);
  std::vector<RequestAttribute> plan = kq::bench::RequestPlan(false);
  std::vector<IppAttribute> ippPlan = IppPlan(plan);
  OssBuf kqBytes{0, nullptr};
  IppBuffer ippBytes;
  std::vector<unsigned char> copy;

  Fixture() {
    AS_setHandle_t set = kq::bench::BuildRequestSet(plan);
    if (kq::tools::EncodeCreateJob(s, "printer-1", set, &kqBytes)) abort();
    AS_Destroy(s, &set);
    ipp_t *request = BuildIpp(ippPlan);
    WriteIppRequest(request, &ippBytes);
    ippDelete(request);
    CheckEquivalent();
    copy.resize(std::max<size_t>(kqBytes.length, ippBytes.bytes.size()));
  }
  ~Fixture() {
    free(kqBytes.value);
    STF_DeleteList(s);
  }
  // The IPP request read back holds in its job group as many attributes and values as
  // the job set decoded from libkqcore's request.
  void CheckEquivalent() {
    AS_setHandle_t set = AS_nullSetHandle;
    if (kq::tools::DecodeCreateJob(s, kqBytes, &set)) abort();
    uint32_t kqAttrs = 0, kqValues = 0;
    AS_attrHandle_t attr = AS_nullAttrHandle;
    for (uint32_t rc = AS_FindFirstAttr(s, set, &attr, nullptr); rc == 0;
         rc = AS_FindNextAttrR(s, &attr, nullptr)) {
      uint32_t n = 0;
      AS_GetAttrValCountR(s, attr, &n);
      ++kqAttrs;
      kqValues += n;
    }
    AS_FreeAttrHandle(s, &attr);
    AS_Destroy(s, &set);
    ipp_t *request = ippNew();
    ippBytes.at = 0;
    if (ippReadIO(&ippBytes, ReadIpp, 1, nullptr, request) != IPP_STATE_DATA) abort();
    uint32_t ippAttrs = 0, ippValues = 0;
    for (ipp_attribute_t *a = ippFirstAttribute(request); a; a = ippNextAttribute(request))
      if (ippGetGroupTag(a) == IPP_TAG_JOB) {
        ++ippAttrs;
        ippValues += static_cast<uint32_t>(ippGetCount(a));
      }
    ippDelete(request);
    if (kqAttrs != kq::bench::kRequestAttributes || ippAttrs != kqAttrs || ippValues != kqValues)
      abort();
  }
  double CopyNs(const void *bytes, size_t length) {
    return NsPerRun(kCopiesPerTurn, [&] {
      memcpy(copy.data(), bytes, length);
      benchmark::ClobberMemory();
    });
  }
};

void BuildAndEncode(benchmark::State &state) {
  Fixture f;
  IppBuffer out;
  Totals t;
  for (auto _ : state) {
    t.kq += NsPerRun(kRequestsPerTurn, [&] {
      AS_setHandle_t set = kq::bench::BuildRequestSet(f.plan, f.s);
      OssBuf encoded{0, nullptr};
      if (kq::tools::EncodeCreateJob(f.s, "printer-1", set, &encoded)) abort();
      benchmark::DoNotOptimize(encoded.value);
      free(encoded.value);
      AS_Destroy(f.s, &set);
    });
    t.cups += NsPerRun(kRequestsPerTurn, [&] {
      ipp_t *request = BuildIpp(f.ippPlan);
      WriteIppRequest(request, &out);
      benchmark::DoNotOptimize(out.bytes.data());
      ippDelete(request);
    });
    t.memcpyKq += f.CopyNs(f.kqBytes.value, f.kqBytes.length);
    t.memcpyCups += f.CopyNs(f.ippBytes.bytes.data(), f.ippBytes.bytes.size());
  }
  t.Report(state, f.kqBytes.length, f.ippBytes.bytes.size());
}
BENCHMARK(BuildAndEncode)->Unit(benchmark::kMicrosecond);

void DecodeAndFree(benchmark::State &state) {
  Fixture f;
  Totals t;
  for (auto _ : state) {
    t.kq += NsPerRun(kRequestsPerTurn, [&] {
      AS_setHandle_t set = AS_nullSetHandle;
      if (kq::tools::DecodeCreateJob(f.s, f.kqBytes, &set)) abort();
      benchmark::DoNotOptimize(WalkSet(f.s, set));
      AS_Destroy(f.s, &set);
    });
    t.cups += NsPerRun(kRequestsPerTurn, [&] {
      f.ippBytes.at = 0;
      ipp_t *request = ippNew();
      if (ippReadIO(&f.ippBytes, ReadIpp, 1, nullptr, request) != IPP_STATE_DATA) abort();
      benchmark::DoNotOptimize(WalkIpp(request));
      ippDelete(request);
    });
    t.memcpyKq += f.CopyNs(f.kqBytes.value, f.kqBytes.length);
    t.memcpyCups += f.CopyNs(f.ippBytes.bytes.data(), f.ippBytes.bytes.size());
  }
  t.Report(state, f.kqBytes.length, f.ippBytes.bytes.size());
}
BENCHMARK(DecodeAndFree)->Unit(benchmark::kMicrosecond);

}  // namespace
