// Traces of single values on their way to and from the wire: the display name of
// every value type id, and the value itself for the plain numeric types.
#include <cinttypes>

#include "infra/svclog.h"
#include "private/genu_wire_int.h"

namespace kq::genu {

namespace {

const char *const kTypeNames[] = {
    "boolean",                             // 0
    "cardinal",                            // 1
    "cardinal range",                      // 2
    "colorant set",                        // 3
    "delta time",                          // 4
    "descriptor",                          // 5
    "distinguished name string",           // 6
    "document content",                    // 7
    "event handling profile",              // 8
    "font reference",                      // 9
    "object identifier",                   // 10
    "ignored attribute",                   // 11
    "integer) ",                           // 12
    "integer range",                       // 13
    "job identifier",                      // 14
    "maximum integer",                     // 15
    "message",                             // 16
    "minimum integer",                     // 17
    "name or oid",                         // 18
    "numbers up supported",                // 19
    "octet string",                        // 20
    "page id type",                        // 21
    "positive integer",                    // 22
    "real",                                // 23
    "realization",                         // 24
    "real range",                          // 25
    "sides",                               // 26
    "simple name",                         // 27
    "text",                                // 28
    "area",                                // 29
    "area sequence",                       // 30
    "cardinal 64",                         // 31
    "cardinal 64 range",                   // 32
    "cardinal map",                        // 33
    "cardinal or name or oid",             // 34
    "cardinal or oid",                     // 35
    "category set",                        // 36
    "criteria",                            // 37
    "default delivery addresses",          // 38
    "delivery address",                    // 39
    "descriptive name",                    // 40
    "dimension",                           // 41
    "distinguished name string sequence",  // 42
    "document format",                     // 43
    "edge",                                // 44
    "file reference",                      // 45
    "finishing",                           // 46
    "font substitution",                   // 47
    "generalized time",                    // 48
    "input tray medium",                   // 49
    "integer sequence",                    // 50
    "job categories",                      // 51
    "job level",                           // 52
    "job password",                        // 53
    "level range",                         // 54
    "locale",                              // 55
    "locations",                           // 56
    "medium dimensions",                   // 57
    "medium source size",                  // 58
    "medium substitution",                 // 59
    "name or oid sequence",                // 60
    "new job identifier",                  // 61
    "non negative real",                   // 62
    "non negative real range",             // 63
    "object identification",               // 64
    "object identifier sequence",          // 65
    "output bin characteristics",          // 66
    "page media select",                   // 67
    "page order type",                     // 68
    "page select",                         // 69
    "page size",                           // 70
    "percent",                             // 71
    "positive integer or oid",             // 72
    "presentation direction",              // 73
    "print checkpoint",                    // 74
    "priority",                            // 75
    "privileges",                          // 76
    "rdn sequence",                        // 77
    "real sequence",                       // 78
    "resource",                            // 79
    "resource context",                    // 80
    "results profile",                     // 81
    "size unit type",                      // 82
    "translator type",                     // 83
    "dimensions",                          // 84
    "access control list",                 // 85
    "RPC address",                         // 86
    "socket address",                      // 87
    "unknown value type",                  // 88
    "ext access control list",             // 89
    "unknown value type",                  // 90
    "unknown value type",                  // 91
    "unknown value type",                  // 92
    "unknown value type",                  // 93
    "unknown value type",                  // 94
};

}  // namespace

const char *TypeDisplayName(uint32_t id) {
  return id < sizeof kTypeNames / sizeof *kTypeNames ? kTypeNames[id] : "unknown value type";
}

// One line per packed or unpacked value at the packing detail level; an unpacked
// integer is named by its record.
void TraceValue(const char *verb, uint32_t id, const void *record, bool unpacked) {
  const char *name = unpacked && id == 12 ? "Integer" : TypeDisplayName(id);
  switch (id) {
    case 0:
      LOG_COND_MESSAGE(LOG_SEV_PACK, "%s %s = %s\n", verb, name,
                       *static_cast<const int32_t *>(record) == 1 ? "TRUE" : "FALSE");
      return;
    case 1:
      LOG_COND_MESSAGE(LOG_SEV_PACK, "%s %s = %u\n", verb, name,
                       *static_cast<const uint32_t *>(record));
      return;
    case 4:
    case 12:
    case 15:
    case 22:
      LOG_COND_MESSAGE(LOG_SEV_PACK, "%s %s = %d\n", verb, name,
                       *static_cast<const int32_t *>(record));
      return;
    case 26:
    case 71:
    case 75:
      LOG_COND_MESSAGE(LOG_SEV_PACK, "%s %s = %d\n", verb, name,
                       *static_cast<const int16_t *>(record));
      return;
    case 23:
    case 62:
      LOG_COND_MESSAGE(LOG_SEV_PACK, "%s %s = %g\n", verb, name,
                       *static_cast<const double *>(record));
      return;
    case 31: {
      uint64_t v = 0;
      GEN_GenToUint64(&v, static_cast<const GEN_Cardinal64_t *>(record));
      LOG_COND_MESSAGE(LOG_SEV_PACK, "%s %s = %" PRIu64 "\n", verb, name, v);
      return;
    }
    default:
      LOG_COND_MESSAGE(LOG_SEV_PACK, "%s %s\n", verb, name);
  }
}

}  // namespace kq::genu
