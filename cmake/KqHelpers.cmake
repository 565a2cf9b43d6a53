# Helpers shared by the family CMakeLists.txt files.

# kq_family(NAME [USES family...] [LIBS library...] [SOURCES source...])
#
# One build target per family. kq_<name> holds the family's objects and is the only
# target that sees its private headers (infra/<name>/inc, included as "private/...").
# kq_<name>_api is what a user of the family gets: the public headers, the family's
# declared internal interface (infra/<name>/iface, included as "internal/..."), the
# interfaces of the families it USES and the system libraries it needs. The shared
# library and the static archive are linked from every family's objects.
#
# A family may be called again (genu's topics each add their sources); USES and LIBS
# accumulate. scripts/check-layers holds the code to the declared USES.
function(kq_family name)
  cmake_parse_arguments(F "" "" "SOURCES;USES;LIBS" ${ARGN})
  if(NOT TARGET kq_${name})
    add_library(kq_${name}_api INTERFACE)
    target_include_directories(kq_${name}_api INTERFACE ${CMAKE_SOURCE_DIR}/inc
                                                        ${CMAKE_BINARY_DIR}/inc
                                                        ${CMAKE_BINARY_DIR}/inc/infra)
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/iface)
      target_include_directories(kq_${name}_api INTERFACE ${CMAKE_CURRENT_SOURCE_DIR}/iface)
    endif()
    target_link_libraries(kq_${name}_api INTERFACE Threads::Threads)
    # The generated public header of named identifiers.
    add_dependencies(kq_${name}_api kq_oid_table)

    add_library(kq_${name} OBJECT)
    target_include_directories(kq_${name} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/inc)
    target_compile_definitions(kq_${name} PRIVATE KQ_BUILDING_LIBRARY)
    target_link_libraries(kq_${name} PUBLIC kq_${name}_api)
    set_property(GLOBAL APPEND PROPERTY KQ_FAMILIES ${name})
    set_property(GLOBAL PROPERTY KQ_FAMILY_DIR_${name} ${CMAKE_CURRENT_SOURCE_DIR})
  endif()
  foreach(used ${F_USES})
    target_link_libraries(kq_${name}_api INTERFACE kq_${used}_api)
  endforeach()
  if(F_LIBS)
    target_link_libraries(kq_${name}_api INTERFACE ${F_LIBS})
    set_property(GLOBAL APPEND PROPERTY KQ_EXTRA_LIBS ${F_LIBS})
  endif()
  target_sources(kq_${name} PRIVATE ${F_SOURCES})
endfunction()

# kq_family_private(TARGET FAMILY): lets a white-box program of a family (its tests,
# its fuzz harness) see the family's private headers and interfaces.
function(kq_family_private target family)
  get_property(dir GLOBAL PROPERTY KQ_FAMILY_DIR_${family})
  target_include_directories(${target} PRIVATE ${dir}/inc)
  target_link_libraries(${target} PRIVATE kq_${family}_api)
endfunction()

# kq_test_label(TARGET LABEL): the target kq_tests_<label> builds the test program
# TARGET, whose cases carry the CTest label LABEL (see kq_test's LABELS).
function(kq_test_label target label)
  if(NOT TARGET kq_tests_${label})
    add_custom_target(kq_tests_${label})
  endif()
  add_dependencies(kq_tests_${label} ${target})
endfunction()

# kq_test(NAME [FAMILY family] SOURCES ... [LIBS ...] [TIMEOUT s] [LABELS label]): one
# GoogleTest executable, linked against the static archive so that internals are
# reachable. It sees the private headers of its family (by default the family whose
# directory declares it) and nothing of other families but their public and declared
# internal interfaces. Each case is registered with CTest; tests see the staged
# installation root through QV_ROOT, also when the program is run by hand
# (test/support/stage_root.cc).
#
# LABELS gives every case a CTest label, and the target kq_tests_<label> builds every
# program of that label. `threads` marks the suites that start threads: the
# ThreadSanitizer build (KQ_TSAN) builds and runs only those (scripts/test).
function(kq_test name)
  if(NOT KQ_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "TIMEOUT;FAMILY;LABELS" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES} $<TARGET_OBJECTS:kq_test_stage>)
  target_link_libraries(${name} PRIVATE kqcore_static kq_test_support GTest::gtest
                                        GTest::gtest_main GTest::gmock ${T_LIBS})
  if(NOT T_FAMILY)
    get_filename_component(parent ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
    if(parent STREQUAL "${CMAKE_SOURCE_DIR}/infra")
      get_filename_component(T_FAMILY ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    endif()
  endif()
  if(T_FAMILY)
    kq_family_private(${name} ${T_FAMILY})
  endif()
  add_dependencies(${name} kq_stage)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(extra)
  if(T_LABELS)
    list(APPEND extra LABELS ${T_LABELS})
    kq_test_label(${name} ${T_LABELS})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QV_ROOT=${KQ_STAGE}"
               TIMEOUT ${T_TIMEOUT} ${extra})
endfunction()

# kq_nis_test(NAME [FAMILY family] SOURCES ... [LIBS ...]): a GoogleTest executable like
# kq_test whose cases run against the real NIS server of the nis fixture
# (scripts/nis-fixture, registered in test/CMakeLists.txt): each case runs through
# `nis-fixture run`, inside the server's namespaces, and finds the fixture's state
# directory in KQ_NIS_FIXTURE (its file `skip` says why the server cannot run here).
set(KQ_NIS_STATE ${CMAKE_BINARY_DIR}/nis_fixture)
function(kq_nis_test name)
  if(NOT KQ_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(T "" "FAMILY" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE kqcore_static kq_test_support GTest::gtest
                                        GTest::gtest_main ${T_LIBS})
  if(NOT T_FAMILY)
    get_filename_component(T_FAMILY ${CMAKE_CURRENT_SOURCE_DIR} NAME)
  endif()
  kq_family_private(${name} ${T_FAMILY})
  add_dependencies(${name} kq_stage)
  set_property(TARGET ${name} PROPERTY CROSSCOMPILING_EMULATOR
               ${CMAKE_SOURCE_DIR}/scripts/nis-fixture run ${KQ_NIS_STATE})
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QV_ROOT=${KQ_STAGE}"
               FIXTURES_REQUIRED nis RESOURCE_LOCK nis TIMEOUT 120)
endfunction()

# kq_transient_program(<var> <slot>): an RPC program number in the transient range
# (0x40000000-0x5fffffff) for the loopback servers of this build tree's tests: derived
# from the build directory, so that two build trees running their tests on one machine
# (one rpcbind) never register the same number; <slot> (0-15) tells one fixture from
# another within a tree.
function(kq_transient_program var slot)
  string(MD5 hash "${CMAKE_BINARY_DIR}")
  string(SUBSTRING "${hash}" 0 6 hex)
  math(EXPR number "0x48000000 + (0x${hex} * 16) + ${slot}")
  set(${var} ${number} PARENT_SCOPE)
endfunction()

# kq_fixture(NAME SCRIPT STATE [ARGS...]): a service that tests share. CTest runs
# `SCRIPT start STATE ARGS...` (test NAME_fixture_start) before the first test that
# requires fixture NAME and `SCRIPT stop STATE` (NAME_fixture_stop) after the last.
function(kq_fixture name script state)
  add_test(NAME ${name}_fixture_start COMMAND ${script} start ${state} ${ARGN})
  set_tests_properties(${name}_fixture_start PROPERTIES FIXTURES_SETUP ${name})
  add_test(NAME ${name}_fixture_stop COMMAND ${script} stop ${state})
  set_tests_properties(${name}_fixture_stop PROPERTIES FIXTURES_CLEANUP ${name})
endfunction()

# kq_fixture_test(NAME FIXTURE f ENV var STATE dir SOURCES ... [FAMILY family]
#                 [LIBS ...] [DEPENDS targets...] [TIMEOUT s] [LABELS label] [SHARED]
#                 [TIRPC]):
# a GoogleTest executable whose cases require fixture f and find its state directory
# in the environment variable `var`. That is the only variable given: with a list in
# ENVIRONMENT, gtest_discover_tests drops the properties after it. The cases hold the
# fixture's resource lock unless SHARED; TIRPC adds libtirpc's include directory.
function(kq_fixture_test name)
  cmake_parse_arguments(T "SHARED;TIRPC" "FIXTURE;ENV;STATE;FAMILY;TIMEOUT;LABELS"
                        "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} kqcore_static kq_test_support GTest::gtest
                                        GTest::gtest_main)
  if(T_FAMILY)
    kq_family_private(${name} ${T_FAMILY})
  endif()
  if(T_TIRPC)
    target_include_directories(${name} PRIVATE /usr/include/tirpc)
  endif()
  add_dependencies(${name} kq_stage ${T_DEPENDS})
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set(extra RESOURCE_LOCK ${T_FIXTURE})
  if(T_SHARED)
    set(extra)
  endif()
  if(T_LABELS)
    list(APPEND extra LABELS ${T_LABELS})
    kq_test_label(${name} ${T_LABELS})
    add_dependencies(kq_tests_${T_LABELS} ${T_DEPENDS})
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "${T_ENV}=${T_STATE}" FIXTURES_REQUIRED ${T_FIXTURE} TIMEOUT ${T_TIMEOUT}
               ${extra})
endfunction()
