/* X.400 O/R names and directory names to the wire and back. Part of infra/genu.h.
 *
 * The converters follow the conventions of infra/genu_wire.h: ToBER_x(status, wire
 * out, generic in), ToGEN_x(status, wire in, generic out), FreeBER_x(status, wire);
 * 0 on success, 1 on failure with the reason in the status list and nothing left
 * allocated. String fields keep the upper bounds of the X.400 O/R address: a longer
 * value is refused with GENU_ST_TOO_LONG, an empty mandatory one or an unknown choice
 * with GENU_ST_BAD_VALUE. On the generic side an optional part is present when its
 * pointer is set (a counted list also needs a count above 0, a string a first
 * character); generic parts are allocated on the process heap and released by the
 * generic delete operations.
 *
 * The O/R name. The generic address keeps in one record what the wire splits into
 * the built-in standard attributes (ToBER_standardAttributes converts those nine)
 * and the O/R name's domain-defined attributes, extension attributes and directory
 * name (ToBER_orName converts the whole). The generic common name travels as the
 * extension attribute of type 1 (GEN_X400_COMMON_NAME), ahead of the other
 * extension attributes; it must be an ISO 646 Text (choice 1) of 1 to 64
 * characters. Back from the wire the first extension attribute of type 1 becomes
 * the common name again and every other one stays in the extension list.
 *
 * Extension attributes. A generic extension attribute holds, in its octet string,
 * the generic record of its type (the bytes of that record, its size as length):
 *   1, 2, 3 common names, 7 PDS name: a NUL-terminated string (65 and 17 bytes; a
 *     shorter NUL-terminated string is accepted on the way out);
 *   4 GEN_PersonalName_t; 5 GEN_OrganizationUnitNames_t; 6 GEN_DomainDefinedAttrs_t;
 *   8 GEN_CountryName_t; 9 GEN_PostalCode_t; 10 to 15 and 17 to 21
 *   GEN_PdsParameter_t; 16 GEN_UnformatPostalAddr_t; 22 GEN_ExtNetworkAddr_t;
 *   23 a 32-bit terminal type (0 to 256).
 * On the wire each value is encoded by itself under the record number of its type;
 * ToGEN_ decodes it again, so a malformed value is refused (GENU_ST_DECODE_FAILED).
 * Any other type is refused with GENU_ST_X400_EXTENSION_TYPE.
 *
 * Directory names. Four pairings of generic record and wire structure:
 *   NameComponent  GEN_NameComponent_t <-> AttributeTypeAndValue: the type a short
 *                  OID, the Text value encoded by itself as the open value;
 *   DpaRDN         GEN_SetOfNameComponent_t <-> RelativeDistinguishedName (the
 *                  components of one relative name, values as Text);
 *   DpaRDNSeq      GEN_RdnSeq_t <-> RDNSequence (a sequence of those);
 *   RDN            GEN_SetOfObjNameComponent_t <-> RelativeDistinguishedName with
 *                  each value kept as the encoded bytes it already is;
 *   name           GEN_Name_t (choice 1 only) <-> RDNSequence, the distinguished-name
 *                  form of delivery addresses and of the O/R name's directory name. */
#ifndef KQ_INFRA_GENU_X400_H
#define KQ_INFRA_GENU_X400_H

#include <stdint.h>

#include "genu_value.h"
#include "genu_wire.h"
#include "genu_world.h"
#include "kqexport.h"
#include "stf.h"

KQ_BEGIN_DECLS

#define GENU_ST_X400_EXTENSION_TYPE 0xc00e0085u /* unknown extension attribute type */

/* Extension attribute types. */
#define GEN_X400_COMMON_NAME 1
#define GEN_X400_TELETEX_COMMON_NAME 2
#define GEN_X400_UNIVERSAL_COMMON_NAME 3
#define GEN_X400_TELETEX_PERSONAL_NAME 4
#define GEN_X400_TELETEX_ORG_UNIT_NAMES 5
#define GEN_X400_TELETEX_DOMAIN_DEFINED_ATTRS 6
#define GEN_X400_PDS_NAME 7
#define GEN_X400_PHYSICAL_DELIVERY_COUNTRY_NAME 8
#define GEN_X400_POSTAL_CODE 9
#define GEN_X400_UNFORMATTED_POSTAL_ADDRESS 16
#define GEN_X400_EXTENDED_NETWORK_ADDRESS 22
#define GEN_X400_TERMINAL_TYPE 23
#define GEN_X400_COMMON_NAME_SIZE 65 /* 64 characters and the terminator */
#define GEN_X400_PDS_NAME_SIZE 17

struct ORName;
struct BuiltInStandardAttributes;
struct CountryName;
struct DomainName;
struct PersonalName;
struct OrganizationalUnitNames_node;
struct DomainDefinedAttribute;
struct DomainDefinedAttributes_node;
struct ExtensionAttribute;
struct ExtensionAttributes_node;
struct PostalCode;
struct PDSParameter;
struct UnformattedPostalAddress;
struct ExtendedNetworkAddress;
struct AttributeTypeAndValue;
struct RelativeDistinguishedName_node;
struct RDNSequence_node;

/* Records without allocated wire parts: GENU_DECLARE_CONVERTERS of genu_wire.h. */
GENU_DECLARE_CONVERTERS(countryName, CountryName, GEN_CountryName_t)
GENU_DECLARE_CONVERTERS(domainName, DomainName, GEN_DomainName_t)
GENU_DECLARE_CONVERTERS(personalName, PersonalName, GEN_PersonalName_t)
GENU_DECLARE_CONVERTERS(domainDefinedAttribute, DomainDefinedAttribute, GEN_DomainDefinedAttr_t)
GENU_DECLARE_CONVERTERS(postalCode, PostalCode, GEN_PostalCode_t)
GENU_DECLARE_CONVERTERS(PDSParam, PDSParameter, GEN_PdsParameter_t)
GENU_DECLARE_CONVERTERS(extNetworkAddr, ExtendedNetworkAddress, GEN_ExtNetworkAddr_t)

/* Records whose wire form owns list nodes or encoded values. */
#define GENU_DECLARE_OWNING_CONVERTERS(N, W, G) \
  GENU_DECLARE_CONVERTERS(N, W, G)              \
  KQ_EXPORT int FreeBER_##N(STF_statusList_t *status, struct W *wire);
GENU_DECLARE_OWNING_CONVERTERS(orName, ORName, GEN_ORName_t)
GENU_DECLARE_OWNING_CONVERTERS(standardAttributes, BuiltInStandardAttributes, GEN_StandardAttrs_t)
GENU_DECLARE_OWNING_CONVERTERS(unformatPostalAddr, UnformattedPostalAddress,
                               GEN_UnformatPostalAddr_t)
GENU_DECLARE_OWNING_CONVERTERS(extensionAttr, ExtensionAttribute, GEN_ExtensionAttr_t)
GENU_DECLARE_OWNING_CONVERTERS(NameComponent, AttributeTypeAndValue, GEN_NameComponent_t)
#undef GENU_DECLARE_OWNING_CONVERTERS

/* Lists: the wire side is the head of a chain of nodes (GENU_DECLARE_LIST_CONVERTERS
 * of genu_wire.h); a counted generic record with count 0 gives an empty chain. */
GENU_DECLARE_LIST_CONVERTERS(orgUnitNames, OrganizationalUnitNames_node,
                             GEN_OrganizationUnitNames_t)
GENU_DECLARE_LIST_CONVERTERS(domainDefinedAttributes, DomainDefinedAttributes_node,
                             GEN_DomainDefinedAttrs_t)
GENU_DECLARE_LIST_CONVERTERS(extensionAttributes, ExtensionAttributes_node, GEN_ExtensionAttrs_t)
GENU_DECLARE_LIST_CONVERTERS(DpaRDN, RelativeDistinguishedName_node, GEN_SetOfNameComponent_t)
GENU_DECLARE_LIST_CONVERTERS(RDN, RelativeDistinguishedName_node, GEN_SetOfObjNameComponent_t)
GENU_DECLARE_LIST_CONVERTERS(DpaRDNSeq, RDNSequence_node, GEN_RdnSeq_t)
GENU_DECLARE_LIST_CONVERTERS(name, RDNSequence_node, GEN_Name_t)

/* Extension attribute values on their own: Encode_x encodes the generic value into
 * `out` (bytes from the coding world, free them with free); failures trace
 * "Encode_x failed: %d\n" and add GENU_ST_ENCODE_FAILED. Decode_x decodes `in` into a
 * new generic value on the process heap (a common name is a 65-byte string, a PDS
 * name 17 bytes); a value that does not decode adds GENU_ST_DECODE_FAILED. The common
 * name is the printable form of type 1. */
#define GENU_DECLARE_X400_VALUE(N, G)                                           \
  KQ_EXPORT int Encode_##N(STF_statusList_t *status, OssBuf *out, const G *in); \
  KQ_EXPORT int Decode_##N(STF_statusList_t *status, const OssBuf *in, G **out);
GENU_DECLARE_X400_VALUE(CommonName, char)
GENU_DECLARE_X400_VALUE(PersonalName, GEN_PersonalName_t)
GENU_DECLARE_X400_VALUE(OrgUnitNames, GEN_OrganizationUnitNames_t)
GENU_DECLARE_X400_VALUE(DomainDefAttrs, GEN_DomainDefinedAttrs_t)
GENU_DECLARE_X400_VALUE(PDSName, char)
GENU_DECLARE_X400_VALUE(CountryName, GEN_CountryName_t)
GENU_DECLARE_X400_VALUE(PostalCode, GEN_PostalCode_t)
GENU_DECLARE_X400_VALUE(PDSParam, GEN_PdsParameter_t)
GENU_DECLARE_X400_VALUE(UnformatPostalAddr, GEN_UnformatPostalAddr_t)
GENU_DECLARE_X400_VALUE(ExtNetworkAddr, GEN_ExtNetworkAddr_t)
GENU_DECLARE_X400_VALUE(TerminalType, int32_t)
#undef GENU_DECLARE_X400_VALUE

KQ_END_DECLS

#endif
