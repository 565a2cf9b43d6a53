# Renderings of values and attribute sets for the service log.
kq_family(genu SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/text.cc
  ${CMAKE_CURRENT_LIST_DIR}/forms.cc
  ${CMAKE_CURRENT_LIST_DIR}/engine.cc
  ${CMAKE_CURRENT_LIST_DIR}/record_texts.cc
  ${CMAKE_CURRENT_LIST_DIR}/records.cc
  ${CMAKE_CURRENT_LIST_DIR}/value.cc
  ${CMAKE_CURRENT_LIST_DIR}/totext.cc)
kq_test(genu_render_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/../../test/render/render_test.cc)
