# updater_started_program(TARGET)
#
# TARGET is a program that tests or other programs start by its path (the updater, the
# tools). In a Linux build for another processor, run through CMAKE_CROSSCOMPILING_EMULATOR,
# the program is built as NAME.<processor> and a launcher script NAME beside it starts it
# under the emulator, with the launcher's path as the program's argv[0]. Whatever starts
# NAME by path, a test or pkgtool starting the updater, then runs the emulated program;
# elsewhere NAME is the program itself. Either way the path to start is
# $<TARGET_FILE_DIR:TARGET>/$<TARGET_FILE_BASE_NAME:TARGET>, which
# updater_started_program_path() gives.
function(updater_started_program target)
  if(NOT CMAKE_CROSSCOMPILING OR NOT CMAKE_CROSSCOMPILING_EMULATOR OR WIN32)
    return()
  endif()
  set_target_properties(${target} PROPERTIES SUFFIX ".${CMAKE_SYSTEM_PROCESSOR}")
  list(JOIN CMAKE_CROSSCOMPILING_EMULATOR " " emulator)
  # An emulated program that starts another passes on no ignored signal: the emulator
  # catches every signal itself, and exec resets caught ones. A file-size limit is only
  # ever set with SIGXFSZ ignored (so that a write beyond it fails as on a full disk), so
  # under such a limit the launcher ignores SIGXFSZ again.
  file(GENERATE
    OUTPUT "$<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>"
    CONTENT "#!/bin/sh
[ \"$(ulimit -f)\" = unlimited ] || trap '' XFSZ
exec ${emulator} -0 \"$0\" \"$<TARGET_FILE:${target}>\" \"$@\"
"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                     WORLD_READ WORLD_EXECUTE)
endfunction()

# updater_started_program_path(VAR TARGET): the path by which TARGET is started.
function(updater_started_program_path var target)
  set(${var} "$<TARGET_FILE_DIR:${target}>/$<TARGET_FILE_BASE_NAME:${target}>" PARENT_SCOPE)
endfunction()
