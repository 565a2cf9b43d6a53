# X.400 O/R names, their extension attribute values and directory names to the
# wire and back.
kq_family(genu SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/address.cc
  ${CMAKE_CURRENT_LIST_DIR}/postal.cc
  ${CMAKE_CURRENT_LIST_DIR}/values.cc
  ${CMAKE_CURRENT_LIST_DIR}/extension.cc
  ${CMAKE_CURRENT_LIST_DIR}/dirname.cc
  ${CMAKE_CURRENT_LIST_DIR}/orname.cc)
kq_test(genu_x400_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/../../test/x400/x400_test.cc)
