# GoogleTest built for the target from the sources that Debian's googletest package
# installs, for cross builds, where the host's libraries are of no use. Its build defines
# the targets that find_package(GTest) would (GTest::gtest, GTest::gtest_main, ...).
set(UPDATER_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${UPDATER_GOOGLETEST_SOURCE}/CMakeLists.txt)
  message(FATAL_ERROR "GoogleTest sources not found in ${UPDATER_GOOGLETEST_SOURCE}: "
                      "install Debian's googletest package")
endif()

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
add_subdirectory(${UPDATER_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)

