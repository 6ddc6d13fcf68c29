# Cross-building for 32-bit ARM Linux with Debian's armel compiler (g++-arm-linux-gnueabi:
# ARMv5TE, soft float, little-endian; pointers, long and size_t of 32 bits, as on the
# handhelds). Programs are linked statically and run under qemu-arm.
#
# The target's zlib and SQLite archives come from Debian's zlib1g-dev:armel and
# libsqlite3-dev:armel: installed (dpkg --add-architecture armel), they lie in
# /usr/lib/arm-linux-gnueabi; unpacked elsewhere with dpkg -x, name that folder in the
# environment variable UPDATER_ARMEL_ROOT when configuring (.ci/arm32 does so when apt
# cannot install them).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(ARMEL_TRIPLE arm-linux-gnueabi)
set(CMAKE_C_COMPILER ${ARMEL_TRIPLE}-gcc)
set(CMAKE_CXX_COMPILER ${ARMEL_TRIPLE}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${ARMEL_TRIPLE})

set(UPDATER_ARMEL_ROOT "$ENV{UPDATER_ARMEL_ROOT}" CACHE PATH
    "Folder into which zlib1g-dev:armel and libsqlite3-dev:armel were unpacked, if not installed")
# The compiler's own C library, the unpacked packages, then the installed ones (whose
# headers are shared by every architecture).
set(CMAKE_FIND_ROOT_PATH /usr/${ARMEL_TRIPLE} ${UPDATER_ARMEL_ROOT} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# GCC notes on every std::map and std::pair by value that their passing changed in
# GCC 7.1; nothing here links code built before that.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")

# Static programs need no target C library at run time: qemu-arm runs them as they are,
# and a program starts without loading shared libraries through the emulator.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# qemu-arm emulating an ARM926 (ARMv5TE), the class of the handhelds' processors.
find_program(QEMU_ARM_PROGRAM qemu-arm REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_ARM_PROGRAM} -cpu arm926)
