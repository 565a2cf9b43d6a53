// Writes seed records for the BER harnesses: for every record of the protocol and the
// event module, the encodings of a few valid values made by the BER tests' value
// generator, each behind the byte that picks its record in the harness; the event
// records alone, as an event connection delivers them; and for every value type the
// wire unpacker knows, the first protocol records it unpacks as a value of that type.
//   ber_seeds DPA_DIR EVT_DIR RECEIVE_DIR WIRE_DIR
// The output is raw; fuzz/corpus keeps what `-merge=1` retains of it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "ber_test_util.h"
#include "infra/genu.h"
#include "private/genu_wire_int.h"
#include "value_gen.h"

namespace {

constexpr int kValuesPerRecord = 2;
constexpr int kWireSeedsPerType = 2;

void Write(const std::string &path, const std::vector<uint8_t> &head, const uint8_t *bytes,
           size_t length) {
  FILE *f = fopen(path.c_str(), "wb");
  if (!f) {
    perror(path.c_str());
    exit(1);
  }
  fwrite(head.data(), 1, head.size(), f);
  fwrite(bytes, 1, length, f);
  fclose(f);
}

std::vector<std::vector<uint8_t>> encodings;  // every protocol record written

int WriteModule(const ber_module &m, const std::string &dir, bool pickByte) {
  int written = 0;
  for (uint32_t i = 0; i < m.npdus && i < 256; ++i) {
    const ber_pdu &pdu = m.pdus[i];
    for (int it = 0; it < kValuesPerRecord; ++it) {
      kq::ber::test::Rng rng((static_cast<uint64_t>(pdu.number) << 32) | static_cast<uint64_t>(it));
      void *value = kq::ber::test::MakeValue(pdu.type, rng);
      kq::ber::Error err;
      uint8_t *bytes = nullptr;
      size_t length = 0;
      if (kq::ber::Encode(pdu.type, value, &bytes, &length, err) == 0) {
        std::string path =
            dir + "/" + m.name + "-" + std::to_string(pdu.number) + "-" + std::to_string(it);
        std::vector<uint8_t> head;
        if (pickByte) head.push_back(static_cast<uint8_t>(i));
        Write(path, head, bytes, length);
        if (&m == &kq_0b) encodings.emplace_back(bytes, bytes + length);
        ++written;
      }
      free(bytes);
      kq::ber::test::FreeValue(pdu.type, value);
    }
  }
  return written;
}

int WriteWire(const std::string &dir) {
  uint32_t ids[128];
  uint32_t count = kq::genu::WireTypeIds(ids, 128);
  int written = 0;
  for (uint32_t i = 0; i < count; ++i) {
    int found = 0;
    for (const std::vector<uint8_t> &e : encodings) {
      if (found == kWireSeedsPerType) break;
      STF_statusList_t *s = STF_CreateList(nullptr);
      OssBuf in{static_cast<int32_t>(e.size()), const_cast<unsigned char *>(e.data())};
      void *record = nullptr;
      AS_valueDescriptor_t desc{};
      if (JQP_UnpackAV(s, &in, ids[i], &record, &desc) == 0 && record) {
        desc.deleteValue(s, record, nullptr);
        Write(dir + "/wire-" + std::to_string(ids[i]) + "-" + std::to_string(found),
              {static_cast<uint8_t>(i)}, e.data(), e.size());
        ++found;
      }
      STF_DeleteList(s);
    }
    written += found;
  }
  return written;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 5) {
    fprintf(stderr, "usage: ber_seeds DPA_DIR EVT_DIR RECEIVE_DIR WIRE_DIR\n");
    return 2;
  }
  int records = WriteModule(kq_0b, argv[1], true), events = WriteModule(evt, argv[2], true);
  WriteModule(evt, argv[3], false);
  int values = WriteWire(argv[4]);
  printf("%d protocol and %d event records, %d wire values\n", records, events, values);
  return 0;
}
