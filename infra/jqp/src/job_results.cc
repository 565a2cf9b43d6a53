// Releases of the results of pausing and interrupting jobs and pausing objects, and
// of the checkpoints a paused job reports.
#include <cstdlib>

#include "private/jqp_result_int.h"

using kq::jqp::Release;

extern "C" {

int FreeGEN_checkpoint(STF_statusList_t *status, GEN_Checkpoint_t *record) {
  if (!status) return 1;
  if (!record) return STF__Fail(status, JQP_ST_NULL_RELEASE);
  return GEN_DeleteCheckpoint(status, record, nullptr) ? 1 : 0;
}

// The nodes and checkpoints are those the generic conversion made on the process heap.
int FreeGEN_setOfCheckpoint(STF_statusList_t *status, GEN_SetOfCheckpoints_t *set) {
  if (!status) return 1;
  if (!set) return 0;
  bool failed = false;
  for (GEN_ValueSeq_t *node = set->first; node;) {
    GEN_ValueSeq_t *next = node->next;
    if (node->value)
      failed |= FreeGEN_checkpoint(kq::stf::ScratchList(),
                                   static_cast<GEN_Checkpoint_t *>(node->value)) != 0;
    free(node);
    node = next;
  }
  set->first = nullptr;
  return failed ? STF__Fail(status, JQP_ST_ELEMENT_RELEASE) : 0;
}

int FreeGEN_pauseJobResult(STF_statusList_t *status, GEN_pauseJobResult_t *record) {
  if (!status) return 1;
  if (!record) return STF__Fail(status, JQP_ST_NULL_RELEASE);
  int rc = FreeGEN_setOfCheckpoint(status, &record->checkpoints);
  rc |= kq::jqp::ReleaseSetCell(status, record->jobStatus);
  Release(record);
  return rc;
}

int FreeGEN_PauseResult(STF_statusList_t *status, GEN_PauseResult_t *record) {
  if (!status) return 1;
  if (!record) return STF__Fail(status, JQP_ST_NULL_RELEASE);
  Release(record->affectedJob);
  int rc = kq::jqp::ReleaseSetCell(status, record->attributes);
  Release(record);
  return rc;
}

int FreeGEN_interruptJobResult(STF_statusList_t *status, GEN_interruptJobResult_t *record) {
  if (!status) return 1;
  if (!record) return STF__Fail(status, JQP_ST_NULL_RELEASE);
  int rc = kq::jqp::ReleaseSetCell(status, record->jobStatus);
  Release(record);
  return rc;
}

}  // extern "C"
