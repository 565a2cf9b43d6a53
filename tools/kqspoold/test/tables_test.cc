// kqspoold decodes each request with the record the client encoded it as: its table
// of operations must name, for every operation number, the argument and result
// records of the client's own tables.
#include <gtest/gtest.h>

#include "dispatch.h"
#include "private/jqp_pdu.h"

namespace kq::spool::test {
namespace {

TEST(SpoolTables, EveryOperationUsesTheClientsRecords) {
  static_assert(kOperations == kq::jqp::kOperations);
  for (int32_t op = 0; op < kOperations; ++op) {
    EXPECT_EQ(ArgumentRecord(op), kq::jqp::pduargs[op]) << op;
    EXPECT_EQ(ResultRecord(op), kq::jqp::pduresults[op]) << op;
  }
  for (int32_t op : {-1, kOperations, 4711}) {
    EXPECT_EQ(ArgumentRecord(op), 0) << op;
    EXPECT_EQ(ResultRecord(op), 0) << op;
  }
}

}  // namespace
}  // namespace kq::spool::test
