# The coding world: the per-thread BER world and the PDU operations on it.
kq_family(genu SOURCES ${CMAKE_CURRENT_LIST_DIR}/world.cc ${CMAKE_CURRENT_LIST_DIR}/coding.cc)
kq_test(genu_world_test LABELS threads SOURCES ${CMAKE_CURRENT_LIST_DIR}/../../test/world/world_test.cc)
