# Tests that run Windows programs under Wine on a virtual X display.
#
# clickora_add_wine_test(NAME name
#                        COMMAND command args...
#                        PASS_REGULAR_EXPRESSION regex
#                        [FAIL_REGULAR_EXPRESSION regex] [TIMEOUT seconds] [RESOURCE_LOCK names...])
#
# COMMAND runs inside the shared Wine environment (use `wine program.exe` for a Windows program;
# generator expressions such as $<TARGET_FILE:...> work). Wine reports a program that could not
# run at all with exit code 0, so a test must say what its output has to show: the
# PASS_REGULAR_EXPRESSION is required, and the exit code is then not looked at.

function(clickora_add_wine_test)
  cmake_parse_arguments(ARG "" "NAME;PASS_REGULAR_EXPRESSION;FAIL_REGULAR_EXPRESSION;TIMEOUT"
                        "COMMAND;RESOURCE_LOCK" ${ARGN})
  if(NOT ARG_NAME OR NOT ARG_COMMAND OR NOT ARG_PASS_REGULAR_EXPRESSION)
    message(FATAL_ERROR "clickora_add_wine_test needs NAME, COMMAND and PASS_REGULAR_EXPRESSION")
  endif()
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 120)
  endif()
  add_test(NAME ${ARG_NAME}
           COMMAND ${CLICKORA_WINE_ENV_COMMAND} run ${CLICKORA_WINE_STATE_DIR} ${ARG_COMMAND})
  set_tests_properties(${ARG_NAME} PROPERTIES
    FIXTURES_REQUIRED clickora_wine
    LABELS wine
    TIMEOUT ${ARG_TIMEOUT}
    PASS_REGULAR_EXPRESSION "${ARG_PASS_REGULAR_EXPRESSION}"
    ENVIRONMENT "${CLICKORA_WINE_ENVIRONMENT};CLICKORA_WINE_TIMEOUT=${ARG_TIMEOUT}")
  if(ARG_FAIL_REGULAR_EXPRESSION)
    set_tests_properties(${ARG_NAME} PROPERTIES FAIL_REGULAR_EXPRESSION "${ARG_FAIL_REGULAR_EXPRESSION}")
  endif()
  if(ARG_RESOURCE_LOCK)
    set_tests_properties(${ARG_NAME} PROPERTIES RESOURCE_LOCK "${ARG_RESOURCE_LOCK}")
  endif()
endfunction()
