# cmake -DACTION=setup|cleanup -DDRIVE=t: -DFOLDER=DIR -P WineTestDrive.cmake
#
# Maps the Wine drive DRIVE to the folder FOLDER, emptied and marked as a throw-away test
# drive (the file "updater-test-drive" at its root), or removes the mapping and the
# folder again. Works on the Wine prefix that WINEPREFIX names, ~/.wine by default. A
# drive letter that the prefix maps elsewhere is left alone, and setup then fails.
if(DEFINED ENV{WINEPREFIX} AND NOT "$ENV{WINEPREFIX}" STREQUAL "")
  set(prefix "$ENV{WINEPREFIX}")
else()
  set(prefix "$ENV{HOME}/.wine")
endif()
if(NOT IS_DIRECTORY "${prefix}/dosdevices")
  message(FATAL_ERROR "no Wine prefix at ${prefix}: run wineboot -i first")
endif()
string(TOLOWER "${DRIVE}" drive)
set(link "${prefix}/dosdevices/${drive}")

if(IS_SYMLINK "${link}")
  file(READ_SYMLINK "${link}" mapped)
  if(NOT mapped STREQUAL FOLDER)
    message(FATAL_ERROR "${DRIVE} is mapped to ${mapped} in ${prefix}: choose another "
                        "drive with -DUPDATER_TEST_DRIVE=X:")
  endif()
  file(REMOVE "${link}")
elseif(EXISTS "${link}")
  message(FATAL_ERROR "${link} exists and is no drive mapping")
endif()

file(REMOVE_RECURSE "${FOLDER}")
if(ACTION STREQUAL "setup")
  file(MAKE_DIRECTORY "${FOLDER}")
  file(TOUCH "${FOLDER}/updater-test-drive")
  file(CREATE_LINK "${FOLDER}" "${link}" SYMBOLIC)
  message(STATUS "${DRIVE} is ${FOLDER}")
endif()
