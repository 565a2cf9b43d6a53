// Writes seed records for the BER harnesses: for every record of the protocol and the
// event module, the encodings of a few valid values made by the BER tests' value
// generator, each behind the byte that picks its record in the harness; and the event
// records alone, as an event connection delivers them.
//   ber_seeds DPA_DIR EVT_DIR RECEIVE_DIR
// The output is raw; fuzz/corpus keeps what `-merge=1` retains of it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ber_test_util.h"
#include "value_gen.h"

namespace {

constexpr int kValuesPerRecord = 2;

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
        FILE *f = fopen(path.c_str(), "wb");
        if (!f) return -1;
        uint8_t pick = static_cast<uint8_t>(i);
        if (pickByte) fwrite(&pick, 1, 1, f);
        fwrite(bytes, 1, length, f);
        fclose(f);
        ++written;
      }
      free(bytes);
      kq::ber::test::FreeValue(pdu.type, value);
    }
  }
  return written;
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4) {
    fprintf(stderr, "usage: ber_seeds DPA_DIR EVT_DIR RECEIVE_DIR\n");
    return 2;
  }
  int records = WriteModule(kq_0b, argv[1], true), events = WriteModule(evt, argv[2], true);
  if (records < 0 || events < 0 || WriteModule(evt, argv[3], false) < 0) {
    perror("ber_seeds");
    return 1;
  }
  printf("%d protocol and %d event records\n", records, events);
  return 0;
}
