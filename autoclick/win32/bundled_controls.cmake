# The manifest of the controls that come with tapvane.exe (registration-free activation), made
# from the control's GUIDs and the ProgID of its identity header; TAPVANE_CONTROLS_MANIFEST names it.
set(_identity_header
    ${PROJECT_SOURCE_DIR}/timer-control/identity/include/timer_control/long_timer_identity.h)
file(STRINGS ${_identity_header} _progid_line REGEX "kProgId = \"")
string(REGEX REPLACE ".*kProgId = \"([^\"]+)\".*" "\\1" HOROLON_PROGID "${_progid_line}")
if(NOT HOROLON_PROGID MATCHES "^[A-Za-z][A-Za-z0-9_]*\\.[A-Za-z][A-Za-z0-9_]*$")
  message(FATAL_ERROR "no ProgID found in ${_identity_header}")
endif()
set(TAPVANE_CONTROLS_MANIFEST ${CMAKE_CURRENT_BINARY_DIR}/bundled_controls.manifest)
configure_file(${CMAKE_CURRENT_LIST_DIR}/bundled_controls.manifest.in ${TAPVANE_CONTROLS_MANIFEST} @ONLY)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_identity_header})
