kq_family(genu SOURCES ${CMAKE_CURRENT_LIST_DIR}/desc_table.cc)
