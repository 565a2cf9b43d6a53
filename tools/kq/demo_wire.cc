// The demo's print request: a job's attributes (a name, copies, a priority, a
// document format, the pages to print and where the results go) turned into the
// attribute list of a create-job request, encoded, written to a file, printed by
// `kq ber print`, and read back into a new attribute set that is compared value by
// value with the first.
#include <cstdlib>
#include <cstring>
#include <string>

#include "ber_cmd.h"
#include "common/create_job.h"
#include "demo_cmd.h"
#include "infra/genu.h"
#include "internal/ber_mod_kq_0b.h"

namespace {

struct Status {
  STF_statusList_t *list = STF_CreateList(nullptr);
  ~Status() { STF_DeleteList(list); }
  operator STF_statusList_t *() const { return list; }
};

template <typename T>
T *New() {
  return static_cast<T *>(calloc(1, sizeof(T)));
}

GEN_Text_t *NewText(const char *chars) {
  auto *t = New<GEN_Text_t>();
  t->choice = GEN_TEXT_STRING;
  t->u.string = strdup(chars);
  return t;
}

// Adds one value of type `type` to attribute `shoid`.
bool Add(STF_statusList_t *s, AS_setHandle_t set, uint32_t shoid, uint32_t type, void *value) {
  AS_attrHandle_t attr = AS_nullAttrHandle;
  if (AS_AddAttrVal(s, set, shoid, type, value, GENU_AVT2Descriptor(type), &attr)) return false;
  AS_FreeAttrHandle(s, &attr);
  return true;
}

bool BuildJob(STF_statusList_t *s, AS_setHandle_t set) {
  auto *name = New<GEN_SimpleName_t>();
  name->choice = GEN_TEXT_STRING;
  strcpy(name->u.string, "quarterly-report");
  auto *copies = New<GEN_Integer_t>();
  *copies = 2;
  auto *priority = New<GEN_Priority_t>();
  *priority = 50;
  auto *format = New<GEN_DocumentFormat_t>();
  if (GENU_AsciiToShortOID(s, "id-val-document-format-postscript", &format->format)) {
    free(format);
    return false;
  }
  auto *pages = New<GEN_PageSelectSeq_t>();
  auto *range = New<GEN_PageSelect_t>();
  range->begin.choice = range->end.choice = 1;
  range->begin.u.number = 1;
  range->end.u.number = 4;
  pages->first = New<GEN_ValueSeq_t>();
  pages->first->value = range;
  auto *results = New<GEN_ResultsProfile_t>();
  results->comment = NewText("results to the front desk");
  results->jobCopies = New<int32_t>();
  *results->jobCopies = 1;
  return Add(s, set, 133, 27, name) && Add(s, set, 352, 1, copies) &&
         Add(s, set, 241, 75, priority) && Add(s, set, 451, 43, format) &&
         Add(s, set, 350, 69, pages) && Add(s, set, 1059, 81, results);
}

// Every value of every attribute of `a` has an equal value in the same place of `b`.
bool SameValues(STF_statusList_t *s, AS_setHandle_t a, AS_setHandle_t b, FILE *out) {
  AS_attrHandle_t attr = AS_nullAttrHandle;
  bool same = true;
  uint32_t id = 0;
  for (uint32_t rc = AS_FindFirstAttr(s, a, &attr, &id); rc == 0;
       rc = AS_FindNextAttrR(s, &attr, &id)) {
    uint32_t type = 0;
    AS_GetAttrValTypeR(s, attr, &type);
    void *mine = nullptr, *theirs = nullptr;
    AS_GetAttrValR(s, attr, &mine);
    int32_t order = 1;
    bool equal = AS_GetAttrVal(s, b, id, &theirs) == 0 &&
                 GEN_CompareAttrValue(s, type, mine, theirs, &order) == 0 && order == 0;
    fprintf(out, "  %-24s %s\n", GENU_ShortOIDToAscii(id), equal ? "equal" : "DIFFERENT");
    same = same && equal;
  }
  AS_FreeAttrHandle(s, &attr);
  return same;
}

}  // namespace

int kq_demo_wire_run(const std::string &dir, FILE *out, FILE *err) {
  Status s;
  AS_setHandle_t set = AS_nullSetHandle, back = AS_nullSetHandle;
  if (AS_Create(s, &set, &genu_sysAllocator, 0) || !BuildJob(s, set)) {
    fprintf(err, "kq demo: cannot build the job's attributes: 0x%08x\n", STF_GetStatus(s));
    return 1;
  }
  OssBuf encoded{0, nullptr};
  int rc = 1;
  std::string file = dir + "/create-job.ber";
  if (kq::tools::EncodeCreateJob(s, "printer-1", set, &encoded)) {
    fprintf(err, "kq demo: cannot encode the request: 0x%08x\n", STF_GetStatus(s));
  } else if (FILE *f = fopen(file.c_str(), "wb")) {
    fwrite(encoded.value, 1, static_cast<size_t>(encoded.length), f);
    fclose(f);
    fprintf(out, "6 job attributes in a create-job request: %ld bytes, written to %s\n",
            static_cast<long>(encoded.length), file.c_str());
    fprintf(out, "kq ber print --raw %d %s:\n", PrintArgument_PDU, file.c_str());
    rc = kq_ber_print_run("dpa", PrintArgument_PDU, file, nullptr, out, err, true);
    fprintf(out, "kq ber print %d %s:\n", PrintArgument_PDU, file.c_str());
    rc |= kq_ber_print_run("dpa", PrintArgument_PDU, file, nullptr, out, err);
    if (rc == 0 && kq::tools::DecodeCreateJob(s, encoded, &back) == 0) {
      fprintf(out, "read back into a new attribute set:\n");
      rc = SameValues(s, set, back, out) ? 0 : 1;
    } else {
      fprintf(err, "kq demo: cannot read the request back: 0x%08x\n", STF_GetStatus(s));
      rc = 1;
    }
  } else {
    fprintf(err, "kq demo: cannot write %s\n", file.c_str());
  }
  free(encoded.value);
  AS_Destroy(s, &set);
  AS_Destroy(s, &back);
  return rc;
}
