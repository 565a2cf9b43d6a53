// A create-job request as the programs on the library build it before a protocol
// client exists to do it for them: a job's attribute set carried as the job
// attributes of the request record, encoded, and the way back. Shared by `kq demo`
// and the wire benchmarks so that both measure and show the same request.
#ifndef KQ_TOOLS_COMMON_CREATE_JOB_H
#define KQ_TOOLS_COMMON_CREATE_JOB_H

#include "infra/as.h"
#include "infra/genu_world.h"
#include "infra/stf.h"

namespace kq::tools {

// Encodes a create-job request for `printer` whose job attributes are `job`. On
// success *encoded holds the bytes (free them with free()) and 0 is returned; on
// failure the status list or the coder's code tells why and nothing is left allocated.
int EncodeCreateJob(STF_statusList_t *status, const char *printer, AS_setHandle_t job,
                    OssBuf *encoded);

// Decodes a create-job request and converts its job attributes into a new set
// (*job, created here; the caller destroys it). 0 on success.
int DecodeCreateJob(STF_statusList_t *status, const OssBuf &encoded, AS_setHandle_t *job);

}  // namespace kq::tools

#endif
