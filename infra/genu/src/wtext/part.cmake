# Texts in other code sets through the packer in real locales (the shared locale
# environment of test/support), the bounds of every text and name converter, and
# malformed encodings.
kq_test(genu_wtext_test TIMEOUT 180 LABELS threads SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/../../test/wire/wtext_test.cc)
