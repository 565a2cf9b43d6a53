// Shared by the X.400 tests: random O/R names and directory names made
// representable on the wire, valid extension attribute values of every type, and
// the trip of a wire O/R name or distinguished name through the real coder (both
// travel inside a delivery address).
#pragma once

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "../wire/wire_test_support.h"

namespace x400test {

using genvtest::Status;

inline uint32_t Pick(std::mt19937 &rng, uint32_t n) { return static_cast<uint32_t>(rng() % n); }

// `n` characters from `alphabet`, NUL-padded to the end of `out`.
template <size_t N>
void Fill(char (&out)[N], std::mt19937 &rng, uint32_t minLength, uint32_t maxLength,
          const char *alphabet =
              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 '()+,-./:=?") {
  memset(out, 0, N);
  uint32_t n = minLength + Pick(rng, maxLength - minLength + 1);
  size_t k = strlen(alphabet);
  for (uint32_t i = 0; i < n; ++i) out[i] = alphabet[Pick(rng, static_cast<uint32_t>(k))];
}
constexpr const char *kDigits = "0123456789";

inline void FillUnits(GEN_OrganizationUnitNames_t *u, std::mt19937 &rng) {
  memset(u, 0, sizeof *u);
  u->count = static_cast<int16_t>(1 + Pick(rng, 4));
  for (int i = 0; i < u->count; ++i) Fill(u->units[i].value, rng, 1, 32);
}
inline void FillDomainAttrs(GEN_DomainDefinedAttrs_t *d, std::mt19937 &rng) {
  memset(d, 0, sizeof *d);
  d->count = static_cast<int16_t>(1 + Pick(rng, 4));
  for (int i = 0; i < d->count; ++i) {
    Fill(d->attrs[i].type, rng, 1, 8);
    Fill(d->attrs[i].value, rng, 1, 128);
  }
}
inline void FillPerson(GEN_PersonalName_t *p, std::mt19937 &rng) {
  Fill(p->surname, rng, 1, 40);
  Fill(p->givenName, rng, 0, 16);
  Fill(p->initials, rng, 0, 5);
  Fill(p->generation, rng, 0, 3);
}
inline void FillCountry(GEN_CountryName_t *c, std::mt19937 &rng) {
  memset(c, 0, sizeof *c);
  c->choice = static_cast<int32_t>(1 + Pick(rng, 2));
  if (c->choice == 1)
    Fill(c->value, rng, 3, 3, kDigits);
  else
    Fill(c->value, rng, 2, 2, "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
}

// A valid generic value of extension attribute type `type` (1..23), as the decoder
// gives it back: the record's bytes, zero-filled around the fields.
inline GEN_OctetString_t ExtensionValue(int32_t type, std::mt19937 &rng) {
  size_t size = 0;
  union {
    char name[65];
    GEN_PersonalName_t person;
    GEN_OrganizationUnitNames_t units;
    GEN_DomainDefinedAttrs_t attrs;
    GEN_CountryName_t country;
    GEN_PostalCode_t postal;
    GEN_PdsParameter_t param;
    GEN_UnformatPostalAddr_t address;
    GEN_ExtNetworkAddr_t network;
    int32_t terminal;
  } v;
  memset(&v, 0, sizeof v);
  switch (type) {
    case 1:
    case 2:
    case 3:
      Fill(v.name, rng, 1, 64);
      size = 65;
      break;
    case 4:
      FillPerson(&v.person, rng);
      size = sizeof v.person;
      break;
    case 5:
      FillUnits(&v.units, rng);
      size = sizeof v.units;
      break;
    case 6:
      FillDomainAttrs(&v.attrs, rng);
      size = sizeof v.attrs;
      break;
    case 7: {
      char pds[17];
      Fill(pds, rng, 1, 16);
      memcpy(v.name, pds, sizeof pds);
      size = 17;
      break;
    }
    case 8:
      FillCountry(&v.country, rng);
      size = sizeof v.country;
      break;
    case 9:
      v.postal.choice = static_cast<int32_t>(1 + Pick(rng, 2));
      if (v.postal.choice == 1)
        Fill(v.postal.value, rng, 1, 16, kDigits);
      else
        Fill(v.postal.value, rng, 1, 16);
      size = sizeof v.postal;
      break;
    case 16:
      v.address.count = static_cast<int16_t>(Pick(rng, 7));
      for (int i = 0; i < v.address.count; ++i) Fill(v.address.lines[i], rng, 1, 30);
      size = sizeof v.address;
      break;
    case 22:
      Fill(v.network.number, rng, 1, 15, kDigits);
      Fill(v.network.subAddress, rng, 0, 40, kDigits);
      size = sizeof v.network;
      break;
    case 23:
      v.terminal = static_cast<int32_t>(Pick(rng, 257));
      size = sizeof v.terminal;
      break;
    default:
      Fill(v.param.value, rng, 0, 30);
      size = sizeof v.param;
      break;  // PDS parameters
  }
  auto *bytes = static_cast<unsigned char *>(malloc(size + 1));
  memcpy(bytes, &v, size);
  bytes[size] = 0;
  return GEN_OctetString_t{static_cast<int32_t>(size), bytes};
}

// Replaces a generic part by `fresh` (or deletes it when fresh is null).
template <typename G>
void Replace(G *&slot, G *fresh) {
  free(slot);
  slot = fresh;
}
template <typename G>
G *Fresh() {
  return static_cast<G *>(calloc(1, sizeof(G)));
}

inline void FixName(GEN_Name_t *name) {
  name->choice = 1;
  for (GEN_ValueSeq_t *r = name->rdnSequence.first; r; r = r->next)
    for (GEN_ValueSeq_t *c = static_cast<GEN_SetOfNameComponent_t *>(r->value)->first; c;
         c = c->next) {
      auto *component = static_cast<GEN_NameComponent_t *>(c->value);
      component->type = wiretest::ValidOid(component->type);
      wiretest::FixCodeSet(&component->value);
    }
}

// A random O/R name with every part the wire holds in the form the wire gives back.
inline void FixOrName(GEN_ORName_t *o, std::mt19937 &rng) {
  GEN_StandardAttrs_t &a = o->address;
  Status s;
  if (a.country) FillCountry(a.country, rng);
  for (GEN_DomainName_t *d : {a.adminDomain, a.privateDomain})
    if (d) Fill(d->value, rng, 0, 16, d->choice == 1 ? kDigits : "ABCdef 012");
  if (a.networkAddress) Fill(a.networkAddress->value, rng, 1, 15, kDigits);
  if (a.terminalIdentifier) Fill(a.terminalIdentifier->value, rng, 1, 24);
  if (a.organization) Fill(a.organization->value, rng, 1, 64);
  if (a.numericUserId) Fill(a.numericUserId->value, rng, 1, 32, kDigits);
  if (a.personalName) FillPerson(a.personalName, rng);
  if (a.organizationUnits) FillUnits(a.organizationUnits, rng);
  if (a.domainDefined) FillDomainAttrs(a.domainDefined, rng);
  if (a.commonName) {
    GEN_DeepDeleteText(s, a.commonName, nullptr);
    char name[65];
    Fill(name, rng, 1, 64);
    a.commonName->choice = GEN_TEXT_ISO646;
    a.commonName->u.string = strdup(name);
  }
  if (a.extensions) {
    if (!a.extensions->first) Replace(a.extensions, static_cast<GEN_ExtensionAttrs_t *>(nullptr));
    for (GEN_ValueSeq_t *n = a.extensions ? a.extensions->first : nullptr; n; n = n->next) {
      auto *e = static_cast<GEN_ExtensionAttr_t *>(n->value);
      free(e->value.value);
      // Without a common name a first type 1 would come back as the common name.
      e->type = static_cast<int32_t>((a.commonName ? 1 : 2) + Pick(rng, a.commonName ? 23 : 22));
      e->value = ExtensionValue(e->type, rng);
    }
  }
  if (o->directoryName) FixName(o->directoryName);
}

// A small valid O/R name with a part of every kind, for tests to spoil or trim.
struct Address {
  GEN_CountryName_t country{2, "FR"};
  GEN_OrganizationName_t organization{"Accounts"};
  GEN_PersonalName_t person{"Durand", "Anne", "", ""};
  GEN_OrganizationUnitNames_t units{2, {{"Sales"}, {"North"}}};
  GEN_DomainDefinedAttrs_t attrs{1, {{"RFC-822", "a(a)b.fr"}}};
  GEN_Text_t commonName{};
  int32_t terminalType = 3;
  GEN_ExtensionAttr_t terminal{23, {4, reinterpret_cast<unsigned char *>(&terminalType)}};
  GEN_ValueSeq_t extensionNode{nullptr, &terminal};
  GEN_ExtensionAttrs_t extensions{&extensionNode};
  GEN_Text_t componentText{};
  GEN_NameComponent_t component{369, {}};
  GEN_ValueSeq_t componentNode{nullptr, &component};
  GEN_SetOfNameComponent_t rdn{&componentNode};
  GEN_ValueSeq_t rdnNode{nullptr, &rdn};
  GEN_Name_t directory{1, {&rdnNode}};
  GEN_ORName_t name{};
  Address() {
    commonName.choice = GEN_TEXT_ISO646;
    commonName.u.string = const_cast<char *>("Anne Durand");
    componentText.choice = GEN_TEXT_ISO646;
    componentText.u.string = const_cast<char *>("Paris");
    component.value = componentText;
    GEN_StandardAttrs_t &a = name.address;
    a.country = &country;
    a.organization = &organization;
    a.personalName = &person;
    a.organizationUnits = &units;
    a.domainDefined = &attrs;
    a.commonName = &commonName;
    a.extensions = &extensions;
    name.directoryName = &directory;
  }
  Address(const Address &) = delete;
};

// Owns a wire delivery address holding an O/R name or a distinguished name built by
// a converter, and the decoded copy after a trip through the coder.
struct Trip {
  DeliveryAddress *sent = static_cast<DeliveryAddress *>(calloc(1, sizeof(DeliveryAddress)));
  DeliveryAddress *received = nullptr;
  ~Trip() {
    if (received) GENU_OssFreePDU(nullptr, DeliveryAddress_PDU, received);
    free(sent);
  }
  // Encodes `sent` and decodes it again; 0 on success.
  int Run() {
    OssBuf encoded{0, nullptr};
    if (GENU_OssEncode(nullptr, DeliveryAddress_PDU, sent, &encoded)) return 1;
    int pdu = DeliveryAddress_PDU;
    void *out = nullptr;
    int rc = GENU_OssDecode(nullptr, &pdu, &encoded, &out);
    free(encoded.value);
    received = static_cast<DeliveryAddress *>(out);
    return rc || !out;
  }
};

}  // namespace x400test
