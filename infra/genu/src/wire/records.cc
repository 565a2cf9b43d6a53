// Converters of the small records built from the simple member types: locales,
// distinguished name strings, new job identifiers, input tray media and identifier
// to number maps. Wire parts of these records are all inline; the generic side owns
// its optional parts, which a failed conversion releases again.
#include <cstdlib>
#include <cstring>

#include "internal/stf_scratch.h"
#include "private/genu_wire_int.h"

namespace genu = kq::genu;

namespace {

// A two-letter locale code (language or country): the wire takes exactly two bytes.
template <typename W>
int CodeToBer(STF_statusList_t *status, W *out, const GEN_LocaleCode_t &in) {
  if (in.length != 2) return genu::WireBad(status);
  out->length = static_cast<uint16_t>(in.length);
  memcpy(out->value, in.value, static_cast<size_t>(in.length));
  return 0;
}
template <typename W>
int CodeToGen(STF_statusList_t *status, const W *in, GEN_LocaleCode_t *out) {
  if (in->length > 2) return genu::WireBad(status);
  out->length = static_cast<int16_t>(in->length);
  memcpy(out->value, in->value, in->length);
  return 0;
}

}  // namespace

extern "C" {

int ToBER_locale(STF_statusList_t *status, Locale *out, const GEN_Locale_t *in) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  if (CodeToBer(status, &out->language, in->language) ||
      CodeToBer(status, &out->country, in->country) ||
      ToBER_oid(status, &out->code_set, &in->codeSet))
    return 1;
  if (in->dpaLocale.length < 0) return genu::WireBad(status);
  out->bit_mask = in->dpaLocale.length > 0 ? 0x80 : 0;
  out->dpa_locale.length = static_cast<uint16_t>(in->dpaLocale.length);
  memcpy(out->dpa_locale.value, in->dpaLocale.value, static_cast<size_t>(in->dpaLocale.length));
  return 0;
}

int ToGEN_locale(STF_statusList_t *status, const Locale *in, GEN_Locale_t *out) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  memset(out, 0, sizeof *out);
  if (CodeToGen(status, &in->language, &out->language) ||
      CodeToGen(status, &in->country, &out->country) ||
      ToGEN_oid(status, &in->code_set, &out->codeSet))
    return 1;
  if ((in->bit_mask & 0x80) && in->dpa_locale.length) {
    if (in->dpa_locale.length > sizeof out->dpaLocale.value) return genu::WireBad(status);
    out->dpaLocale.length = static_cast<int16_t>(in->dpa_locale.length);
    memcpy(out->dpaLocale.value, in->dpa_locale.value, in->dpa_locale.length);
  }
  return 0;
}

int ToBER_distNameString(STF_statusList_t *status, DistNameString *out,
                         const GEN_DistNameString_t *in) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  out->bit_mask = in->nameOrOid ? 0x80 : 0;
  if (ToBER_text(status, &out->text, &in->text)) return 1;
  return in->nameOrOid ? ToBER_nameOrOid(status, &out->name_or_oid, in->nameOrOid) : 0;
}

int ToGEN_distNameString(STF_statusList_t *status, const DistNameString *in,
                         GEN_DistNameString_t *out) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  memset(out, 0, sizeof *out);
  if (ToGEN_text(status, &in->text, &out->text)) return 1;
  if (!(in->bit_mask & 0x80)) return 0;
  auto *kind = static_cast<GEN_NameOrOID_t *>(calloc(1, sizeof(GEN_NameOrOID_t)));
  if (!kind || ToGEN_nameOrOid(status, &in->name_or_oid, kind)) {
    if (!kind) STF_AddStatus(status, GENU_ST_NO_MEMORY, 0);
    free(kind);
    GEN_DeepDeleteText(status, &out->text, nullptr);
    memset(out, 0, sizeof *out);
    return 1;
  }
  out->nameOrOid = kind;
  return 0;
}

int ToBER_newJobIdentifier(STF_statusList_t *status, NewJobIdentifier *out,
                           const GEN_NewJobIdentifier_t *in) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  if (ToBER_distNameString(status, &out->server_name, &in->serverName)) return 1;
  return ToBER_jobId(status, &out->local_identifier, &in->local);
}

int ToGEN_newJobIdentifier(STF_statusList_t *status, const NewJobIdentifier *in,
                           GEN_NewJobIdentifier_t *out) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  memset(out, 0, sizeof *out);
  if (ToGEN_distNameString(status, &in->server_name, &out->serverName)) return 1;
  if (ToGEN_jobId(status, &in->local_identifier, &out->local)) {
    GEN_DeepDeleteDistNameString(status, &out->serverName, nullptr);
    memset(out, 0, sizeof *out);
    return 1;
  }
  return 0;
}

int ToBER_inputTrayMedium(STF_statusList_t *status, InputTrayMedium *out,
                          const GEN_InputTrayMedium_t *in) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  if (ToBER_nameOrOid(status, &out->input_tray, &in->inputTray)) return 1;
  return ToBER_nameOrOid(status, &out->medium, &in->medium);
}

int ToGEN_inputTrayMedium(STF_statusList_t *status, const InputTrayMedium *in,
                          GEN_InputTrayMedium_t *out) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  memset(out, 0, sizeof *out);
  if (ToGEN_nameOrOid(status, &in->input_tray, &out->inputTray)) return 1;
  return ToGEN_nameOrOid(status, &in->medium, &out->medium);
}

int ToBER_oidCardinalMap(STF_statusList_t *status, OidCardinalMap *out,
                         const GEN_OidCardinalMap_t *in) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  out->bit_mask = in->oid ? 0x80 : 0;
  out->cardinal = static_cast<int32_t>(in->cardinal);
  return in->oid ? ToBER_oid(status, &out->oid, in->oid) : 0;
}

int ToGEN_oidCardinalMap(STF_statusList_t *status, const OidCardinalMap *in,
                         GEN_OidCardinalMap_t *out) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  *out = GEN_OidCardinalMap_t{nullptr, static_cast<uint32_t>(in->cardinal)};
  if (!(in->bit_mask & 0x80)) return 0;
  auto *oid = static_cast<uint32_t *>(malloc(sizeof(uint32_t)));
  if (!oid) return STF__Fail(status, GENU_ST_NO_MEMORY);
  if (ToGEN_oid(status, &in->oid, oid)) {
    free(oid);
    return 1;
  }
  out->oid = oid;
  return 0;
}

}  // extern "C"

extern "C" {

int ToBER_numbersUpSupported(STF_statusList_t *status, NumbersUpSupported *out,
                             const GEN_NumbersUpSupported_t *in) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  out->choice = static_cast<uint16_t>(in->choice);
  switch (in->choice) {
    case 1:
      out->u.cardinal = in->u.cardinal;
      return 0;
    case 2:
      return ToBER_nameOrOid(status, &out->u.name_or_oid, &in->u.nameOrOid);
    case 3:
      return ToBER_cardinalRange(status, &out->u.cardinal_range, &in->u.range);
    default:
      return genu::WireBad(status);
  }
}

int ToGEN_numbersUpSupported(STF_statusList_t *status, const NumbersUpSupported *in,
                             GEN_NumbersUpSupported_t *out) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  memset(out, 0, sizeof *out);
  out->choice = in->choice;
  switch (in->choice) {
    case 1:
      out->u.cardinal = in->u.cardinal;
      return 0;
    case 2:
      return ToGEN_nameOrOid(status, &in->u.name_or_oid, &out->u.nameOrOid);
    case 3:
      return ToGEN_cardinalRange(status, &in->u.cardinal_range, &out->u.range);
    default:
      return genu::WireBad(status);
  }
}

int ToBER_fontReference(STF_statusList_t *status, FontReference *out,
                        const GEN_FontReference_t *in) {
  if (!status) return 1;
  if (!out || !in || in->choice != 1) return genu::WireBad(status);
  out->choice = 1;
  return ToBER_simpleName(status, &out->u.simple_name, &in->name);
}

int ToGEN_fontReference(STF_statusList_t *status, const FontReference *in,
                        GEN_FontReference_t *out) {
  if (!status) return 1;
  if (!out || !in || in->choice != 1) return genu::WireBad(status);
  memset(out, 0, sizeof *out);
  out->choice = 1;
  return ToGEN_simpleName(status, &in->u.simple_name, &out->name);
}

int ToBER_docFormat(STF_statusList_t *status, DocumentFormat *out, const GEN_DocumentFormat_t *in) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  out->bit_mask = static_cast<uint8_t>((in->variants ? 0x80 : 0) | (in->version ? 0x40 : 0));
  if (ToBER_oid(status, &out->format, &in->format)) return 1;
  if (in->variants && ToBER_text(status, &out->variants, in->variants)) return 1;
  return in->version ? ToBER_simpleName(status, &out->version, in->version) : 0;
}

int ToGEN_docFormat(STF_statusList_t *status, const DocumentFormat *in, GEN_DocumentFormat_t *out) {
  if (!status) return 1;
  if (!out || !in) return genu::WireBad(status);
  *out = GEN_DocumentFormat_t{0, nullptr, nullptr};
  if (ToGEN_oid(status, &in->format, &out->format)) return 1;
  if (in->bit_mask & 0x80) {
    out->variants = static_cast<GEN_Text_t *>(calloc(1, sizeof(GEN_Text_t)));
    if (!out->variants) return STF__Fail(status, GENU_ST_NO_MEMORY);
    if (ToGEN_text(status, &in->variants, out->variants)) {
      free(out->variants);
      out->variants = nullptr;
      return 1;
    }
  }
  if (in->bit_mask & 0x40) {
    out->version = static_cast<GEN_SimpleName_t *>(calloc(1, sizeof(GEN_SimpleName_t)));
    if (!out->version || ToGEN_simpleName(status, &in->version, out->version)) {
      if (!out->version) STF_AddStatus(status, GENU_ST_NO_MEMORY, 0);
      free(out->version);
      out->version = nullptr;
      GEN_DeepDeleteDocumentFormat(kq::stf::ScratchList(), out, nullptr);
      *out = GEN_DocumentFormat_t{0, nullptr, nullptr};
      return 1;
    }
  }
  return 0;
}

}  // extern "C"
