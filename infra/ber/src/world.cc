// The world operations: the runtime's C face, driven by a module's PDU table.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <vector>

#include "internal/ber_coder.h"
#include "internal/ber_runtime.h"
#include "private/ber_arena.h"
#include "private/ber_socket.h"

using kq::ber::Error;

void (*freep)(void *) = std::free;

namespace {

// PDU numbers are small: every coding call looks its PDU up, so each module gets, on
// first use, a table indexed by number. A few modules exist; more than kModules, or a
// table that cannot be made, fall back to the search.
struct PduIndex {
  const ber_module *module;
  std::vector<const ber_pdu *> byNumber;
};
constexpr int kModules = 4;
constexpr int kIndexedNumbers = 4096;
std::atomic<PduIndex *> pduIndexes[kModules];
std::mutex pduIndexesMu;

PduIndex *MakeIndex(const ber_module *module) {
  int top = 0;
  for (uint32_t i = 0; i < module->npdus; i++) top = std::max(top, module->pdus[i].number);
  if (top >= kIndexedNumbers) return nullptr;
  auto *index = new (std::nothrow) PduIndex{module, {}};
  if (!index) return nullptr;
  try {
    index->byNumber.assign(static_cast<size_t>(top) + 1, nullptr);
  } catch (const std::bad_alloc &) {
    delete index;
    return nullptr;
  }
  for (uint32_t i = 0; i < module->npdus; i++)
    if (module->pdus[i].number >= 0) index->byNumber[module->pdus[i].number] = &module->pdus[i];
  return index;
}

// The module's table; null when it has none.
const PduIndex *IndexOf(const ber_module *module) {
  for (std::atomic<PduIndex *> &slot : pduIndexes) {
    PduIndex *index = slot.load(std::memory_order_acquire);
    if (!index) {
      std::lock_guard<std::mutex> lock(pduIndexesMu);
      index = slot.load(std::memory_order_relaxed);
      if (!index) {
        index = MakeIndex(module);
        if (!index) return nullptr;
        slot.store(index, std::memory_order_release);
      }
    }
    if (index->module == module) return index;
  }
  return nullptr;
}

}  // namespace

extern "C" const ber_pdu *BER__FindPDU(const ber_module *module, int number) {
  if (!module) return nullptr;
  if (const PduIndex *index = IndexOf(module)) {
    if (number < 0 || static_cast<size_t>(number) >= index->byNumber.size()) return nullptr;
    return index->byNumber[static_cast<size_t>(number)];
  }
  uint32_t lo = 0, hi = module->npdus;
  while (lo < hi) {
    uint32_t mid = (lo + hi) / 2;
    int n = module->pdus[mid].number;
    if (n == number) return &module->pdus[mid];
    if (n < number)
      lo = mid + 1;
    else
      hi = mid;
  }
  return nullptr;
}

namespace {

int Report(OssGlobal *world, const Error &err, int code) {
  strncpy(world->error, err.text, sizeof world->error);  // pads the rest with zeros
  world->error[sizeof world->error - 1] = 0;
  return code;
}

// A decoded record lives in one arena: released as a whole by ossFreePDU, it needs one
// heap block per arena block instead of one per part.
int DecodeRecord(const ber_type *t, const uint8_t *in, size_t len, void **out, Error &err) {
  kq::ber::Arena arena(len);
  int rc = kq::ber::Decode(t, in, len, out, err, &arena);
  if (rc) arena.Release();
  return rc;
}

// Checks the world and finds the PDU; sets the error text on failure.
int Lookup(OssGlobal *world, int pdu, const ber_pdu **out) {
  Error err;
  if (!world->module || !(world->links & BER_LINK_BER))
    return Report(world, err, err.Set(BER_E_INIT, "world has no module or no BER coder"));
  *out = BER__FindPDU(world->module, pdu);
  if (!*out)
    return Report(
        world, err,
        err.Set(BER_E_PDU, "unknown PDU number %d in module %s", pdu, world->module->name));
  return 0;
}

void ReleaseMarked(OssGlobal *world) {
  std::free(world->marked);
  world->marked = nullptr;
}

}  // namespace

extern "C" {

long ossGetOssGlobalSize(void) { return static_cast<long>(sizeof(OssGlobal)); }

int ossinit(OssGlobal *world, const ber_module *module) {
  if (!world || !module) return BER_E_ARG;
  memset(world, 0, sizeof *world);
  world->mallocp = std::malloc;
  world->reallocp = std::realloc;
  world->freep = std::free;
  world->module = module;
  return module->init ? module->init(world) : 0;
}

void ossterm(OssGlobal *world) {
  if (!world) return;
  ReleaseMarked(world);
  world->module = nullptr;
  world->links = 0;
}

int ossLinkBer(OssGlobal *world) {
  world->links |= BER_LINK_BER;
  return 0;
}

int ossLinkBerReal(OssGlobal *world) {
  world->links |= BER_LINK_REAL;
  return 0;
}

int ossEncode(OssGlobal *world, int pdu, void *structure, OssBuf *out) {
  if (!world || !out) return BER_E_ARG;
  const ber_pdu *entry;
  if (int rc = Lookup(world, pdu, &entry)) return rc;
  Error err;
  uint8_t *bytes;
  size_t len;
  int rc = kq::ber::Encode(entry->type, structure, &bytes, &len, err);
  if (rc == 0 && len > INT32_MAX) {
    std::free(bytes);
    rc = err.Set(BER_E_LIMIT, "encoding longer than 2 GiB");
  }
  if (rc) return Report(world, err, rc);
  out->length = static_cast<int32_t>(len);
  out->value = bytes;
  return 0;
}

int ossDecode(OssGlobal *world, int *pdu, OssBuf *in, void **out) {
  if (!world || !pdu || !in || !out) return BER_E_ARG;
  *out = nullptr;
  const ber_pdu *entry;
  if (int rc = Lookup(world, *pdu, &entry)) return rc;
  Error err;
  if (in->length == 0 && in->value && world->marked &&
      static_cast<void *>(in->value) == static_cast<void *>(world->marked)) {
    std::vector<uint8_t> bytes;
    int rc = kq::ber::ReadOneEncoding(world->marked->fd, world->timeout, bytes, err);
    if (rc == 0) rc = DecodeRecord(entry->type, bytes.data(), bytes.size(), out, err);
    if (rc) return Report(world, err, rc);
    ReleaseMarked(world);  // a successful decode consumes the marked input
    return 0;
  }
  if (in->length < 0 || (in->length > 0 && !in->value))
    return Report(world, err, err.Set(BER_E_ARG, "bad input buffer"));
  int rc = DecodeRecord(entry->type, in->value, static_cast<size_t>(in->length), out, err);
  return rc ? Report(world, err, rc) : 0;
}

int ossFreePDU(OssGlobal *world, int pdu, void *structure) {
  if (!world) return BER_E_ARG;
  const ber_pdu *entry;
  if (int rc = Lookup(world, pdu, &entry)) return rc;
  if (structure && !kq::ber::Arena::ReleaseRecord(structure)) {
    kq::ber::FreeContents(entry->type, structure);  // not a record ossDecode made
    std::free(structure);
  }
  return 0;
}

int ossPrintPDU(OssGlobal *world, int pdu, void *structure) {
  if (!world) return BER_E_ARG;
  const ber_pdu *entry;
  if (int rc = Lookup(world, pdu, &entry)) return rc;
  if (!structure) return BER_E_ARG;
  std::string text = kq::ber::Print(entry->type, structure);
  FILE *f = world->printOut ? world->printOut : stdout;
  fwrite(text.data(), 1, text.size(), f);
  return 0;
}

char *ossGetErrMsg(OssGlobal *world) { return world ? world->error : nullptr; }

int ossSetEncodingFlags(OssGlobal *world, unsigned long flags) {
  if (!world) return BER_E_ARG;
  if (flags & ~static_cast<unsigned long>(BER_FLAG_DEFINITE)) return BER_E_ARG;
  world->encodingFlags = static_cast<uint32_t>(flags);
  return 0;
}

void *ossMarkObj(OssGlobal *world, int kind, int fd) {
  if (!world || kind != OSS_SOCKET || fd < 0) return nullptr;
  ReleaseMarked(world);
  world->marked = static_cast<ber_marked *>(std::malloc(sizeof(ber_marked)));
  if (!world->marked) return nullptr;
  *world->marked = ber_marked{kq::ber::kMarkedMagic, kind, fd};
  return world->marked;
}

void ossUnmarkObj(OssGlobal *world, void *handle) {
  if (world && handle && handle == world->marked) ReleaseMarked(world);
}

int ossSetTimeout(OssGlobal *world, long timeout) {
  if (!world || timeout < 0) return BER_E_ARG;
  world->timeout = timeout;
  return 0;
}

}  // extern "C"
