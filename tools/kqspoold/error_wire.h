// DPA errors as kqspoold sends them: built with the ERDPA_ builders while a request
// is handled, then turned into the error record of their kind and encoded with the
// error type that tells the client which record it holds.
#ifndef KQ_TOOLS_KQSPOOLD_ERROR_WIRE_H
#define KQ_TOOLS_KQSPOOLD_ERROR_WIRE_H

#include <cstdint>
#include <string>

#include "infra/erdpa.h"

namespace kq::spool {

// The reply's error type for an error kind (0 for an unknown kind).
int32_t ErrorTypeOf(int32_t kind);

// Encodes `error` as the record of its kind; false when it cannot be converted.
bool EncodeError(const ERDPA_errorResult_t *error, int32_t *errorType, std::string *bytes);

// The error of one request, built problem by problem under the builders' precedence.
class RequestError {
 public:
  RequestError();
  ~RequestError();
  RequestError(const RequestError &) = delete;
  RequestError &operator=(const RequestError &) = delete;

  // The server named in service errors.
  void SetServer(const std::string &name) { server_ = name; }

  // Problems about a job (by identifier) or a named object (printer, server).
  void Selection(uint32_t problem, const std::string &job, const char *message);
  void SelectionName(uint32_t problem, const std::string &name, const char *message);
  void Access(uint32_t problem, const std::string &name, bool isJob, const char *message);
  void Update(uint32_t problem, const std::string &job, const char *message);
  void Service(uint32_t problem, const char *message);
  // An attribute problem about attribute `id`; 0 (an identifier that does not
  // convert at all) becomes a service error, unsupported parameter value.
  void Attribute(uint32_t problem, uint32_t id, const char *message);

  bool Any() const { return error_ != nullptr; }
  const ERDPA_errorResult_t *Get() const { return error_; }

 private:
  ERDPA_errorResult_t *error_ = nullptr;
  STF_statusList_t *status_ = nullptr;
  std::string server_ = "kqspoold";
};

}  // namespace kq::spool

#endif
