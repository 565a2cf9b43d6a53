// Domain kinds: the names of the directory and naming services an access
// control list's domain can belong to, with their short OIDs.
#include <strings.h>

#include <cstring>

#include "internal/stf_fail.h"
#include "private/genu_compare_util.h"
#include "private/genu_layout.h"

namespace genu = kq::genu;

namespace {

struct DomainKind {
  const char *name;
  uint32_t oid;
};

const DomainKind kDomains[] = {
    {"unix", 886},     {"x-500", 3040},       {"xfn", 3041},       {"dce", 3042},
    {"cds", 3043},     {"nis", 3044},         {"dns", 3045},       {"internet-mail", 3046},
    {"file", 3047},    {"nisplus", 3048},     {"nis+", 3048},      {"win95", 3049},
    {"winnt", 3050},   {"ntsecurity", 3051},  {"any", 3055},       {"nds", 3187},
    {"netware", 3054}, {"lan-manager", 3183}, {"appletalk", 3184}, {"smb", 3185},
    {"sna", 3186},
};

}  // namespace

namespace kq::genu {

uint32_t DomainKindByName(const char *name, size_t length) {
  for (const DomainKind &d : kDomains)
    if (strlen(d.name) == length && strncasecmp(d.name, name, length) == 0) return d.oid;
  return 0xFFFFFFFFu;
}

uint32_t DomainKindOf(const GEN_DistNameString_t *d) {
  if (!d->nameOrOid) return 0;
  if (d->nameOrOid->choice == 1) return d->nameOrOid->u.oid;
  const GEN_SimpleName_t &n = d->nameOrOid->u.name;
  if (n.choice == GEN_TEXT_ISO646 || n.choice == GEN_TEXT_STRING)
    return DomainKindByName(n.u.string, strnlen(n.u.string, sizeof n.u.string));
  if (n.choice >= GEN_TEXT_LATIN1 && n.choice <= GEN_TEXT_OTHER && n.u.octets.length >= 0)
    return DomainKindByName(reinterpret_cast<const char *>(n.u.octets.value),
                            static_cast<size_t>(n.u.octets.length));
  return 0xFFFFFFFFu;
}

}  // namespace kq::genu

extern "C" uint32_t GENU_ExtractDistNameString(STF_statusList_t *sl, char **textOut,
                                               uint32_t *kindOut, const GEN_DistNameString_t *value,
                                               const AS_allocateDescriptor_t *alloc) {
  if (!textOut || !kindOut || !value) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  *kindOut = genu::DomainKindOf(value);
  return GENU_ExtractText(sl, textOut, &value->text, alloc);
}
