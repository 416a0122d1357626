# Compiler settings shared by every target of the project: warnings as errors everywhere, and the
# sanitizers when the sanitize preset asks for them.
option(CLICKORA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CLICKORA_FUZZ "Build the libFuzzer targets (clang only)" OFF)

add_library(clickora_warnings INTERFACE)
target_compile_options(clickora_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Werror)

if(CLICKORA_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
endif()

if(WIN32)
  # A Windows build ships single files: no libstdc++, libgcc or winpthread DLLs beside them.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
endif()

# clickora_add_gtest(name sources... LIBS libs...): one GoogleTest executable registered with CTest.
function(clickora_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main clickora_warnings)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES LABELS unit)
endfunction()

# Adds a subdirectory only once it holds a CMakeLists.txt, so a half-built tree still configures.
macro(clickora_add_subdirectory_if_present dir)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/CMakeLists.txt)
    add_subdirectory(${dir})
  endif()
endmacro()
