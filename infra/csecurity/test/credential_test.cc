// Selectors that make no credentials, and the trace of the credential call. What the
// credentials carry is read back on the server side of a call (rpc_test.cc).
#include <rpc/rpc.h>
#include <unistd.h>

#include <string>

#include "csec_test_util.h"

namespace kq::test {
namespace {

class Credential : public CredentialFiles {
 protected:
  ~Credential() override {
    SEC_SetClientType(SEC_CLIENT_USER);
    if (slot) auth_destroy(slot);
  }
  AUTH *slot = nullptr;
};

TEST_F(Credential, UnsupportedSelectorsLeaveTheSlotAlone) {
  LogCapture log("i");
  SEC_selector_t system = {SEC_MECH_ONC, SEC_FLAVOUR_SYS};
  ASSERT_EQ(SEC_AddCredential_C(&system, &slot), SEC_OK);
  AUTH *before = slot;
  struct Case {
    SEC_selector_t selector;
    const char *trace;  // null: none expected
  } cases[] = {
      {{1, SEC_FLAVOUR_SYS}, "SEC_AddCredential_C: Authorization type 1 not supported"},
      {{7, SEC_FLAVOUR_NONE}, "SEC_AddCredential_C: Authorization type 7 not supported"},
      {{SEC_MECH_ONC, 2}, nullptr},
      {{SEC_MECH_ONC, 3}, nullptr},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(SEC_AddCredential_C(&c.selector, &slot), SEC_UNSUPPORTED);
    EXPECT_EQ(slot, before);
    if (c.trace) {
      EXPECT_NE(log.Text().find(c.trace), std::string::npos) << log.Text();
    }
  }
  EXPECT_EQ(SEC_AddCredential_C(nullptr, &slot), SEC_UNSUPPORTED);
  EXPECT_EQ(SEC_AddCredential_C(&system, nullptr), SEC_UNSUPPORTED);
  EXPECT_EQ(SEC_SetClientType(2), SEC_UNSUPPORTED);
}

TEST_F(Credential, TracesEntryAndExitWithTheStatus) {
  LogCapture log("F");
  SEC_selector_t selector = {SEC_MECH_ONC, 9};
  SEC_AddCredential_C(&selector, &slot);
  std::string text = log.Text();
  EXPECT_NE(text.find("SEC_AddCredential_C"), std::string::npos) << text;
  EXPECT_NE(text.find("status=103"), std::string::npos) << text;
}

}  // namespace
}  // namespace kq::test
