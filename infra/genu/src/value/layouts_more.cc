// Layouts of the composite records: document references, O/R names, profiles,
// filters, finishing, access control lists and printer records.
#include "private/genu_hooks.h"
#include "private/genu_layout_def.h"

namespace kq::genu {

// Document object references.
GENU_LAYOUT_HOOKS(External, GEN_External_t, 3, nullptr, RandomExternal,
                  FU32(GEN_External_t, directReference),
                  FPTR(GEN_External_t, indirectReference, Integer),
                  FPTR(GEN_External_t, dataValueDescriptor, Text),
                  WHEN2(1, 2, FOCT(GEN_External_t, u.octets)),
                  WHEN(3, FBITS(GEN_External_t, u.bits)))
using PA = GEN_PresentationAddress_t;
GENU_LAYOUT(PresentationAddress, PA, 0, FOCT(PA, pSelector), FOCT(PA, sSelector),
            FOCT(PA, tSelector), FEMB(PA, nAddresses, SetOfOctetStrings))
GENU_LAYOUT(IfwRDN, GEN_IfwRDN_t, 0, FU32(GEN_IfwRDN_t, type), FOCT(GEN_IfwRDN_t, value))
GENU_SEQUENCE(IfwRDNSeq, IfwRDN)
GENU_LAYOUT(AETitle, GEN_AETitle_t, 0, FEMB(GEN_AETitle_t, apTitle, IfwRDNSeq),
            FPTR(GEN_AETitle_t, aeQualifier, Integer))
using LI = GEN_LocationalIdentifier_t;
GENU_LAYOUT(LocationalIdentifier, LI, 2, WHEN(1, FEMB(LI, u.address, PresentationAddress)),
            WHEN(2, FEMB(LI, u.name, Text)))
GENU_LAYOUT(AEIdentifier, GEN_AEIdentifier_t, 0, FPTR(GEN_AEIdentifier_t, title, AETitle),
            FPTR(GEN_AEIdentifier_t, location, LocationalIdentifier),
            FPTR(GEN_AEIdentifier_t, contexts, APContexts))
GENU_LAYOUT(QosLevel, GEN_QosLevel_t, 2, WHEN(1, FI32(GEN_QosLevel_t, u.level)),
            WHEN(2, FU32(GEN_QosLevel_t, u.oid)))
GENU_SEQUENCE(QualityOfService, QosLevel)
GENU_LAYOUT(Token, GEN_Token_t, 0, FOCT(GEN_Token_t, value))
GENU_LAYOUT(LocalReference, GEN_LocalReference_t, 0, FOCT(GEN_LocalReference_t, reference))
#define GENU_FILE_REFERENCE_FIELDS(T)                                           \
  FPTR(T, aeIdentifier, AEIdentifier), FEMB(T, localReference, LocalReference), \
      FU32(T, dataObjectType), FPTR(T, qualityOfService, QualityOfService), FPTR(T, token, Token)
GENU_LAYOUT(FileReference, GEN_FileReference_t, 0, GENU_FILE_REFERENCE_FIELDS(GEN_FileReference_t))
GENU_LAYOUT(Dor, GEN_Dor_t, 0, GENU_FILE_REFERENCE_FIELDS(GEN_Dor_t))
GENU_LAYOUT(DocumentContent, GEN_DocumentContent_t, 2,
            WHEN(1, FEMB(GEN_DocumentContent_t, u.external, External)),
            WHEN(2, FEMB(GEN_DocumentContent_t, u.dor, Dor)))

// Directory and X.400 names.
GENU_LAYOUT(NameComponent, GEN_NameComponent_t, 0, FU32(GEN_NameComponent_t, type),
            FEMB(GEN_NameComponent_t, value, Text))
GENU_SEQUENCE(SetOfNameComponent, NameComponent)
GENU_SEQUENCE(RdnSeq, SetOfNameComponent)
GENU_LAYOUT(Name, GEN_Name_t, 1, FEMB(GEN_Name_t, rdnSequence, RdnSeq))
GENU_LAYOUT(ObjNameComponent, GEN_ObjNameComponent_t, 0, FU32(GEN_ObjNameComponent_t, type),
            FOCT(GEN_ObjNameComponent_t, value))
GENU_SEQUENCE(SetOfObjNameComponent, ObjNameComponent)
GENU_LAYOUT(CountryName, GEN_CountryName_t, 2, FCHARS(GEN_CountryName_t, value))
GENU_LAYOUT(DomainName, GEN_DomainName_t, 2, FCHARS(GEN_DomainName_t, value))
GENU_LAYOUT(PostalCode, GEN_PostalCode_t, 2, FCHARS(GEN_PostalCode_t, value))
GENU_LAYOUT(NetworkAddress, GEN_NetworkAddress_t, 0, FCHARS(GEN_NetworkAddress_t, value))
GENU_LAYOUT(TerminalIdentifier, GEN_TerminalIdentifier_t, 0,
            FCHARS(GEN_TerminalIdentifier_t, value))
GENU_LAYOUT(OrganizationName, GEN_OrganizationName_t, 0, FCHARS(GEN_OrganizationName_t, value))
GENU_LAYOUT(OrganizationUnitName, GEN_OrganizationUnitName_t, 0,
            FCHARS(GEN_OrganizationUnitName_t, value))
GENU_LAYOUT(NumericUserId, GEN_NumericUserId_t, 0, FCHARS(GEN_NumericUserId_t, value))
GENU_LAYOUT(PdsParameter, GEN_PdsParameter_t, 0, FCHARS(GEN_PdsParameter_t, value))
using PN = GEN_PersonalName_t;
GENU_LAYOUT(PersonalName, PN, 0, FCHARS(PN, surname), FCHARS(PN, givenName), FCHARS(PN, initials),
            FCHARS(PN, generation))
GENU_LAYOUT(DomainDefinedAttr, GEN_DomainDefinedAttr_t, 0, FCHARS(GEN_DomainDefinedAttr_t, type),
            FCHARS(GEN_DomainDefinedAttr_t, value))
GENU_LAYOUT_HOOKS(OrganizationUnitNames, GEN_OrganizationUnitNames_t, 0, nullptr, RandomCounted,
                  FI16(GEN_OrganizationUnitNames_t, count),
                  FBYTES(GEN_OrganizationUnitNames_t, units))
GENU_LAYOUT_HOOKS(DomainDefinedAttrs, GEN_DomainDefinedAttrs_t, 0, nullptr, RandomCounted,
                  FI16(GEN_DomainDefinedAttrs_t, count), FBYTES(GEN_DomainDefinedAttrs_t, attrs))
GENU_LAYOUT_HOOKS(UnformatPostalAddr, GEN_UnformatPostalAddr_t, 0, nullptr, RandomCounted,
                  FI16(GEN_UnformatPostalAddr_t, count), FBYTES(GEN_UnformatPostalAddr_t, lines))
GENU_LAYOUT(ExtNetworkAddr, GEN_ExtNetworkAddr_t, 0, FCHARS(GEN_ExtNetworkAddr_t, number),
            FCHARS(GEN_ExtNetworkAddr_t, subAddress))
GENU_LAYOUT(ExtensionAttr, GEN_ExtensionAttr_t, 0, FI32(GEN_ExtensionAttr_t, type),
            FOCT(GEN_ExtensionAttr_t, value))
GENU_SEQUENCE(ExtensionAttrs, ExtensionAttr)
using SA = GEN_StandardAttrs_t;
GENU_LAYOUT(StandardAttrs, SA, 0, FPTR(SA, country, CountryName), FPTR(SA, adminDomain, DomainName),
            FPTR(SA, networkAddress, NetworkAddress),
            FPTR(SA, terminalIdentifier, TerminalIdentifier), FPTR(SA, privateDomain, DomainName),
            FPTR(SA, organization, OrganizationName), FPTR(SA, numericUserId, NumericUserId),
            FPTR(SA, personalName, PersonalName),
            FPTR(SA, organizationUnits, OrganizationUnitNames),
            FPTR(SA, domainDefined, DomainDefinedAttrs), FPTR(SA, extensions, ExtensionAttrs),
            FPTR(SA, commonName, Text))
GENU_LAYOUT(ORName, GEN_ORName_t, 0, FEMB(GEN_ORName_t, address, StandardAttrs),
            FPTR(GEN_ORName_t, directoryName, Name))
GENU_LAYOUT(GlobalName, GEN_GlobalName_t, 2, WHEN(1, FEMB(GEN_GlobalName_t, u.name, Name)),
            WHEN(2, FEMB(GEN_GlobalName_t, u.text, Text)))
GENU_LAYOUT(StructuredName, GEN_StructuredName_t, 0, FEMB(GEN_StructuredName_t, name, SimpleName),
            FEMB(GEN_StructuredName_t, qualifiers, SeqOfSimpleName))
GENU_LAYOUT(OwnerName, GEN_OwnerName_t, 2, WHEN(1, FEMB(GEN_OwnerName_t, u.name, SimpleName)),
            WHEN(2, FEMB(GEN_OwnerName_t, u.distName, DistNameString)))
GENU_LAYOUT(FontResource, GEN_FontResource_t, 0, FEMB(GEN_FontResource_t, name, SimpleName),
            FEMB(GEN_FontResource_t, sizes, SetOfText))

// Addresses and profiles.
GENU_LAYOUT(ONCBinding, GEN_ONCBinding_t, 0, FEMB(GEN_ONCBinding_t, host, Text),
            FU32(GEN_ONCBinding_t, program), FU32(GEN_ONCBinding_t, version),
            FU32(GEN_ONCBinding_t, procedure), FEMB(GEN_ONCBinding_t, authName, Text))
GENU_LAYOUT(RPCAddress, GEN_RPCAddress_t, 2, WHEN(1, FEMB(GEN_RPCAddress_t, u.name, Text)),
            WHEN(2, FEMB(GEN_RPCAddress_t, u.onc, ONCBinding)))
using DA = GEN_DeliveryAddress_t;
GENU_LAYOUT(DeliveryAddress, DA, 7, WHEN(1, FEMB(DA, u.orName, ORName)),
            WHEN(2, FEMB(DA, u.name, Name)), WHEN(3, FEMB(DA, u.text, Text)),
            WHEN(4, FEMB(DA, u.file, FileReference)), WHEN(5, FOCT(DA, u.octets)),
            WHEN(6, FEMB(DA, u.distName, DistNameString)), WHEN(7, FEMB(DA, u.rpc, RPCAddress)))
using EHP = GEN_EventHandlingProfile_t;
GENU_LAYOUT(EventHandlingProfile, EHP, 0, FPTR(EHP, events, SetOfOids),
            FPTR(EHP, deliveryMethod, Identifier), FPTR(EHP, comment, Text),
            FPTR(EHP, deliveryAddress, DeliveryAddress), FPTR(EHP, locale, Locale))
using RP = GEN_ResultsProfile_t;
GENU_LAYOUT(ResultsProfile, RP, 0, FPTR(RP, deliveryMethod, Identifier), FPTR(RP, comment, Text),
            FPTR(RP, deliveryAddress, DeliveryAddress), FPTR(RP, jobCopies, Integer),
            FPTR(RP, outputBin, NameOrOID))
using CP = GEN_Checkpoint_t;
GENU_LAYOUT(Checkpoint, CP, 0, FPTR(CP, printerName, DistNameString),
            FPTR(CP, jobCopiesCompleted, Integer), FPTR(CP, copiesCompleted, Integer),
            FPTR(CP, pagesCompleted, Integer), FPTR(CP, octetsCompleted, Cardinal64),
            FEMB(CP, context, Octet255), FU32(CP, format))
GENU_SEQUENCE(SetOfCheckpoints, Checkpoint)

// Attributes held inside values.
GENU_LAYOUT(AttrHandle, GEN_AttrHandle_t, 0,
            (Field{.kind = FieldKind::kAttr, .size = sizeof(AS_attrHandle_t)}))
GENU_LAYOUT(Attribute, GEN_Attribute_t, 0, FATTR(GEN_Attribute_t, attribute))
GENU_LAYOUT(Criteria, GEN_Criteria_t, 0, FATTR(GEN_Criteria_t, attribute))
GENU_LAYOUT_HOOKS(IgnoredAttribute, GEN_IgnoredAttribute_t, 0,
                  (Hook<GEN_IgnoredAttribute_t, GENU__CompareIgnoredAttribute>), nullptr,
                  FPTR(GEN_IgnoredAttribute_t, documentNumber, Integer),
                  FATTR(GEN_IgnoredAttribute_t, attribute))
GENU_SEQUENCE(SetOfIgnoredAttribute, IgnoredAttribute)

// Document and job records.
GENU_LAYOUT(DocumentFormat, GEN_DocumentFormat_t, 0, FU32(GEN_DocumentFormat_t, format),
            FPTR(GEN_DocumentFormat_t, variants, Text),
            FPTR(GEN_DocumentFormat_t, version, SimpleName))
GENU_SEQUENCE(SetOfDocumentFormat, DocumentFormat)
GENU_LAYOUT(InputTrayMedium, GEN_InputTrayMedium_t, 0,
            FEMB(GEN_InputTrayMedium_t, inputTray, NameOrOID),
            FEMB(GEN_InputTrayMedium_t, medium, NameOrOID))
GENU_LAYOUT(NewJobIdentifier, GEN_NewJobIdentifier_t, 0,
            FEMB(GEN_NewJobIdentifier_t, serverName, DistNameString),
            FEMB(GEN_NewJobIdentifier_t, local, JobIdentifier))
using PI = GEN_PageIdentifier_t;
GENU_LAYOUT(PageIdentifier, PI, 3, WHEN(1, FI32(PI, u.number)),
            WHEN(2, FEMB(PI, u.name, SimpleName)), WHEN(3, FEMB(PI, u.tag, NameOrOID)))
GENU_LAYOUT(PageMediaSelect, GEN_PageMediaSelect_t, 0,
            FEMB(GEN_PageMediaSelect_t, first, PageIdentifier),
            FEMB(GEN_PageMediaSelect_t, last, PageIdentifier),
            FEMB(GEN_PageMediaSelect_t, medium, NameOrOID))
GENU_SEQUENCE(SeqOfPageMediaSelect, PageMediaSelect)
GENU_LAYOUT(PageSelect, GEN_PageSelect_t, 0, FEMB(GEN_PageSelect_t, begin, PageIdentifier),
            FEMB(GEN_PageSelect_t, end, PageIdentifier))
GENU_SEQUENCE(PageSelectSeq, PageSelect)
GENU_LAYOUT(MediaSelect, GEN_MediaSelect_t, 2,
            WHEN(1, FEMB(GEN_MediaSelect_t, u.medium, NameOrOID)),
            WHEN(2, FEMB(GEN_MediaSelect_t, u.pages, SeqOfPageMediaSelect)))
GENU_LAYOUT(Privileges, GEN_Privileges_t, 0, FPTR(GEN_Privileges_t, operation, External),
            FPTR(GEN_Privileges_t, proxy, External))
GENU_LAYOUT(Surface, GEN_Surface_t, 0, FU32(GEN_Surface_t, edge),
            FEMB(GEN_Surface_t, medium, NameOrOID))
GENU_LAYOUT(Dimension, GEN_Dimension_t, 0, FF64(GEN_Dimension_t, value),
            FPTR(GEN_Dimension_t, unit, NameOrOID))
GENU_LAYOUT(XYDimensions, GEN_XYDimensions_t, 0, FEMB(GEN_XYDimensions_t, x, Dimension),
            FEMB(GEN_XYDimensions_t, y, Dimension))
GENU_LAYOUT(Locations, GEN_Locations_t, 0, FEMB(GEN_Locations_t, site, Text),
            FEMB(GEN_Locations_t, details, SetOfText))
GENU_LAYOUT(ErrorMsg, GEN_ErrorMsg_t, 0, FEMB(GEN_ErrorMsg_t, text, Text),
            FPTR(GEN_ErrorMsg_t, locale, Locale))
GENU_LAYOUT(ErrorMessageData, GEN_ErrorMessageData_t, 0, FU32(GEN_ErrorMessageData_t, code),
            FEMB(GEN_ErrorMessageData_t, arguments, SetOfText))
using MC = GEN_MediaConsumed_t;
GENU_LAYOUT(MediaConsumed, MC, 0, FEMB(MC, printType, NameOrOID), FEMB(MC, media, ObjectIdent),
            FI32(MC, printedImpressions), FI32(MC, consumedSheets))
GENU_SEQUENCE(MediaConsumedSeq, MediaConsumed)

// Access control lists.
using ACL = GEN_PSISAccessControlList_t;
GENU_LAYOUT_HOOKS(PSISAccessControlList, ACL, 2, (Hook<ACL, GENU__CompareACL>), RandomAcl,
                  WHEN(1, FEMB(ACL, name, SimpleName)), WHEN(1, FPTR(ACL, nameType, ACLNameType)),
                  WHEN(1, FPTR(ACL, privilegeLevel, ACLPrivilegeLevel)),
                  WHEN(2, FOCT(ACL, dceList)))
GENU_LAYOUT_HOOKS(ExtACL, GEN_ExtACL_t, 0, (Hook<GEN_ExtACL_t, GENU__CompareExtACL>), RandomExtAcl,
                  FEMB(GEN_ExtACL_t, principal, SimpleName),
                  FEMB(GEN_ExtACL_t, domain, DistNameString), FU32(GEN_ExtACL_t, nameType),
                  FU32(GEN_ExtACL_t, privilegeLevel))
GENU_LAYOUT(OncACL, GEN_OncACL_t, 0, FEMB(GEN_OncACL_t, name, SimpleName),
            FU32(GEN_OncACL_t, nameType), FU32(GEN_OncACL_t, privilegeLevel))

// Filters and selectors.
using SUB = GEN_SubStrings_t;
GENU_LAYOUT_HOOKS(SubStrings, SUB, 0, nullptr, RandomSubStrings, FU32(SUB, attributeType),
                  FI32(SUB, kind), FOCT(SUB, initial), FEMB(SUB, any, SeqOfOctetString),
                  FOCT(SUB, final))
using FIT = GEN_FilterItem_t;
GENU_LAYOUT(FilterItem, FIT, 8, WHEN(1, FATTR(FIT, u.attribute)),
            WHEN(2, FEMB(FIT, u.substrings, SubStrings)), WHEN2(3, 4, FATTR(FIT, u.attribute)),
            WHEN(5, FU32(FIT, u.present)), WHEN2(6, 8, FATTR(FIT, u.attribute)))
GENU_SEQUENCE(SetOfFilter, Filter)
GENU_LAYOUT_HOOKS(Filter, GEN_Filter_t, 4, nullptr, RandomFilter,
                  WHEN(1, FEMB(GEN_Filter_t, u.item, FilterItem)),
                  WHEN2(2, 3, FEMB(GEN_Filter_t, u.set, SetOfFilter)),
                  WHEN(4, FPTR(GEN_Filter_t, u.not_, Filter)))
GENU_LAYOUT(Selector, GEN_Selector_t, 0, FPTR(GEN_Selector_t, attributes, SetOfOids),
            FPTR(GEN_Selector_t, filter, Filter), FPTR(GEN_Selector_t, first, Integer),
            FPTR(GEN_Selector_t, count, Integer))
using FFD = GEN_FastFilterDef_t;
GENU_LAYOUT_HOOKS(FastFilterDef, FFD, 0, nullptr, RandomFastFilter, FEMB(FFD, name, SimpleName),
                  FPTR(FFD, filterType, Identifier), FPTR(FFD, inputFormat, DocumentFormat),
                  FPTR(FFD, outputFormat, DocumentFormat), FEMB(FFD, text, Text))

// Finishing.
GENU_LAYOUT(FinishingSpecPrivate, GEN_FinishingSpecPrivate_t, 0,
            FPTR(GEN_FinishingSpecPrivate_t, count, Identifier),
            FPTR(GEN_FinishingSpecPrivate_t, edge, Edge),
            FPTR(GEN_FinishingSpecPrivate_t, comment, Text))
GENU_LAYOUT(FinishingSpec, GEN_FinishingSpec_t, 0, FEMB(GEN_FinishingSpec_t, type, NameOrOID),
            FPTR(GEN_FinishingSpec_t, details, FinishingSpecPrivate))
GENU_LAYOUT(FinishingProcSpec, GEN_FinishingProcSpec_t, 10,
            WHEN2(1, 10, FEMB(GEN_FinishingProcSpec_t, spec, FinishingSpec)))
GENU_SEQUENCE(SeqOfFinishingProcSpec, FinishingProcSpec)
GENU_LAYOUT(InsertSpec, GEN_InsertSpec_t, 0, FEMB(GEN_InsertSpec_t, after, PageIdentifier),
            FI32(GEN_InsertSpec_t, count))
GENU_LAYOUT(InsertSheet, GEN_InsertSheet_t, 0, FEMB(GEN_InsertSheet_t, spec, InsertSpec),
            FPTR(GEN_InsertSheet_t, medium, NameOrOID))
GENU_SEQUENCE(SeqOfInsertSheet, InsertSheet)
using FN = GEN_Finishing_t;
GENU_LAYOUT(Finishing, FN, 2, WHEN(1, FEMB(FN, u.named, NameOrOID)),
            WHEN(2, FEMB(FN, u.specified.processes, SeqOfFinishingProcSpec)),
            WHEN(2, FEMB(FN, u.specified.inserts, SeqOfInsertSheet)))

// Printer records.
using PD = GEN_PreprocessorDefinition_t;
GENU_LAYOUT_HOOKS(PreprocessorDefinition, PD, 0, nullptr, RandomPreprocessor,
                  FEMB(PD, name, SimpleName), FU32(PD, preprocessorType), FU32(PD, executableType),
                  FEMB(PD, pathName, Text), FPTR(PD, attributePattern, Filter),
                  FPTR(PD, attributesToSet, SetOfIgnoredAttribute), FPTR(PD, timeout, Integer),
                  FPTR(PD, inputFormats, SetOfDocumentFormat),
                  FPTR(PD, outputFormats, SetOfDocumentFormat))
using DI = GEN_DriverInfo_t;
GENU_LAYOUT(DriverInfo, DI, 0, FEMB(DI, name, SimpleName), FU32(DI, oid),
            FEMB(DI, manufacturer, Text), FEMB(DI, model, Text), FEMB(DI, version, Text),
            FEMB(DI, description, Text), FEMB(DI, files, SetOfText), FEMB(DI, alias, SimpleName),
            FEMB(DI, comment, Text))

}  // namespace kq::genu
