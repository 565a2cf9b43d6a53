kq_family(genu SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/basic.cc
  ${CMAKE_CURRENT_LIST_DIR}/text.cc
  ${CMAKE_CURRENT_LIST_DIR}/records.cc
  ${CMAKE_CURRENT_LIST_DIR}/dispatch.cc)
kq_test(genv_compare_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/../../test/compare/compare_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/../../test/compare/compare_nan_test.cc)
