kq_family(genu SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/engine.cc
  ${CMAKE_CURRENT_LIST_DIR}/layouts_core.cc
  ${CMAKE_CURRENT_LIST_DIR}/layouts_more.cc
  ${CMAKE_CURRENT_LIST_DIR}/entries.cc
  ${CMAKE_CURRENT_LIST_DIR}/octets.cc
  ${CMAKE_CURRENT_LIST_DIR}/value_seq.cc
  ${CMAKE_CURRENT_LIST_DIR}/attr_handle.cc
  ${CMAKE_CURRENT_LIST_DIR}/random.cc)
kq_test(genv_value_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/../../test/value/value_test.cc)
