# Compiler settings shared by every target of the project: warnings as errors everywhere, and the
# sanitizers when the sanitize preset asks for them.
option(CLICKORA_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(CLICKORA_FUZZ "Build the libFuzzer targets (clang only)" OFF)

# The backends, chosen here once: a Windows build carries the Windows runtime, horolon.ocx,
# tapvane.exe and its Wine tests; any other build the POSIX services and the Linux (Qt 6/X11)
# runtime, libhorolon.so and the native tapvane. An option that does not apply is forced off.
include(CMakeDependentOption)
cmake_dependent_option(CLICKORA_BUILD_WIN32 "Build the Windows backend and deliverables" ON
  "WIN32" OFF)
cmake_dependent_option(CLICKORA_BUILD_POSIX "Build the window-less services on POSIX" ON
  "NOT WIN32" OFF)
cmake_dependent_option(CLICKORA_BUILD_X11 "Build the Linux (Qt 6/X11) backend and deliverables" ON
  "CLICKORA_BUILD_POSIX" OFF)

add_library(clickora_warnings INTERFACE)
target_compile_options(clickora_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # NOTE: GCC 12 at -O3 reports false -Wrestrict overlaps inside std::string's own inlined copies.
  target_compile_options(clickora_warnings INTERFACE -Wno-restrict)
endif()

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

# clickora_add_portable_library(name sources...): a static library of portable code, its public
# headers in include/ beside it, with its tests/ (native builds) and fuzz/ (CLICKORA_FUZZ) folders.
# The fuzzers compile the sources themselves, for their coverage.
function(clickora_add_portable_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include)
  target_compile_features(${name} PUBLIC cxx_std_20)
  target_link_libraries(${name} PRIVATE clickora_warnings)
  if(NOT CMAKE_CROSSCOMPILING)
    add_subdirectory(tests)
  endif()
  if(CLICKORA_FUZZ)
    add_subdirectory(fuzz)
  endif()
endfunction()

# clickora_require_program(VAR program PACKAGE debian-package FOR what): finds program (the path
# in VAR) or stops the configure naming the Debian package that brings it. A test that needs a
# tool never skips itself: without the tool there is no build in which it would run.
function(clickora_require_program var program)
  cmake_parse_arguments(ARG "" "PACKAGE;FOR" "" ${ARGN})
  find_program(${var} ${program})
  if(NOT ${var})
    message(FATAL_ERROR "${program} is needed ${ARG_FOR}: install the Debian package "
                        "${ARG_PACKAGE} (scripts/install-deps installs every package the build needs)")
  endif()
endfunction()

# clickora_require_python_module(module PACKAGE debian-package): Debian's python3 (in
# CLICKORA_PYTHON3) and the module, or the configure stops naming the package that brings it.
function(clickora_require_python_module module)
  cmake_parse_arguments(ARG "" "PACKAGE" "" ${ARGN})
  find_program(CLICKORA_PYTHON3 python3 PATHS /usr/bin NO_DEFAULT_PATH)
  if(NOT CLICKORA_PYTHON3)
    message(FATAL_ERROR "Python 3 is needed for the end-to-end tests: install the Debian package python3")
  endif()
  execute_process(COMMAND ${CLICKORA_PYTHON3} -c "import ${module}" RESULT_VARIABLE missing
                  OUTPUT_QUIET ERROR_QUIET)
  if(missing)
    message(FATAL_ERROR "The Python module ${module} is needed for the end-to-end tests: install "
                        "the Debian package ${ARG_PACKAGE}")
  endif()
endfunction()

# clickora_add_fuzzer(name SECONDS s SOURCES sources... INCLUDES dirs...): a libFuzzer target,
# registered with CTest (label fuzz) to run for s seconds from the seed corpus in corpus/ beside
# it. The sources under test are compiled into the target, so that the fuzzer sees their coverage.
# New inputs go to a corpus folder in the build tree, never into the committed seeds.
function(clickora_add_fuzzer name)
  cmake_parse_arguments(ARG "" "SECONDS" "SOURCES;INCLUDES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${ARG_INCLUDES})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE clickora_warnings)
  set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  file(MAKE_DIRECTORY ${work})
  add_test(NAME ${name}
    COMMAND ${name} -max_total_time=${ARG_SECONDS} -timeout=10 -rss_limit_mb=2048
            -print_final_stats=1 -artifact_prefix=${CMAKE_CURRENT_BINARY_DIR}/${name}-
            ${work} ${CMAKE_CURRENT_SOURCE_DIR}/corpus)
  math(EXPR limit "${ARG_SECONDS} * 3 + 60")
  set_tests_properties(${name} PROPERTIES LABELS fuzz TIMEOUT ${limit})
endfunction()
