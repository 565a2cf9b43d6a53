// The compare of a value by its value type id.
#include <cmath>
#include <cstdint>

#include "infra/svclog.h"
#include "internal/stf_fail.h"
#include "private/genu_compare_util.h"
#include "private/genu_hooks.h"
#include "private/genu_layout_def.h"

namespace genu = kq::genu;

namespace {

template <typename T>
const T &as(const void *p) {
  return *static_cast<const T *>(p);
}

// The records compared by a compare of their own (structural or with rules).
genu::CompareHook recordCompare(uint32_t id) {
  switch (id) {
#define GENU_ID_HOOK(ID, Fn, T) \
  case ID:                      \
    return genu::Hook<T, Fn>;
    GENU_ID_HOOK(6, GEN_CompareDistNameString, GEN_DistNameString_t)
    GENU_ID_HOOK(8, GENU__CompareEVHProfile, GEN_EventHandlingProfile_t)
    GENU_ID_HOOK(9, GEN_CompareFontReference, GEN_FontReference_t)
    GENU_ID_HOOK(11, GENU__CompareIgnoredAttribute, GEN_IgnoredAttribute_t)
    GENU_ID_HOOK(14, GEN_CompareJobIdentifier, GEN_JobIdentifier_t)
    GENU_ID_HOOK(18, GEN_CompareNameOrOID, GEN_NameOrOID_t)
    GENU_ID_HOOK(19, GEN_CompareNumbersUpSupported, GEN_NumbersUpSupported_t)
    GENU_ID_HOOK(33, GENU__CompareOidCardinalMap, GEN_OidCardinalMap_t)
    GENU_ID_HOOK(34, GENU__CompareCardinalOrNoid, GEN_CardinalOrNoid_t)
    GENU_ID_HOOK(35, GENU__CompareCardinalOrOid, GEN_CardinalOrOid_t)
    GENU_ID_HOOK(37, GENU__CompareAttribute, GEN_Attribute_t)
    GENU_ID_HOOK(39, GENU__CompareDeliveryAddress, GEN_DeliveryAddress_t)
    GENU_ID_HOOK(42, GEN_CompareDistNameStringSeq, GEN_DistNameStringSeq_t)
    GENU_ID_HOOK(43, GENU__CompareDocFormat, GEN_DocumentFormat_t)
    GENU_ID_HOOK(45, GENU__CompareDOR, GEN_FileReference_t)
    GENU_ID_HOOK(46, GENU__CompareNamedFinishing, GEN_Finishing_t)
    GENU_ID_HOOK(49, GENU__CompareInputTrayMedium, GEN_InputTrayMedium_t)
    GENU_ID_HOOK(55, GENU__CompareLocale, GEN_Locale_t)
    GENU_ID_HOOK(60, GEN_CompareNameOrOidSeq, GEN_NameOrOidSeq_t)
    GENU_ID_HOOK(61, GENU__CompareNewJobIdentifier, GEN_NewJobIdentifier_t)
    GENU_ID_HOOK(64, GEN_CompareObjectIdent, GEN_ObjectIdent_t)
    GENU_ID_HOOK(67, GENU__CompareMediaSelect, GEN_MediaSelect_t)
    GENU_ID_HOOK(69, GENU__ComparePageSelectSeq, GEN_PageSelectSeq_t)
    GENU_ID_HOOK(72, GENU__ComparePosIntOrOid, GEN_PosIntOrOid_t)
    GENU_ID_HOOK(74, GENU__CompareCheckpoint, GEN_Checkpoint_t)
    GENU_ID_HOOK(76, GENU__ComparePrivileges, GEN_Privileges_t)
    GENU_ID_HOOK(81, GENU__CompareResultsProfile, GEN_ResultsProfile_t)
    GENU_ID_HOOK(85, GENU__CompareACL, GEN_PSISAccessControlList_t)
    GENU_ID_HOOK(86, GENU__CompareRPCAddress, GEN_RPCAddress_t)
    GENU_ID_HOOK(87, GENU__CompareSocketAddress, GEN_SocketAddress_t)
    GENU_ID_HOOK(88, GENU__CompareFastFilterDef, GEN_FastFilterDef_t)
    GENU_ID_HOOK(89, GENU__CompareExtACL, GEN_ExtACL_t)
    GENU_ID_HOOK(90, GEN_CompareMediaConsumed, GEN_MediaConsumed_t)
    GENU_ID_HOOK(91, GEN_CompareMediaConsumedSeq, GEN_MediaConsumedSeq_t)
    GENU_ID_HOOK(92, GEN_ComparePreprocessorDefinition, GEN_PreprocessorDefinition_t)
    GENU_ID_HOOK(94, GEN_CompareDriverInfo, GEN_DriverInfo_t)
    GENU_ID_HOOK(2, GENU__CompareCardinalRange, GEN_IntegerRange_t)
    GENU_ID_HOOK(13, GENU__CompareIntegerRange, GEN_IntegerRange_t)
    GENU_ID_HOOK(25, GENU__CompareRealRange, GEN_RealRange_t)
    GENU_ID_HOOK(63, GENU__CompareNonNegativeRealRange, GEN_RealRange_t)
    GENU_ID_HOOK(57, GENU__CompareMediumDimensions, GEN_MediumDimensions_t)
    GENU_ID_HOOK(31, GENU__CompareCardinal64, GEN_Cardinal64_t)
    GENU_ID_HOOK(32, GENU__CompareCardinal64Range, GEN_Cardinal64Range_t)
    GENU_ID_HOOK(5, GEN_CompareText, GEN_Text_t)
    GENU_ID_HOOK(16, GEN_CompareText, GEN_Text_t)
    GENU_ID_HOOK(28, GEN_CompareText, GEN_Text_t)
    GENU_ID_HOOK(27, GEN_CompareSimpleName, GEN_SimpleName_t)
    GENU_ID_HOOK(40, GEN_CompareSimpleName, GEN_SimpleName_t)
    GENU_ID_HOOK(48, GEN_CompareGeneralizedTime, GEN_GeneralizedTime_t)
    GENU_ID_HOOK(10, GEN_CompareIdentifier, GEN_Identifier_t)
    GENU_ID_HOOK(20, GEN_CompareOctetString, GEN_OctetString_t)
    GENU_ID_HOOK(1, GEN_CompareUnsignedInteger, uint32_t)
    GENU_ID_HOOK(4, GEN_CompareUnsignedInteger, uint32_t)
    GENU_ID_HOOK(22, GEN_CompareUnsignedInteger, uint32_t)
    GENU_ID_HOOK(12, GEN_CompareInteger, GEN_Integer_t)
    GENU_ID_HOOK(15, GEN_CompareInteger, GEN_Integer_t)
    GENU_ID_HOOK(17, GEN_CompareInteger, GEN_Integer_t)
#undef GENU_ID_HOOK
    default:
      return nullptr;
  }
}

// a - b truncated toward zero, held at the ends of the 32-bit range; a NaN on one
// side only differs, NaNs on both sides are equal.
int32_t TruncatedDifference(double a, double b) {
  if (a == b) return 0;  // also equal infinities
  double d = a - b;
  if (std::isnan(d)) return std::isnan(a) && std::isnan(b) ? 0 : 1;
  if (d >= 2147483647.0) return INT32_MAX;
  if (d <= -2147483648.0) return INT32_MIN;
  return static_cast<int32_t>(d);
}

// The scalar rules: equality for boolean and sides, differences for enumerations,
// 16-bit values and reals (reals less than 1 apart are equal).
bool scalarCompare(uint32_t id, const void *a, const void *b, int32_t *r) {
  switch (id) {
    case 0:
      *r = as<int32_t>(a) == as<int32_t>(b) ? 0 : 1;
      return true;
    case 26:
      *r = as<int16_t>(a) == as<int16_t>(b) ? 0 : 1;
      return true;
    case 21:
    case 24:
    case 44:
    case 68:
      *r = static_cast<int32_t>(as<uint32_t>(a) - as<uint32_t>(b));
      return true;
    case 71:
    case 75:
      *r = as<int16_t>(a) - as<int16_t>(b);
      return true;
    case 23:
    case 62:
      *r = TruncatedDifference(as<double>(a), as<double>(b));
      return true;
    default:
      return false;
  }
}

}  // namespace

extern "C" {

uint32_t GEN_CompareAttrValue(STF_statusList_t *sl, uint32_t id, const void *a, const void *b,
                              int32_t *result) {
  if (!genu::CheckPair(sl, a, b, result)) return 1;
  if (scalarCompare(id, a, b, result)) return 0;
  genu::CompareHook hook = recordCompare(id);
  if (hook) return hook(sl, a, b, result);
  LOG_COND_MESSAGE(LOG_SEV_DIAG, "GEN_CompareAttrValue: AVT # %d not yet implemented\n",
                   static_cast<int>(id));
  return STF__Fail(sl, GENU_ST_NOT_COMPARABLE);
}

uint32_t GEN_BinCompareAttrValue(STF_statusList_t *sl, uint32_t id, const void *a, const void *b,
                                 int32_t *result) {
  switch (id) {
    case 5:
    case 16:
    case 28:
      return GEN_BinCompareText(sl, static_cast<const GEN_Text_t *>(a),
                                static_cast<const GEN_Text_t *>(b), result);
    case 27:
    case 40:
      return GEN_BinCompareSimpleName(sl, static_cast<const GEN_SimpleName_t *>(a),
                                      static_cast<const GEN_SimpleName_t *>(b), result);
    default:
      return genu::WithBytewiseTexts([&] { return GEN_CompareAttrValue(sl, id, a, b, result); });
  }
}

#define GENU_DEFINE_BIN_COMPARE(Fn, Plain, T)                                  \
  uint32_t Fn(STF_statusList_t *sl, const T *a, const T *b, int32_t *result) { \
    return genu::WithBytewiseTexts([&] { return Plain(sl, a, b, result); });   \
  }
GENU_DEFINE_BIN_COMPARE(GEN_BinCompareObjectIdent, GEN_CompareObjectIdent, GEN_ObjectIdent_t)
GENU_DEFINE_BIN_COMPARE(GEN_BinCompareFontReference, GEN_CompareFontReference, GEN_FontReference_t)
GENU_DEFINE_BIN_COMPARE(GEN_BinCompareNameOrOID, GEN_CompareNameOrOID, GEN_NameOrOID_t)

}  // extern "C"
