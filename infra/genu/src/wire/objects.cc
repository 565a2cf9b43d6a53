// Object identification: a choice of the ways a job, document, printer or other
// object is named, each alternative converted by its member type's converter.
#include <cstring>

#include "private/genu_wire_int.h"

extern "C" {

int ToBER_docIdentifier(STF_statusList_t *status, DocumentIdentifier *out,
                        const GEN_DocumentIdentifier_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  // The number travels when it is set (non-zero).
  out->bit_mask = in->documentNumber ? 0x80 : 0;
  out->document_number = in->documentNumber;
  return ToBER_jobId(status, &out->job_identifier, &in->job);
}

int ToGEN_docIdentifier(STF_statusList_t *status, const DocumentIdentifier *in,
                        GEN_DocumentIdentifier_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  if (in->bit_mask & 0x80) out->documentNumber = in->document_number;
  return ToGEN_jobId(status, &in->job_identifier, &out->job);
}

int ToBER_objectIdent(STF_statusList_t *status, ObjectIdent *out, const GEN_ObjectIdent_t *in) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  out->choice = static_cast<uint16_t>(in->choice);
  switch (in->choice) {
    case 1:
      return ToBER_jobId(status, &out->u.job_identifier, &in->u.job);
    case 2:
      return ToBER_docIdentifier(status, &out->u.document_identifier, &in->u.document);
    case 3:
      return ToBER_oid(status, &out->u.object_identifier, &in->u.oid);
    case 4:
      return ToBER_distNameString(status, &out->u.dist_name_string, &in->u.distName);
    case 5:
      return ToBER_fontReference(status, &out->u.font_reference, &in->u.font);
    case 6:
      return ToBER_nameOrOid(status, &out->u.name_or_oid, &in->u.nameOrOid);
    case 7:
      return ToBER_simpleName(status, &out->u.simple_name, &in->u.name);
    default:
      return STF__Fail(status, GENU_ST_BAD_VALUE);
  }
}

int ToGEN_objectIdent(STF_statusList_t *status, const ObjectIdent *in, GEN_ObjectIdent_t *out) {
  if (!status) return 1;
  if (!out || !in) return STF__Fail(status, GENU_ST_BAD_VALUE);
  memset(out, 0, sizeof *out);
  out->choice = in->choice;
  switch (in->choice) {
    case 1:
      return ToGEN_jobId(status, &in->u.job_identifier, &out->u.job);
    case 2:
      return ToGEN_docIdentifier(status, &in->u.document_identifier, &out->u.document);
    case 3:
      return ToGEN_oid(status, &in->u.object_identifier, &out->u.oid);
    case 4:
      return ToGEN_distNameString(status, &in->u.dist_name_string, &out->u.distName);
    case 5:
      return ToGEN_fontReference(status, &in->u.font_reference, &out->u.font);
    case 6:
      return ToGEN_nameOrOid(status, &in->u.name_or_oid, &out->u.nameOrOid);
    case 7:
      return ToGEN_simpleName(status, &in->u.simple_name, &out->u.name);
    default:
      return STF__Fail(status, GENU_ST_BAD_VALUE);
  }
}

}  // extern "C"
