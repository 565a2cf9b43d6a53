kq_family(genu SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/text.cc
  ${CMAKE_CURRENT_LIST_DIR}/domain.cc
  ${CMAKE_CURRENT_LIST_DIR}/records.cc
  ${CMAKE_CURRENT_LIST_DIR}/time.cc
  ${CMAKE_CURRENT_LIST_DIR}/acl.cc
  ${CMAKE_CURRENT_LIST_DIR}/mail.cc)
kq_test(genv_make_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/../../test/make/make_test.cc)
