# updater_unit_test(NAME SOURCES ... LIBS ... [LABEL unit|e2e|hostile|slow])
# One GoogleTest executable per module; every test case is registered with CTest under
# LABEL (default `unit`): `e2e` runs the programs, `hostile` feeds them hostile
# deliveries, `slow` are the many-trial crash and concurrency tests. `ctest -L unit` or
# `ctest -LE slow` runs a part of the suite.
# A test that needs the emulated device (testing_support, platform_internal) is built
# only where the device exists: not in a Windows build.
function(updater_unit_test name)
  if(NOT UPDATER_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "LABEL" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  foreach(lib IN ITEMS testing_support platform_internal)
    if(lib IN_LIST ARG_LIBS AND NOT TARGET ${lib})
      return()
    endif()
  endforeach()
  if(NOT ARG_LABEL)
    set(ARG_LABEL unit)
  endif()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  # A cross-built test is listed when the tests run, under the emulator, not at build time.
  if(CMAKE_CROSSCOMPILING)
    set(discovery PRE_TEST)
  else()
    set(discovery POST_BUILD)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${discovery}
                       PROPERTIES TIMEOUT 120 LABELS ${ARG_LABEL} ${ARG_PROPERTIES})
endfunction()
