// O/R names: the built-in standard attributes, then the domain-defined attributes
// (bit 0x80), the extension attributes with the common name first (0x40) and the
// directory name (0x20).
#include "x400_int.h"

namespace genu = kq::genu;
namespace x400 = kq::genu::x400;

namespace {

// The common name as the extension attribute of type 1: an ISO 646 Text of 1 to 64
// characters.
int CommonNameToWire(STF_statusList_t *status, ExtensionAttribute *out, const GEN_Text_t *in) {
  if (in->choice != GEN_TEXT_ISO646 || !in->u.string) return STF__Fail(status, GENU_ST_BAD_VALUE);
  char value[GEN_X400_COMMON_NAME_SIZE];
  if (x400::CopyBounded(status, value, sizeof value, in->u.string, GEN_TEXT_MAX + 1, 1)) return 1;
  GEN_ExtensionAttr_t attr{
      GEN_X400_COMMON_NAME,
      {static_cast<int32_t>(sizeof value), reinterpret_cast<unsigned char *>(value)}};
  return ToBER_extensionAttr(status, out, &attr);
}

// The common name (when there is one) followed by the generic extension attributes.
int ExtensionsToWire(STF_statusList_t *status, ExtensionAttributes_node **out,
                     const GEN_StandardAttrs_t &in) {
  *out = nullptr;
  ExtensionAttributes_node *rest = nullptr;
  if (in.extensions && ToBER_extensionAttributes(status, &rest, in.extensions)) return 1;
  if (in.commonName) {
    ExtensionAttributes_node **tail = out;
    if (x400::Append(status, tail, [&](ExtensionAttribute *v) {
          return CommonNameToWire(status, v, in.commonName);
        })) {
      kq::stf::ScratchList scratch;
      FreeBER_extensionAttributes(scratch, &rest);
      return 1;
    }
    *tail = rest;
  } else {
    *out = rest;
  }
  return 0;
}

// The first extension attribute of type 1 becomes the common name; the others go
// to the extension list (left null when none).
int ExtensionsToGen(STF_statusList_t *status, ExtensionAttributes_node *const *in,
                    GEN_StandardAttrs_t *out) {
  GEN_ExtensionAttrs_t list{nullptr};
  if (ToGEN_extensionAttributes(status, in, &list)) return 1;
  for (GEN_ValueSeq_t **p = &list.first; *p; p = &(*p)->next) {
    auto *attr = static_cast<GEN_ExtensionAttr_t *>((*p)->value);
    if (attr->type != GEN_X400_COMMON_NAME) continue;
    auto *text = static_cast<GEN_Text_t *>(calloc(1, sizeof(GEN_Text_t)));
    char *string = text ? strdup(reinterpret_cast<const char *>(attr->value.value)) : nullptr;
    if (!string) {
      free(text);
      x400::DeleteSeq(&genu::kExtensionAttrLayout, &list.first);
      return STF__Fail(status, GENU_ST_NO_MEMORY);
    }
    text->choice = GEN_TEXT_ISO646;
    text->u.string = string;
    out->commonName = text;
    GEN_ValueSeq_t *taken = *p;
    *p = taken->next;
    taken->next = nullptr;
    x400::DeleteSeq(&genu::kExtensionAttrLayout, &taken);
    break;
  }
  if (!list.first) return 0;
  out->extensions = static_cast<GEN_ExtensionAttrs_t *>(malloc(sizeof(GEN_ExtensionAttrs_t)));
  if (!out->extensions) {
    x400::DeleteSeq(&genu::kExtensionAttrLayout, &list.first);
    return STF__Fail(status, GENU_ST_NO_MEMORY);
  }
  *out->extensions = list;
  return 0;
}

int OrNameToWire(STF_statusList_t *status, ORName *out, const GEN_ORName_t *in) {
  const GEN_StandardAttrs_t &a = in->address;
  if (ToBER_standardAttributes(status, &out->standard_attributes, &a)) return 1;
  if (a.domainDefined && a.domainDefined->count != 0) {
    if (ToBER_domainDefinedAttributes(status, &out->domain_defined_attributes, a.domainDefined))
      return 1;
    out->bit_mask |= 0x80;
  }
  if (ExtensionsToWire(status, &out->extension_attributes, a)) return 1;
  if (out->extension_attributes) out->bit_mask |= 0x40;
  if (in->directoryName) {
    out->directory_name.choice = 1;
    if (ToBER_name(status, &out->directory_name.u.rdn_sequence, in->directoryName)) return 1;
    out->bit_mask |= 0x20;
  }
  return 0;
}

int OrNameToGen(STF_statusList_t *status, const ORName *in, GEN_ORName_t *out) {
  GEN_StandardAttrs_t &a = out->address;
  if (ToGEN_standardAttributes(status, &in->standard_attributes, &a)) return 1;
  if (in->bit_mask & 0x80) {
    auto *dd = static_cast<GEN_DomainDefinedAttrs_t *>(calloc(1, sizeof(GEN_DomainDefinedAttrs_t)));
    if (!dd) return STF__Fail(status, GENU_ST_NO_MEMORY);
    if (ToGEN_domainDefinedAttributes(status, &in->domain_defined_attributes, dd)) {
      free(dd);
      return 1;
    }
    a.domainDefined = dd;
  }
  if ((in->bit_mask & 0x40) && ExtensionsToGen(status, &in->extension_attributes, &a)) return 1;
  if (in->bit_mask & 0x20) {
    if (in->directory_name.choice != 1) return STF__Fail(status, GENU_ST_BAD_VALUE);
    auto *name = static_cast<GEN_Name_t *>(calloc(1, sizeof(GEN_Name_t)));
    if (!name) return STF__Fail(status, GENU_ST_NO_MEMORY);
    if (ToGEN_name(status, &in->directory_name.u.rdn_sequence, name)) {
      free(name);
      return 1;
    }
    out->directoryName = name;
  }
  return 0;
}

}  // namespace

extern "C" {

int ToBER_orName(STF_statusList_t *status, ORName *out, const GEN_ORName_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (OrNameToWire(status, out, in)) {
    kq::stf::ScratchList scratch;
    FreeBER_orName(scratch, out);
    return 1;
  }
  return 0;
}

int ToGEN_orName(STF_statusList_t *status, const ORName *in, GEN_ORName_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (OrNameToGen(status, in, out)) {
    kq::stf::ScratchList scratch;
    genu::DeepDelete(scratch, &genu::kORNameLayout, out, nullptr);
    return 1;
  }
  return 0;
}

// Releases every chain whatever the bits say (a chain not converted is null).
int FreeBER_orName(STF_statusList_t *status, ORName *wire) {
  if (!status) return 1;
  if (!wire) return STF__Fail(status, GENU_ST_NULL_DELETE);
  int failed = FreeBER_standardAttributes(status, &wire->standard_attributes);
  failed |= FreeBER_domainDefinedAttributes(status, &wire->domain_defined_attributes);
  failed |= FreeBER_extensionAttributes(status, &wire->extension_attributes);
  failed |= FreeBER_name(status, &wire->directory_name.u.rdn_sequence);
  wire->bit_mask = 0;
  return failed;
}

}  // extern "C"
