// Operation numbers and error types to the record numbers of the compiled protocol
// module: which record an operation sends and gets back, and which record an error
// packet of a given type holds.
#ifndef KQ_INFRA_JQP_INC_PRIVATE_JQP_PDU_H
#define KQ_INFRA_JQP_INC_PRIVATE_JQP_PDU_H

namespace kq::jqp {

inline constexpr int kOperations = 29;  // operation numbers 0 to 28
inline constexpr int kErrorTypes = 14;  // error types 0 to 13

// Indexed by operation number. Operations 8 and 9 are listings without a function
// of their own; 27 has no records (0).
extern const int pduargs[kOperations];
extern const int pduresults[kOperations];
// Indexed by the reply's error type: 0 no error, -1 a type without a record.
extern const int pduerrors[kErrorTypes];

}  // namespace kq::jqp

#endif
