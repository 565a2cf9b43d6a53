// Access control lists: the ext form (principal, domain, name type, privilege
// level), the protocol's form (a name with optional type and level), the textual
// ext form, and the conversions between the forms.
#include <strings.h>

#include <cstdlib>
#include <string>

#include "private/genu_compare_util.h"
#include "private/genu_make_util.h"

namespace genu = kq::genu;

namespace {

constexpr uint32_t kNis = 3044, kDns = 3045, kFile = 3047, kNisPlus = 3048, kAny = 3055;

bool empty(const char *s) { return !s || !*s; }

struct Word {
  const char *name;
  uint32_t value;
};
const Word kTextDomains[] = {{"nis", kNis},        {"dns", kDns},   {"nisplus", kNisPlus},
                             {"file", kFile},      {"win95", 3049}, {"winnt", 3050},
                             {"ntsecurity", 3051}, {"any", kAny}};
const Word kNameTypes[] = {{"all-users", 0}, {"user", 1}, {"group", 2}, {"netgroup", 3}};
const Word kLevels[] = {{"end-user", 1}, {"operator", 2}, {"administrator", 3}};

template <size_t N>
bool lookup(const Word (&words)[N], const std::string &w, uint32_t *out) {
  for (const Word &x : words)
    if (strcasecmp(x.name, w.c_str()) == 0) {
      *out = x.value;
      return true;
    }
  return false;
}

// The scanner of ACL texts: blanks separate words; a word also ends at "=";
// a lone ":" or "=" is a token of its own.
struct Scanner {
  const char *p;
  bool next(std::string *tok) {
    while (*p == ' ' || *p == '\t' || *p == '\n') ++p;
    if (!*p) return false;
    if (*p == '=' || (*p == ':' && (p[1] == 0 || p[1] == ' ' || p[1] == '='))) {
      *tok = std::string(1, *p++);
      return true;
    }
    const char *start = p;
    while (*p && *p != ' ' && *p != '\t' && *p != '\n' && *p != '=') ++p;
    tok->assign(start, p);
    return true;
  }
};

uint32_t extractName(STF_statusList_t *sl, const GEN_SimpleName_t *n, std::string *out) {
  char *s = nullptr;
  if (GENU_ExtractSimpleName(sl, &s, n, nullptr)) return 1;
  *out = s;
  free(s);
  return 0;
}

}  // namespace

extern "C" {

uint32_t GENU_MakeACL(STF_statusList_t *sl, GEN_ExtACL_t **out, const char *name,
                      const char *domainValue, uint32_t domainKind,
                      const GEN_ACLNameType_t *nameType, const GEN_ACLPrivilegeLevel_t *level,
                      const AS_allocateDescriptor_t *alloc) {
  return genu::MakeRecord(sl, out, &genu::kExtACLLayout, alloc, [&](GEN_ExtACL_t *acl) {
    if (empty(name)) {
      acl->nameType = 0;
      if (GENU_MakeEmbeddedSimpleName(sl, &acl->principal, "", alloc)) return 1u;
    } else {
      acl->nameType = nameType ? *nameType : 2;
      if (GENU_MakeEmbeddedSimpleName(sl, &acl->principal, name, alloc)) return 1u;
    }
    acl->privilegeLevel = level ? *level : 1;
    return GENU_MakeEmbeddedDistNameString2(
        sl, &acl->domain, empty(domainValue) ? nullptr : domainValue, domainKind, alloc);
  });
}

uint32_t GENU_MakeONCACL(STF_statusList_t *sl, GEN_PSISAccessControlList_t **out, const char *name,
                         const GEN_ACLNameType_t *nameType, const GEN_ACLPrivilegeLevel_t *level,
                         const AS_allocateDescriptor_t *alloc) {
  if (nameType && *nameType != 0 && empty(name)) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  GEN_PSISAccessControlList_t borrowed{};
  borrowed.choice = 1;
  GEN_ACLNameType_t allUsers = 0;
  const char *principal = name;
  if (nameType && *nameType == 0) {
    principal = "";
    borrowed.nameType = const_cast<GEN_ACLNameType_t *>(nameType);
  } else if (!nameType && empty(name)) {
    borrowed.nameType = &allUsers;
  } else {
    borrowed.nameType = const_cast<GEN_ACLNameType_t *>(nameType);
  }
  if (GENU_MakeEmbeddedSimpleName(sl, &borrowed.name, principal, alloc)) return 1;
  borrowed.privilegeLevel = const_cast<GEN_ACLPrivilegeLevel_t *>(level);
  return genu::Copy(sl, &genu::kPSISAccessControlListLayout, reinterpret_cast<void **>(out),
                    &borrowed, alloc);
}

uint32_t GENU_eACLFromText(STF_statusList_t *sl, GEN_ExtACL_t **out, const char *text) {
  std::string name, domainValue;
  uint32_t kind = 0, nameType = 0, level = 0;
  bool seen[4] = {false, false, false, false};
  Scanner sc{text ? text : ""};
  std::string key, eq, value;
  while (sc.next(&key)) {
    static const char *const kKeys[] = {"name", "domain", "name-type", "privilege-level"};
    int k = -1;
    for (int i = 0; i < 4; ++i)
      if (strcasecmp(key.c_str(), kKeys[i]) == 0) k = i;
    if (k < 0 || seen[k] || !sc.next(&eq) || eq != "=") return STF__Fail(sl, GENU_ST_BAD_VALUE);
    seen[k] = true;
    const char *before = sc.p;
    if (!sc.next(&value) || value == "=") {
      sc.p = before;
      value.clear();
    }
    if (k == 0) {
      name = value;
    } else if (k == 1) {
      size_t colon = value.find(':');
      if (colon == std::string::npos) {
        domainValue = value;
      } else {
        std::string kindName = value.substr(0, colon);
        domainValue = value.substr(colon + 1);
        if (!kindName.empty() && !lookup(kTextDomains, kindName, &kind))
          return STF__Fail(sl, GENU_ST_BAD_VALUE);
      }
    } else if (k == 2 ? !lookup(kNameTypes, value, &nameType) : !lookup(kLevels, value, &level)) {
      return STF__Fail(sl, GENU_ST_BAD_VALUE);
    }
  }
  return GENU_MakeACL(sl, out, name.c_str(), domainValue.c_str(), kind,
                      seen[2] ? &nameType : nullptr, seen[3] ? &level : nullptr, nullptr);
}

uint32_t GENU_ACLToText(STF_statusList_t *sl, char **out, const GEN_ExtACL_t *) {
  if (out) *out = nullptr;
  return STF__Fail(sl, GENU_ST_NOT_COMPARABLE);
}

uint32_t GENU_ACLToPSIS(STF_statusList_t *sl, GEN_PSISAccessControlList_t **out,
                        const GEN_ExtACL_t *acl) {
  if (!out || !acl) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  *out = nullptr;
  if (!acl->domain.nameOrOid) return 1;
  uint32_t kind = genu::DomainKindOf(&acl->domain);
  std::string principal, value, joined;
  char *v = nullptr;
  if (extractName(sl, &acl->principal, &principal)) return 1;
  if (GENU_ExtractText(sl, &v, &acl->domain.text, nullptr)) return 1;
  value = v;
  free(v);
  if (kind == 0)
    joined = principal;
  else if (kind == kNis || kind == kDns || kind == kFile || kind == kNisPlus)
    joined = principal + "@" + value;
  else if (genu::IsWindowsDomain(kind))
    joined = value + "\\" + principal;
  else
    return STF__Fail(sl, GENU_ST_NOT_COMPARABLE);
  GEN_ACLNameType_t group = 2;
  GEN_ACLPrivilegeLevel_t endUser = 1;
  return GENU_MakeONCACL(sl, out, joined.c_str(), &group, &endUser, nullptr);
}

uint32_t GENU_ACLFromPSIS(STF_statusList_t *sl, GEN_ExtACL_t **out,
                          const GEN_PSISAccessControlList_t *list) {
  if (!out || !list) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  *out = nullptr;
  std::string name;
  GEN_ACLNameType_t nameType = 2;
  GEN_ACLPrivilegeLevel_t level = 1;
  if (list->choice == 1) {
    if (extractName(sl, &list->name, &name)) return 1;
    if (list->nameType) nameType = *list->nameType;
    if (list->privilegeLevel) level = *list->privilegeLevel;
  } else if (list->choice == 2) {
    char *s = nullptr;
    if (GENU_ExtractOctetString(sl, &s, &list->dceList, nullptr)) return 1;
    name = s;
    free(s);
  } else {
    return STF__Fail(sl, GENU_ST_BAD_VALUE);
  }
  size_t at = name.find('@');
  if (at == std::string::npos)
    return GENU_MakeACL(sl, out, name.c_str(), nullptr, 0, &nameType, &level, nullptr);
  if (name == "@") return GENU_MakeACL(sl, out, nullptr, nullptr, kAny, &nameType, &level, nullptr);
  std::string principal = name.substr(0, at), domain = name.substr(at + 1);
  uint32_t kind = domain.find('.') != std::string::npos             ? kDns
                  : domain.find_first_of("<>") != std::string::npos ? kFile
                                                                    : kNis;
  return GENU_MakeACL(sl, out, principal.c_str(), domain.c_str(), kind, &nameType, &level, nullptr);
}

}  // extern "C"
