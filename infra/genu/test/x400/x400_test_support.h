// Shared by the X.400 tests: random O/R names and directory names made
// representable on the wire, valid extension attribute values of every type, and
// the trip of a wire O/R name or distinguished name through the real coder (both
// travel inside a delivery address).
#ifndef KQ_INFRA_GENU_TEST_X400_X400_TEST_SUPPORT_H
#define KQ_INFRA_GENU_TEST_X400_X400_TEST_SUPPORT_H

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "../wire/wire_test_support.h"

namespace kq::genu::test {

using test::Status;

inline uint32_t Pick(std::mt19937 &rng, uint32_t n) { return static_cast<uint32_t>(rng() % n); }

// `n` characters from `alphabet`, NUL-padded to the end of `out`; returns its size.
constexpr const char *kAny =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 '()+,-./:=?";
template <size_t N>
size_t Fill(char (&out)[N], std::mt19937 &rng, uint32_t minLength, uint32_t maxLength,
            const char *alphabet = kAny) {
  memset(out, 0, N);
  uint32_t n = minLength + Pick(rng, maxLength - minLength + 1);
  size_t k = strlen(alphabet);
  for (uint32_t i = 0; i < n; ++i) out[i] = alphabet[Pick(rng, static_cast<uint32_t>(k))];
  return N;
}
constexpr const char *kDigits = "0123456789";
// The first `count` of `lines`, each of 1 to `max` characters.
template <size_t N, size_t M>
void FillEach(char (&lines)[M][N], int count, std::mt19937 &rng, uint32_t max) {
  for (int i = 0; i < count; ++i) Fill(lines[i], rng, 1, max);
}

// Random valid parts; each returns the size of its record.
inline size_t FillUnits(GEN_OrganizationUnitNames_t *u, std::mt19937 &rng) {
  memset(u, 0, sizeof *u);
  u->count = static_cast<int16_t>(1 + Pick(rng, 4));
  for (int i = 0; i < u->count; ++i) Fill(u->units[i].value, rng, 1, 32);
  return sizeof *u;
}
inline size_t FillDomainAttrs(GEN_DomainDefinedAttrs_t *d, std::mt19937 &rng) {
  memset(d, 0, sizeof *d);
  d->count = static_cast<int16_t>(1 + Pick(rng, 4));
  for (int i = 0; i < d->count; ++i)
    Fill(d->attrs[i].type, rng, 1, 8), Fill(d->attrs[i].value, rng, 1, 128);
  return sizeof *d;
}
inline size_t FillPerson(GEN_PersonalName_t *p, std::mt19937 &rng) {
  Fill(p->surname, rng, 1, 40), Fill(p->givenName, rng, 0, 16);
  Fill(p->initials, rng, 0, 5), Fill(p->generation, rng, 0, 3);
  return sizeof *p;
}
inline size_t FillCountry(GEN_CountryName_t *c, std::mt19937 &rng) {
  memset(c, 0, sizeof *c);
  c->choice = static_cast<int32_t>(1 + Pick(rng, 2));
  Fill(c->value, rng, c->choice == 1 ? 3 : 2, c->choice == 1 ? 3 : 2,
       c->choice == 1 ? kDigits : "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
  return sizeof *c;
}

// A valid generic value of extension attribute type `type` (1..23), as the decoder
// gives it back: the record's bytes, zero-filled around the fields.
inline GEN_OctetString_t ExtensionValue(int32_t type, std::mt19937 &rng) {
  union {
    char name[65];
    char pds[17];
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
  size_t size =
      type <= 3    ? Fill(v.name, rng, 1, 64)
      : type == 4  ? FillPerson(&v.person, rng)
      : type == 5  ? FillUnits(&v.units, rng)
      : type == 6  ? FillDomainAttrs(&v.attrs, rng)
      : type == 7  ? Fill(v.pds, rng, 1, 16)
      : type == 8  ? FillCountry(&v.country, rng)
      : type == 9  ? (v.postal.choice = static_cast<int32_t>(1 + Pick(rng, 2)),
                     Fill(v.postal.value, rng, 1, 16, v.postal.choice == 1 ? kDigits : kAny),
                     sizeof v.postal)
      : type == 16 ? (v.address.count = static_cast<int16_t>(Pick(rng, 7)),
                      FillEach(v.address.lines, v.address.count, rng, 30), sizeof v.address)
      : type == 22 ? (Fill(v.network.number, rng, 1, 15, kDigits),
                      Fill(v.network.subAddress, rng, 0, 40, kDigits), sizeof v.network)
      : type == 23 ? (v.terminal = static_cast<int32_t>(Pick(rng, 257)), sizeof v.terminal)
                   : Fill(v.param.value, rng, 0, 30);  // PDS parameters
  auto *bytes = static_cast<unsigned char *>(malloc(size + 1));
  memcpy(bytes, &v, size);
  bytes[size] = 0;
  return GEN_OctetString_t{static_cast<int32_t>(size), bytes};
}

inline void FixName(GEN_Name_t *name) {
  name->choice = 1;
  for (GEN_ValueSeq_t *r = name->rdnSequence.first; r; r = r->next)
    for (GEN_ValueSeq_t *c = static_cast<GEN_SetOfNameComponent_t *>(r->value)->first; c;
         c = c->next) {
      auto *component = static_cast<GEN_NameComponent_t *>(c->value);
      component->type = test::ValidOid(component->type);
      test::FixCodeSet(&component->value);
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
    if (!a.extensions->first) free(a.extensions), a.extensions = nullptr;
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

// O/R names and distinguished names travel through the coder inside a delivery address.
struct Trip : test::ThroughCoder<DeliveryAddress> {
  explicit Trip(DeliveryAddress *sent) : ThroughCoder(DeliveryAddress_PDU, sent) {}
};

}  // namespace kq::genu::test

#endif
