# Helpers shared by the family CMakeLists.txt files.

# kq_family(SOURCES ... [LIBS ...]): adds a family's sources to the library; its
# inc/ directory (private headers) is visible to the library and to the tests.
function(kq_family)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS" ${ARGN})
  target_sources(kqcore_objs PRIVATE ${F_SOURCES})
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/inc)
    target_include_directories(kqcore_objs PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/inc)
    set_property(GLOBAL APPEND PROPERTY KQ_PRIVATE_INCS ${CMAKE_CURRENT_SOURCE_DIR}/inc)
  endif()
  if(F_LIBS)
    target_link_libraries(kqcore_objs PUBLIC ${F_LIBS})
    set_property(GLOBAL APPEND PROPERTY KQ_EXTRA_LIBS ${F_LIBS})
  endif()
endfunction()

# kq_test(NAME SOURCES ...): one GoogleTest executable, linked against the static
# archive (so internals are reachable), each case registered with CTest. Tests see
# the staged installation root through QV_ROOT.
function(kq_test name)
  if(NOT KQ_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE kqcore_static kq_test_support GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  add_dependencies(${name} kq_stage)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QV_ROOT=${KQ_STAGE}"
               TIMEOUT ${T_TIMEOUT})
endfunction()
