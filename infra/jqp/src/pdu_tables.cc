// The record numbers of each operation's argument and result, and of each error type.
#include "private/jqp_pdu.h"

namespace kq::jqp {

// clang-format off
const int pduargs[kOperations] = {
    146, 158, 210, 219, 232, 146, 146, 158, 158, 158,  //  0 - 9
    158, 158, 158, 216, 150, 155, 168, 171, 174, 177,  // 10 - 19
    204, 235, 239, 225, 213, 222, 229, 0,   207};      // 20 - 28
const int pduresults[kOperations] = {
    148, 164, 211, 220, 233, 148, 148, 164, 164, 164,
    164, 164, 164, 217, 153, 156, 169, 172, 175, 178,
    205, 237, 240, 226, 214, 223, 230, 0,   208};
const int pduerrors[kErrorTypes] = {0, 183, -1, 180, 201, -1, -1, -1, -1, 192, 198, 186, 189, 195};
// clang-format on

}  // namespace kq::jqp
