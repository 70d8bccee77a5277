# add_bmp_tool(<name> FAMILY <library>)
#
# Declares one deliverable: the executable <name> from tools/<name>.cpp, linked
# with core and its family library, installed into bin/, and its test file
# tests/<family>/<name>_test.cpp when tests are built.
function(add_bmp_tool name)
  cmake_parse_arguments(TOOL "" "FAMILY" "" ${ARGN})
  add_executable(${name} ${PROJECT_SOURCE_DIR}/tools/${name}.cpp)
  target_link_libraries(${name} PRIVATE ${TOOL_FAMILY} bmp_core)
  install(TARGETS ${name} RUNTIME DESTINATION bin)
  set_property(GLOBAL APPEND PROPERTY BMP_TOOLS ${name})
  set(test_source ${PROJECT_SOURCE_DIR}/tests/${TOOL_FAMILY}/${name}_test.cpp)
  if(BMP_TESTS AND EXISTS ${test_source})
    add_executable(${name}_test ${test_source})
    target_link_libraries(${name}_test PRIVATE ${TOOL_FAMILY} bmp_core bmp_test_support GTest::gtest_main)
    add_dependencies(${name}_test ${name})
    gtest_discover_tests(${name}_test DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()

# add_bmp_test(<name> FAMILY <library>): a unit test of a family's shared
# engines, tests/<family>/<name>_test.cpp.
function(add_bmp_test name)
  cmake_parse_arguments(TEST "" "FAMILY" "" ${ARGN})
  if(BMP_TESTS)
    add_executable(${name}_test ${PROJECT_SOURCE_DIR}/tests/${TEST_FAMILY}/${name}_test.cpp)
    target_link_libraries(${name}_test PRIVATE ${TEST_FAMILY} bmp_core bmp_test_support GTest::gtest_main)
    gtest_discover_tests(${name}_test DISCOVERY_MODE PRE_TEST)
  endif()
endfunction()
