// Makers of object identifications, distinguished name strings, RPC addresses
// and the printer records: each allocates the record and deep-copies what it is
// given.
#include <cstdlib>

#include "private/genu_make_util.h"

namespace genu = kq::genu;

namespace {

// An object identification of `choice` holding a deep copy of `alt` (layout L).
uint32_t makeObjectIdent(STF_statusList_t *sl, GEN_ObjectIdent_t **out, int32_t choice,
                         const genu::Layout *L, const void *alt,
                         const AS_allocateDescriptor_t *alloc) {
  if (!alt) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  return genu::MakeRecord(sl, out, &genu::kObjectIdentLayout, alloc, [&](GEN_ObjectIdent_t *o) {
    o->choice = choice;
    return genu::DeepCopy(sl, L, &o->u, alt, alloc);
  });
}

}  // namespace

extern "C" {

#define GENU_DEFINE_MAKE_OBJECT_IDENT(Suffix, T, Choice, Record)                                 \
  uint32_t GENU_MakeObjectIdent_##Suffix(STF_statusList_t *sl, GEN_ObjectIdent_t **out,          \
                                         const T *value, const AS_allocateDescriptor_t *alloc) { \
    return makeObjectIdent(sl, out, Choice, &genu::k##Record##Layout, value, alloc);             \
  }
GENU_DEFINE_MAKE_OBJECT_IDENT(JobId, GEN_JobIdentifier_t, 1, JobIdentifier)
GENU_DEFINE_MAKE_OBJECT_IDENT(DocId, GEN_DocumentIdentifier_t, 2, DocumentIdentifier)
GENU_DEFINE_MAKE_OBJECT_IDENT(DistName, GEN_DistNameString_t, 4, DistNameString)
GENU_DEFINE_MAKE_OBJECT_IDENT(FontRef, GEN_FontReference_t, 5, FontReference)
GENU_DEFINE_MAKE_OBJECT_IDENT(NameOrOID, GEN_NameOrOID_t, 6, NameOrOID)
GENU_DEFINE_MAKE_OBJECT_IDENT(SimpleName, GEN_SimpleName_t, 7, SimpleName)

uint32_t GENU_MakeObjectIdent_Oid(STF_statusList_t *sl, GEN_ObjectIdent_t **out, uint32_t oid,
                                  const AS_allocateDescriptor_t *alloc) {
  return makeObjectIdent(sl, out, 3, &genu::kIdentifierLayout, &oid, alloc);
}

uint32_t GENU_MakeDistNameString(STF_statusList_t *sl, GEN_DistNameString_t **out,
                                 const GEN_Text_t *text, const GEN_NameOrOID_t *nameOrOid,
                                 const AS_allocateDescriptor_t *alloc) {
  if (!text) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  GEN_DistNameString_t borrowed{*text, const_cast<GEN_NameOrOID_t *>(nameOrOid)};
  return genu::Copy(sl, &genu::kDistNameStringLayout, reinterpret_cast<void **>(out), &borrowed,
                    alloc);
}

uint32_t GENU_MakeEmbeddedDistNameString2(STF_statusList_t *sl, GEN_DistNameString_t *out,
                                          const char *string, uint32_t oid,
                                          const AS_allocateDescriptor_t *alloc) {
  if (!out) return STF__Fail(sl, GENU_ST_BAD_VALUE);
  GEN_NameOrOID_t kind{};
  kind.choice = 1;
  kind.u.oid = oid;
  GEN_DistNameString_t borrowed{genu::BorrowText(string), oid ? &kind : nullptr};
  if (string && strlen(string) > GEN_TEXT_MAX) {
    memset(out, 0, sizeof *out);
    return STF__Fail(sl, GENU_ST_BAD_VALUE);
  }
  return genu::DeepCopy(sl, &genu::kDistNameStringLayout, out, &borrowed, alloc);
}

uint32_t GENU_MakeDistNameString2(STF_statusList_t *sl, GEN_DistNameString_t **out,
                                  const char *string, uint32_t oid,
                                  const AS_allocateDescriptor_t *alloc) {
  return genu::MakeRecord(sl, out, &genu::kDistNameStringLayout, alloc,
                          [&](GEN_DistNameString_t *d) {
                            return GENU_MakeEmbeddedDistNameString2(sl, d, string, oid, alloc);
                          });
}

uint32_t GENU_MakeNameRPCAddress(STF_statusList_t *sl, GEN_RPCAddress_t **out, const char *name,
                                 const AS_allocateDescriptor_t *alloc) {
  GEN_RPCAddress_t borrowed{};
  borrowed.choice = 1;
  borrowed.u.name = genu::BorrowText(name);
  return genu::Copy(sl, &genu::kRPCAddressLayout, reinterpret_cast<void **>(out), &borrowed, alloc);
}

uint32_t GENU_MakeONCRPCAddress(STF_statusList_t *sl, GEN_RPCAddress_t **out, const char *host,
                                uint32_t program, uint32_t version, uint32_t procedure,
                                const char *authName, const AS_allocateDescriptor_t *alloc) {
  GEN_RPCAddress_t borrowed{};
  borrowed.choice = 2;
  borrowed.u.onc = GEN_ONCBinding_t{genu::BorrowText(host), program, version, procedure,
                                    genu::BorrowText(authName)};
  return genu::Copy(sl, &genu::kRPCAddressLayout, reinterpret_cast<void **>(out), &borrowed, alloc);
}

uint32_t GENU_MakeMediaConsumed(STF_statusList_t *sl, GEN_MediaConsumed_t **out,
                                const GEN_NameOrOID_t *printType, const GEN_ObjectIdent_t *media,
                                int32_t printedImpressions, int32_t consumedSheets,
                                const AS_allocateDescriptor_t *alloc) {
  if (!printType || !media) return STF__Fail(sl, GENU_ST_NULL_COMPARE);
  GEN_MediaConsumed_t borrowed{*printType, *media, printedImpressions, consumedSheets};
  return genu::Copy(sl, &genu::kMediaConsumedLayout, reinterpret_cast<void **>(out), &borrowed,
                    alloc);
}

uint32_t GENU_MakePreprocessorDefinition(STF_statusList_t *sl, GEN_PreprocessorDefinition_t **out,
                                         const char *name, GEN_PreprocessorType_t preprocessorType,
                                         GEN_ExecutableType_t executableType, const char *pathName,
                                         const GEN_Filter_t *attributePattern,
                                         const GEN_SetOfIgnoredAttribute_t *attributesToSet,
                                         const int32_t *timeout,
                                         const GEN_SetOfDocumentFormat_t *inputFormats,
                                         const GEN_SetOfDocumentFormat_t *outputFormats,
                                         const AS_allocateDescriptor_t *alloc) {
  GEN_PreprocessorDefinition_t borrowed{};
  if (GENU_MakeEmbeddedSimpleName(sl, &borrowed.name, name, alloc)) return 1;
  borrowed.preprocessorType = preprocessorType;
  borrowed.executableType = executableType;
  borrowed.pathName = genu::BorrowText(pathName);
  borrowed.attributePattern = const_cast<GEN_Filter_t *>(attributePattern);
  borrowed.attributesToSet = const_cast<GEN_SetOfIgnoredAttribute_t *>(attributesToSet);
  borrowed.timeout = const_cast<int32_t *>(timeout);
  borrowed.inputFormats = const_cast<GEN_SetOfDocumentFormat_t *>(inputFormats);
  borrowed.outputFormats = const_cast<GEN_SetOfDocumentFormat_t *>(outputFormats);
  return genu::Copy(sl, &genu::kPreprocessorDefinitionLayout, reinterpret_cast<void **>(out),
                    &borrowed, alloc);
}

uint32_t GENU_MakeDriverInfo(STF_statusList_t *sl, GEN_DriverInfo_t **out, const char *name,
                             uint32_t oid, const char *manufacturer, const char *model,
                             const char *version, const char *description, const char *const *files,
                             const char *alias, const char *comment,
                             const AS_allocateDescriptor_t *alloc) {
  GEN_DriverInfo_t borrowed{};
  if (GENU_MakeEmbeddedSimpleName(sl, &borrowed.name, name, alloc) ||
      GENU_MakeEmbeddedSimpleName(sl, &borrowed.alias, alias, alloc))
    return 1;
  borrowed.oid = oid;
  borrowed.manufacturer = genu::BorrowText(manufacturer);
  borrowed.model = genu::BorrowText(model);
  borrowed.version = genu::BorrowText(version);
  borrowed.description = genu::BorrowText(description);
  borrowed.comment = genu::BorrowText(comment);
  // The file names as a borrowed sequence on the heap of this call.
  size_t n = 0;
  while (files && files[n]) ++n;
  GEN_ValueSeq_t *nodes = static_cast<GEN_ValueSeq_t *>(calloc(n ? n : 1, sizeof(GEN_ValueSeq_t)));
  GEN_Text_t *texts = static_cast<GEN_Text_t *>(calloc(n ? n : 1, sizeof(GEN_Text_t)));
  uint32_t rc;
  if (!nodes || !texts) {
    rc = STF__Fail(sl, GENU_ST_NO_MEMORY);
  } else {
    for (size_t i = 0; i < n; ++i) {
      texts[i] = genu::BorrowText(files[i]);
      nodes[i].value = &texts[i];
      nodes[i].next = i + 1 < n ? &nodes[i + 1] : nullptr;
    }
    borrowed.files.first = n ? nodes : nullptr;
    rc = genu::Copy(sl, &genu::kDriverInfoLayout, reinterpret_cast<void **>(out), &borrowed, alloc);
  }
  free(nodes);
  free(texts);
  return rc;
}

}  // extern "C"
