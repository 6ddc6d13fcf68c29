# updater_unit_test(NAME SOURCES ... LIBS ...)
# One GoogleTest executable per module; every test case is registered with CTest.
# A test that needs the emulated device (testing_support, platform_internal) is built
# only where the device exists: not in a Windows build.
function(updater_unit_test name)
  if(NOT UPDATER_BUILD_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;PROPERTIES" ${ARGN})
  foreach(lib IN ITEMS testing_support platform_internal)
    if(lib IN_LIST ARG_LIBS AND NOT TARGET ${lib})
      return()
    endif()
  endforeach()
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  # A cross-built test is listed when the tests run, under the emulator, not at build time.
  if(CMAKE_CROSSCOMPILING)
    set(discovery PRE_TEST)
  else()
    set(discovery POST_BUILD)
  endif()
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE ${discovery}
                       PROPERTIES TIMEOUT 120 ${ARG_PROPERTIES})
endfunction()
