// Printer configuration files of one test, no switch file (so the services are
// "etc" then "nis"), short registry time-outs, and the directory ended afterwards.
#pragma once

#include "../../prt/test/prt_test_util.h"

namespace kq::ns::test {

class NsFiles : public kq::prt::test::PrtFiles {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string switchFile;
};

}  // namespace kq::ns::test
