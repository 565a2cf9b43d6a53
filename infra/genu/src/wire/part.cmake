# Wire conversion: generic values to the protocol module's wire structures and back,
# and the packing of single values into encoded bytes.
kq_family(genu SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/release.cc
  ${CMAKE_CURRENT_LIST_DIR}/texts.cc
  ${CMAKE_CURRENT_LIST_DIR}/simple.cc
  ${CMAKE_CURRENT_LIST_DIR}/records.cc
  ${CMAKE_CURRENT_LIST_DIR}/objects.cc
  ${CMAKE_CURRENT_LIST_DIR}/lists.cc
  ${CMAKE_CURRENT_LIST_DIR}/attrset.cc
  ${CMAKE_CURRENT_LIST_DIR}/assertions.cc
  ${CMAKE_CURRENT_LIST_DIR}/bridge_ber.cc
  ${CMAKE_CURRENT_LIST_DIR}/bridge_gen.cc
  ${CMAKE_CURRENT_LIST_DIR}/external.cc
  ${CMAKE_CURRENT_LIST_DIR}/composite.cc
  ${CMAKE_CURRENT_LIST_DIR}/trace.cc
  ${CMAKE_CURRENT_LIST_DIR}/pack.cc)
kq_test(genu_wire_test SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../../test/wire/wire_pack_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/../../test/wire/wire_attrset_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/../../test/wire/wire_composite_test.cc)
