// The facility name table: symbolic names of the facilities seen so far, each read
// once from its catalogue (message 1 of the STF set) and kept newest first.
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "private/msg_internal.h"

using kq::msg::Locked;
using kq::msg::tableLock;

namespace {

struct MappingEntry {
  MappingEntry *next;
  uint16_t facility;
  // False when the catalogue had no name and `name` is the facility's hex form.
  bool found;
  char name[MSG_FACILITY_NAME_MAX];
};

MappingEntry *mappingTable;

void FreeTable() {
  while (mappingTable) {
    MappingEntry *next = mappingTable->next;
    free(mappingTable);
    mappingTable = next;
  }
}

}  // namespace

extern "C" {

bool MSG__TableLookup(uint16_t facility, char *out, size_t size, bool *found) {
  for (const MappingEntry *entry = mappingTable; entry; entry = entry->next) {
    if (entry->facility == facility) {
      snprintf(out, size, "%s", entry->name);
      *found = entry->found;
      return true;
    }
  }
  return false;
}

void MSG__TableInsert(uint16_t facility, const char *name, bool found) {
  // Without memory the name is simply looked up again next time.
  auto *entry = static_cast<MappingEntry *>(malloc(sizeof(MappingEntry)));
  if (!entry) return;
  entry->facility = facility;
  entry->found = found;
  snprintf(entry->name, sizeof entry->name, "%s", name);
  entry->next = mappingTable;
  mappingTable = entry;
}

void MSG__InitMappingTable(void) { FreeTable(); }

void MSG__TableCleanUp(void) { FreeTable(); }

uint32_t MSG__FacilityName(uint32_t code, const char *locale, char *out, size_t size) {
  const auto facility = static_cast<uint16_t>(code >> 16);
  Locked lock(tableLock);
  bool found = false;
  char name[MSG_FACILITY_NAME_MAX];
  if (!MSG__TableLookup(facility, name, sizeof name, &found)) {
    char catalogue[MSG_CATALOGUE_NAME_MAX];
    kq::msg::Text text;
    found = MSG__CatalogueName(code, MSG__AppName(), catalogue, sizeof catalogue) &&
            MSG__ReadMessage(catalogue, locale, MSG__SetNumber(STF_SRC_STF, code), 1, &text) == 0 &&
            text.size() > 0;
    if (found) {
      size_t i = 0;
      for (; i < text.size() && i + 1 < sizeof name; ++i) {
        name[i] = static_cast<char>(toupper(static_cast<unsigned char>(text.data()[i])));
      }
      name[i] = '\0';
    } else {
      snprintf(name, sizeof name, "%04x", facility);
    }
    MSG__TableInsert(facility, name, found);
  }
  snprintf(out, size, "%s", name);
  return found ? 0 : MSG_ST_NOT_FOUND;
}

}  // extern "C"
