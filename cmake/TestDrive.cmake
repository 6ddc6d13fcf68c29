# The throw-away drive of the Windows tests (testing/win32/temp_drive.h). Under Wine a
# test fixture maps it to a folder of the build before the tests and removes it after;
# on Windows, map it yourself (subst T: FOLDER) and put the file "updater-test-drive" at
# its root. Tests that use it take ${UPDATER_TEST_DRIVE_PROPERTIES}: they run one at a
# time and know the drive by the environment variable UPDATER_TEST_DRIVE.
set(UPDATER_TEST_DRIVE "T:" CACHE STRING "Drive letter of the throw-away test drive")

set(UPDATER_TEST_DRIVE_PROPERTIES
  ENVIRONMENT UPDATER_TEST_DRIVE=${UPDATER_TEST_DRIVE}
  RESOURCE_LOCK test_drive
)

get_filename_component(emulator_name "${CMAKE_CROSSCOMPILING_EMULATOR}" NAME)
if(emulator_name MATCHES "^wine")
  set(drive_folder ${CMAKE_BINARY_DIR}/test-drive)
  foreach(action IN ITEMS setup cleanup)
    add_test(NAME test_drive_${action}
             COMMAND ${CMAKE_COMMAND} -DACTION=${action} -DDRIVE=${UPDATER_TEST_DRIVE}
                     -DFOLDER=${drive_folder} -P ${PROJECT_SOURCE_DIR}/cmake/WineTestDrive.cmake)
  endforeach()
  set_tests_properties(test_drive_setup PROPERTIES FIXTURES_SETUP test_drive)
  set_tests_properties(test_drive_cleanup PROPERTIES FIXTURES_CLEANUP test_drive)
  list(APPEND UPDATER_TEST_DRIVE_PROPERTIES FIXTURES_REQUIRED test_drive)
endif()
