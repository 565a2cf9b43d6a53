# Texts in other code sets through the packer in real locales, the bounds of every
# text and name converter, and malformed encodings. The locale helpers are shared
# with the locale tests.
kq_test(genu_wtext_test TIMEOUT 180 SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../../../i18n/test/i18n_env.cc
  ${CMAKE_CURRENT_LIST_DIR}/../../test/wire/wtext_codeset_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/../../test/wire/wtext_bounds_test.cc
  ${CMAKE_CURRENT_LIST_DIR}/../../test/wire/wtext_malformed_test.cc)
if(TARGET genu_wtext_test)
  target_include_directories(genu_wtext_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../../../i18n/test)
  target_compile_definitions(genu_wtext_test PRIVATE KQ_BINARY_DIR="${CMAKE_BINARY_DIR}")
endif()
