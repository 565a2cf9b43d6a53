# Object identifier form conversions. The table is generated from data/oids.txt at
# build time: its C++ definitions join the library, and the public declarations of
# the named constant objects go to <build>/inc/infra/genu_oid_ids.h, the short OIDs and
# value type ids by name to <build>/inc/infra/genu_names.h.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(KQ_OID_DATA ${CMAKE_SOURCE_DIR}/data/oids.txt)
set(KQ_OID_GEN ${CMAKE_CURRENT_LIST_DIR}/gen_oid_table.py)
set(KQ_OID_TABLE_CC ${CMAKE_BINARY_DIR}/gen/oidconv/oid_table.cc)
set(KQ_OID_IDS_H ${CMAKE_BINARY_DIR}/inc/infra/genu_oid_ids.h)
set(KQ_OID_NAMES_H ${CMAKE_BINARY_DIR}/inc/infra/genu_names.h)
add_custom_command(
  OUTPUT ${KQ_OID_TABLE_CC} ${KQ_OID_IDS_H} ${KQ_OID_NAMES_H}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/gen/oidconv
          ${CMAKE_BINARY_DIR}/inc/infra
  COMMAND Python3::Interpreter ${KQ_OID_GEN} ${KQ_OID_DATA} ${KQ_OID_TABLE_CC} ${KQ_OID_IDS_H}
          ${KQ_OID_NAMES_H}
  DEPENDS ${KQ_OID_DATA} ${KQ_OID_GEN}
  COMMENT "Generating the compiled OID table"
  VERBATIM)
add_custom_target(kq_oid_table DEPENDS ${KQ_OID_TABLE_CC} ${KQ_OID_IDS_H} ${KQ_OID_NAMES_H})

kq_family(genu SOURCES
  ${KQ_OID_TABLE_CC}
  ${KQ_OID_IDS_H}
  ${CMAKE_CURRENT_LIST_DIR}/index.cc
  ${CMAKE_CURRENT_LIST_DIR}/dynamic.cc
  ${CMAKE_CURRENT_LIST_DIR}/from_short.cc
  ${CMAKE_CURRENT_LIST_DIR}/to_short.cc)


kq_test(genu_oidconv_test SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/test/oidconv/oidconv_roundtrip_test.cc
  ${CMAKE_CURRENT_SOURCE_DIR}/test/oidconv/oidconv_dynamic_test.cc)
