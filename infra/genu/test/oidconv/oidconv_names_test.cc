// The generated named constants agree with the compiled table and the value
// descriptors they stand for: a short OID constant names its own row (also in the
// high range), an attribute's value type is the type constant of its syntax, and a
// type constant selects the descriptor of that value record.
#include <gtest/gtest.h>

#include <string>

#include "infra/genu.h"
#include "kqtest.h"

namespace {

TEST(genu_names, ShortOidConstantsNameTheirRows) {
  struct Row {
    uint32_t shoid;
    const char *name;
  } rows[] = {
      {GENU_SHOID_ID_SYN_SIMPLE_NAME, "id-syn-simple-name"},
      {GENU_SHOID_ID_ATT_JOB_NAME, "id-att-job-name"},
      {GENU_SHOID_ID_ATT_DOCUMENT_FORMAT, "id-att-document-format"},
      {GENU_SHOID_ID_ATT_ASSOCIATED_QUEUE, "id-att-associated-queue"},  // first high row
      {GENU_SHOID_ID_ATT_RPC_TIMEOUT, "id-att-rpc-timeout"},
  };
  for (const Row &r : rows) {
    EXPECT_EQ(std::string(GENU_ShortOIDToAscii(r.shoid)), r.name) << r.shoid;
  }
}

TEST(genu_names, AttributeTypesAreTheirSyntaxTypeConstants) {
  struct Row {
    uint32_t attribute;
    uint32_t type;
    const AS_valueDescriptor_t *descriptor;
  } rows[] = {
      {GENU_SHOID_ID_ATT_JOB_NAME, GEN_TYPE_SIMPLE_NAME, &GENU_SimpleNameDesc},
      {GENU_SHOID_ID_ATT_ASSOCIATED_QUEUE, GEN_TYPE_SIMPLE_NAME, &GENU_SimpleNameDesc},
      {GENU_SHOID_ID_ATT_RPC_TIMEOUT, GEN_TYPE_INTEGER, &GENU_IntegerDesc},
      {GENU_SHOID_ID_ATT_COPY_COUNT, GEN_TYPE_CARDINAL, &GENU_CardinalDesc},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(GENU_ShortOIDToAscii(r.attribute));
    kq::test::StatusList l;
    uint32_t type = 0;
    ASSERT_EQ(GENU_AttrIdToType(l, r.attribute, &type), 0) << l.Text();
    EXPECT_EQ(type, r.type);
    EXPECT_EQ(GENU_AVT2Descriptor(static_cast<int32_t>(r.type)), r.descriptor);
  }
}

}  // namespace
