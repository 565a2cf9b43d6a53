# Code-set conversion of texts through per-thread iconv contexts. Its tests live
# with the locale tables in infra/i18n, which register the callbacks it uses.
kq_family(genu SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/context.cc
  ${CMAKE_CURRENT_LIST_DIR}/convert.cc)
