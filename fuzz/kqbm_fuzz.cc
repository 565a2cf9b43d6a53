// Opens arbitrary bytes as a paged B-tree file and runs fetches, name and
// abbreviation searches, stores and deletes on it.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "infra/kqbm.h"

namespace {

const std::string &Base() {
  static std::string base = [] {
    char tmpl[] = "/tmp/kqbm_fuzz.XXXXXX";
    return std::string(mkdtemp(tmpl)) + "/f";
  }();
  return base;
}

datum D(const uint8_t *p, size_t n) { return {(char *)p, (int32_t)n}; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 4) return 0;
  // Head: open mode, number of operations, length of the script; the rest is split
  // into the script (keys and contents) and the file.
  const int mode = data[0] % 3;
  const int ops = data[1] % 32;
  size_t scriptLen = std::min<size_t>(data[2] * 4u, size - 3);
  const uint8_t *script = data + 3;
  const uint8_t *file = script + scriptLen;
  size_t fileLen = size - 3 - scriptLen;

  std::string path = Base() + ".dbm";
  int fd = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
  if (fd < 0) return 0;
  if (fileLen && write(fd, file, fileLen) != (ssize_t)fileLen) {
    close(fd);
    return 0;
  }
  close(fd);

  KQBM_dbHandle_t db = mode == 2 ? KQBM_open(Base().c_str(), O_RDWR, 0, 0)
                                 : KQBM_open(Base().c_str(), O_RDONLY, 0, mode);
  if (!db) return 0;
  size_t pos = 0;
  for (int i = 0; i < ops && pos < scriptLen; i++) {
    uint8_t op = script[pos++];
    size_t klen = pos < scriptLen ? script[pos++] % 140 : 0;
    klen = std::min(klen, scriptLen - pos);
    datum key = D(script + pos, klen);
    pos += klen;
    switch (op % 6) {
      case 0: {
        datum d = KQBM_fetch(db, key);
        if (d.dptr && d.dsize > 0) (void)*(volatile char *)(d.dptr + d.dsize - 1);
        break;
      }
      case 1:
        KQBM_fetchName(db, key, op & 8 ? 1 : 0);
        break;
      case 2: {
        KQBM_nameSeq_t *list = nullptr;
        KQBM_fetchAbbrev(db, key, op & 8 ? &list : nullptr, op & 16 ? 1 : 0);
        while (list) {
          KQBM_nameSeq_t *n = list->next;
          (void)strlen(list->name);
          free(list);
          list = n;
        }
        break;
      }
      case 3:
      case 4: {
        size_t clen = std::min<size_t>(op / 6 % 32 * 9, scriptLen - pos);
        KQBM_store(db, key, D(script + pos, clen), op & 64 ? KQBM_REPLACE : KQBM_INSERT);
        pos += clen;
        break;
      }
      default:
        KQBM_delete(db, key);
        break;
    }
  }
  KQBM_close(db);
  return 0;
}
