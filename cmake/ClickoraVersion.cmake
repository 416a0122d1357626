# The release's version, written once in project() of the top CMakeLists.txt, for everything that
# states it: the version blocks of tapvane.exe and horolon.ocx (through clickora_version.h), the
# bundled-controls manifest, and the packaging (through release-info.sh in the build directory).
#
# The control's version strings keep the two-part form "major.minor" with two digits of minor
# ("1.00") that its hosts have always read; the numeric version block has all four parts.
set(_minor_padded ${PROJECT_VERSION_MINOR})
if(PROJECT_VERSION_MINOR LESS 10)
  set(_minor_padded 0${PROJECT_VERSION_MINOR})
endif()
set(HOROLON_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${_minor_padded}")
set(CLICKORA_VERSION_DIR ${PROJECT_BINARY_DIR}/generated/version)
configure_file(${CMAKE_CURRENT_LIST_DIR}/clickora_version.h.in ${CLICKORA_VERSION_DIR}/clickora_version.h @ONLY)
file(WRITE ${PROJECT_BINARY_DIR}/release-info.sh.tmp
     "version='${PROJECT_VERSION}'\nhorolon_clsid='${HOROLON_CLSID}'\nhorolon_libid='${HOROLON_LIBID}'\n")
configure_file(${PROJECT_BINARY_DIR}/release-info.sh.tmp ${PROJECT_BINARY_DIR}/release-info.sh COPYONLY)
