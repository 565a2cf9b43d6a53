// X.400 O/R names on the wire: a full delivery-address O/R name (every built-in
// attribute, four organizational units, two domain-defined attributes, a common
// name, three extension attributes and a two-level directory name) converted and
// encoded inside a delivery address, and the way back: decoded and converted.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "infra/genu.h"
#include "internal/ber_mod_kq_0b.h"

namespace {

struct Sample {
  GEN_CountryName_t country{2, "GB"};
  GEN_DomainName_t admin{2, "GOLD 400"}, priv{2, "PrintCo"};
  GEN_NetworkAddress_t network{"4412345678"};
  GEN_TerminalIdentifier_t terminal{"TERM-7"};
  GEN_OrganizationName_t organization{"Print Services Ltd"};
  GEN_NumericUserId_t user{"0042"};
  GEN_PersonalName_t person{"Smith", "John", "JQ", "III"};
  GEN_OrganizationUnitNames_t units{4, {{"Operations"}, {"Printing"}, {"Floor 3"}, {"Room 12"}}};
  GEN_DomainDefinedAttrs_t attrs{2, {{"RFC-822", "jsmith(a)printco.example"}, {"ROOM", "312"}}};
  GEN_Text_t commonName{};
  GEN_PostalCode_t postal{2, "SW1A 1AA"};
  GEN_PdsParameter_t office{"Westminster"};
  int32_t terminalType = 5;
  GEN_ExtensionAttr_t ext[3] = {
      {GEN_X400_POSTAL_CODE, {sizeof postal, reinterpret_cast<unsigned char *>(&postal)}},
      {10, {sizeof office, reinterpret_cast<unsigned char *>(&office)}},
      {GEN_X400_TERMINAL_TYPE,
       {sizeof terminalType, reinterpret_cast<unsigned char *>(&terminalType)}}};
  GEN_ValueSeq_t extNodes[3] = {
      {&extNodes[1], &ext[0]}, {&extNodes[2], &ext[1]}, {nullptr, &ext[2]}};
  GEN_ExtensionAttrs_t extensions{&extNodes[0]};
  GEN_NameComponent_t components[2] = {{369, {}}, {370, {}}};
  GEN_ValueSeq_t componentNodes[2] = {{nullptr, &components[0]}, {nullptr, &components[1]}};
  GEN_SetOfNameComponent_t rdns[2] = {{&componentNodes[0]}, {&componentNodes[1]}};
  GEN_ValueSeq_t rdnNodes[2] = {{&rdnNodes[1], &rdns[0]}, {nullptr, &rdns[1]}};
  GEN_Name_t directory{1, {&rdnNodes[0]}};
  GEN_ORName_t name{};
  Sample() {
    commonName.choice = GEN_TEXT_ISO646;
    commonName.u.string = const_cast<char *>("John Smith");
    for (int i = 0; i < 2; ++i) {
      components[i].value.choice = GEN_TEXT_ISO646;
      components[i].value.u.string = const_cast<char *>(i ? "Printers" : "UK");
    }
    name.address =
        GEN_StandardAttrs_t{&country, &admin,  &network, &terminal, &priv,       &organization,
                            &user,    &person, &units,   &attrs,    &extensions, &commonName};
    name.directoryName = &directory;
  }
};

OssBuf Encode(STF_statusList_t *s, const Sample &sample, DeliveryAddress *wire) {
  wire->choice = 1;
  OssBuf encoded{0, nullptr};
  if (ToBER_orName(s, &wire->u.or_name, &sample.name) ||
      GENU_OssEncode(nullptr, DeliveryAddress_PDU, wire, &encoded))
    abort();
  FreeBER_orName(s, &wire->u.or_name);
  return encoded;
}

void BM_OrNameToWire(benchmark::State &state) {
  STF_statusList_t *s = STF_CreateList(nullptr);
  Sample sample;
  auto *wire = static_cast<DeliveryAddress *>(calloc(1, sizeof(DeliveryAddress)));
  for (auto _ : state) {
    OssBuf encoded = Encode(s, sample, wire);
    benchmark::DoNotOptimize(encoded.value);
    free(encoded.value);
  }
  free(wire);
  STF_DeleteList(s);
}
BENCHMARK(BM_OrNameToWire)->Unit(benchmark::kMicrosecond);

void BM_WireToOrName(benchmark::State &state) {
  STF_statusList_t *s = STF_CreateList(nullptr);
  Sample sample;
  auto *wire = static_cast<DeliveryAddress *>(calloc(1, sizeof(DeliveryAddress)));
  OssBuf encoded = Encode(s, sample, wire);
  for (auto _ : state) {
    int pdu = DeliveryAddress_PDU;
    void *decoded = nullptr;
    OssBuf input = encoded;
    GEN_ORName_t back{};
    if (GENU_OssDecode(nullptr, &pdu, &input, &decoded) ||
        ToGEN_orName(s, &static_cast<DeliveryAddress *>(decoded)->u.or_name, &back))
      abort();
    GENU_OssFreePDU(nullptr, pdu, decoded);
    GEN_DeepDeleteORName(s, &back, nullptr);
  }
  free(encoded.value);
  free(wire);
  STF_DeleteList(s);
}
BENCHMARK(BM_WireToOrName)->Unit(benchmark::kMicrosecond);

}  // namespace
