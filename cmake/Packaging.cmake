# The Debian package of the programs, the guides and the bash completions:
# `cmake --workflow --preset package` (or `cpack -G DEB` in a build folder) writes
# ce-updater_VERSION_ARCH.deb. It installs below /usr; the programs link zlib and SQLite
# statically, so the package depends on the C and C++ run-time libraries only.
set(CPACK_PACKAGE_NAME ce-updater)
set(CPACK_PACKAGE_VENDOR "CE updater team")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Product updater for Windows CE handhelds, with tools to pack, lint and try packages")
set(CPACK_PACKAGE_DESCRIPTION
    "updater installs delivered products on a handheld or on an emulated device; pkgtool packs, lists, lints and tries product packages; devicectl makes and inspects an emulated device.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "CE updater team <updater@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
find_program(UPDATER_DPKG_SHLIBDEPS dpkg-shlibdeps)
if(UPDATER_DPKG_SHLIBDEPS)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
endif()
set(CPACK_GENERATOR DEB)
include(CPack)
