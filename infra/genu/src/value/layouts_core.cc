// Layouts of the small value records: scalars, strings, texts, names and the
// records built directly from them.
#include "private/genu_hooks.h"
#include "private/genu_layout_def.h"

namespace kq::genu {

using TX = GEN_Text_t;
using SN = GEN_SimpleName_t;

GENU_SCALAR(Boolean, GEN_Boolean_t, FieldKind::kI32)
GENU_SCALAR(Integer, GEN_Integer_t, FieldKind::kI32)
GENU_SCALAR(Real, GEN_Real_t, FieldKind::kF64)
GENU_SCALAR(Sides, GEN_Sides_t, FieldKind::kI16)
GENU_SCALAR(Percent, GEN_Percent_t, FieldKind::kI16)
GENU_SCALAR(Priority, GEN_Priority_t, FieldKind::kI16)
GENU_SCALAR(Edge, GEN_Edge_t, FieldKind::kU32)
GENU_SCALAR(PageIdType, GEN_PageIdType_t, FieldKind::kU32)
GENU_SCALAR(PageOrderType, GEN_PageOrderType_t, FieldKind::kU32)
GENU_SCALAR(Realization, GEN_Realization_t, FieldKind::kU32)
GENU_SCALAR(Identifier, GEN_Identifier_t, FieldKind::kU32)
GENU_SCALAR(ACLNameType, GEN_ACLNameType_t, FieldKind::kU32)
GENU_SCALAR(ACLPrivilegeLevel, GEN_ACLPrivilegeLevel_t, FieldKind::kU32)
GENU_SCALAR(PreprocessorType, GEN_PreprocessorType_t, FieldKind::kU32)
GENU_SCALAR(ExecutableType, GEN_ExecutableType_t, FieldKind::kU32)
GENU_LAYOUT(IntegerRange, GEN_IntegerRange_t, 0, FI32(GEN_IntegerRange_t, lower),
            FI32(GEN_IntegerRange_t, upper))
GENU_LAYOUT(RealRange, GEN_RealRange_t, 0, FF64(GEN_RealRange_t, lower),
            FF64(GEN_RealRange_t, upper))
GENU_LAYOUT(MediumDimensions, GEN_MediumDimensions_t, 0, FF64(GEN_MediumDimensions_t, x),
            FF64(GEN_MediumDimensions_t, y))
GENU_LAYOUT(Cardinal64, GEN_Cardinal64_t, 0, FU32(GEN_Cardinal64_t, high),
            FU32(GEN_Cardinal64_t, low))
GENU_LAYOUT(Cardinal64Range, GEN_Cardinal64Range_t, 0,
            FEMB(GEN_Cardinal64Range_t, lower, Cardinal64),
            FEMB(GEN_Cardinal64Range_t, upper, Cardinal64))

GENU_LAYOUT_HOOKS(OctetString, GEN_OctetString_t, 0,
                  (Hook<GEN_OctetString_t, GEN_CompareOctetString>), nullptr,
                  (Field{.kind = FieldKind::kOctets, .size = sizeof(GEN_OctetString_t)}))
GENU_LAYOUT_HOOKS(BitString, GEN_BitString_t, 0, nullptr, nullptr,
                  (Field{.kind = FieldKind::kBits, .size = sizeof(GEN_BitString_t)}))
GENU_LAYOUT(Octet255, GEN_Octet255_t, 0, (Field{.kind = FieldKind::kShortOct, .size = 255}))
GENU_LAYOUT(LocaleCode, GEN_LocaleCode_t, 0, (Field{.kind = FieldKind::kShortOct, .size = 2}))
GENU_LAYOUT(CString, GEN_CString_t, 0, FCSTR(GEN_CString_t, string))
GENU_LAYOUT_HOOKS(Text, GEN_Text_t, 5, (Hook<GEN_Text_t, GEN_CompareText>), nullptr,
                  WHEN2(1, 2, FCSTR(TX, u.string)), WHEN2(3, 5, FOCT(TX, u.octets)),
                  WHEN(5, FU32(TX, codeSet)))
GENU_LAYOUT_HOOKS(SimpleName, GEN_SimpleName_t, 5, (Hook<GEN_SimpleName_t, GEN_CompareSimpleName>),
                  nullptr, WHEN2(1, 2, FCHARS(SN, u.string)), WHEN2(3, 5, FSHORT(SN, u.octets)),
                  WHEN(5, FU32(SN, codeSet)))
GENU_LAYOUT(NameOrOID, GEN_NameOrOID_t, 2, WHEN(1, FU32(GEN_NameOrOID_t, u.oid)),
            WHEN(2, FEMB(GEN_NameOrOID_t, u.name, SimpleName)))
GENU_LAYOUT(JobIdentifier, GEN_JobIdentifier_t, 0, FCHARS(GEN_JobIdentifier_t, value))
GENU_LAYOUT(CardinalOrOid, GEN_CardinalOrOid_t, 2, WHEN(1, FU32(GEN_CardinalOrOid_t, u.number)),
            WHEN(2, FU32(GEN_CardinalOrOid_t, u.oid)))
GENU_LAYOUT(PosIntOrOid, GEN_PosIntOrOid_t, 2, WHEN(1, FU32(GEN_PosIntOrOid_t, u.number)),
            WHEN(2, FU32(GEN_PosIntOrOid_t, u.oid)))
GENU_LAYOUT_HOOKS(DistNameString, GEN_DistNameString_t, 0,
                  (Hook<GEN_DistNameString_t, GEN_CompareDistNameString>), nullptr,
                  FEMB(GEN_DistNameString_t, text, Text),
                  FPTR(GEN_DistNameString_t, nameOrOid, NameOrOID))
GENU_LAYOUT(DocumentIdentifier, GEN_DocumentIdentifier_t, 0,
            FEMB(GEN_DocumentIdentifier_t, job, JobIdentifier),
            FI32(GEN_DocumentIdentifier_t, documentNumber))
GENU_LAYOUT(FontReference, GEN_FontReference_t, 1, FEMB(GEN_FontReference_t, name, SimpleName))
using OI = GEN_ObjectIdent_t;
GENU_LAYOUT(ObjectIdent, GEN_ObjectIdent_t, 7, WHEN(1, FEMB(OI, u.job, JobIdentifier)),
            WHEN(2, FEMB(OI, u.document, DocumentIdentifier)), WHEN(3, FU32(OI, u.oid)),
            WHEN(4, FEMB(OI, u.distName, DistNameString)), WHEN(5, FEMB(OI, u.font, FontReference)),
            WHEN(6, FEMB(OI, u.nameOrOid, NameOrOID)), WHEN(7, FEMB(OI, u.name, SimpleName)))
using GT = GEN_GeneralizedTime_t;
GENU_LAYOUT_HOOKS(GeneralizedTime, GEN_GeneralizedTime_t, 0,
                  (Hook<GEN_GeneralizedTime_t, GEN_CompareGeneralizedTime>), RandomTime,
                  FI16(GT, year), FI16(GT, month), FI16(GT, day), FI16(GT, hour), FI16(GT, minute),
                  FI16(GT, second), FI16(GT, millisecond), FI16(GT, diffUTC), FI32(GT, utc))
GENU_LAYOUT(OidCardinalMap, GEN_OidCardinalMap_t, 0, FPTR(GEN_OidCardinalMap_t, oid, Identifier),
            FU32(GEN_OidCardinalMap_t, cardinal))
GENU_LAYOUT(Locale, GEN_Locale_t, 0, FEMB(GEN_Locale_t, language, LocaleCode),
            FEMB(GEN_Locale_t, country, LocaleCode), FU32(GEN_Locale_t, codeSet),
            FEMB(GEN_Locale_t, dpaLocale, Octet255))
using NUS = GEN_NumbersUpSupported_t;
GENU_LAYOUT(NumbersUpSupported, NUS, 3, WHEN(1, FI32(NUS, u.cardinal)),
            WHEN(2, FEMB(NUS, u.nameOrOid, NameOrOID)), WHEN(3, FEMB(NUS, u.range, IntegerRange)))
GENU_LAYOUT(CardinalOrNoid, GEN_CardinalOrNoid_t, 2,
            WHEN(1, FI32(GEN_CardinalOrNoid_t, u.cardinal)),
            WHEN(2, FEMB(GEN_CardinalOrNoid_t, u.nameOrOid, NameOrOID)))
GENU_LAYOUT_HOOKS(SocketAddress, GEN_SocketAddress_t, 2, nullptr, RandomSocket,
                  FI32(GEN_SocketAddress_t, port), FI32(GEN_SocketAddress_t, addressLength),
                  FBYTES(GEN_SocketAddress_t, address))

GENU_SEQUENCE(SetOfOctetStrings, OctetString)
GENU_SEQUENCE(SeqOfOctetString, OctetString)
GENU_SEQUENCE(SeqOfStrings, CString)
GENU_SEQUENCE(SetOfOids, Identifier)
GENU_SEQUENCE(SetOfObjId, Identifier)
GENU_SEQUENCE(SeqOfObjId, Identifier)
GENU_SEQUENCE(APContexts, Identifier)
GENU_SEQUENCE(SetOfText, Text)
GENU_SEQUENCE(SeqOfSimpleName, SimpleName)
GENU_SEQUENCE(DistNameStringSeq, DistNameString)
GENU_SEQUENCE(NameOrOidSeq, NameOrOID)

}  // namespace kq::genu
