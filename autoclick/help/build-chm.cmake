# Compiles the manual: cmake -DSOURCE_DIR=... -DWORK_DIR=... -DOUTPUT=... -DCHMCMD=... -DICONV=...
#   -P build-chm.cmake
# The sources are UTF-8; the project, contents and index files are handed to the compiler in the
# Thai ANSI code page, since the help viewer reads them in the code page of the project's language.
foreach(var SOURCE_DIR WORK_DIR OUTPUT CHMCMD ICONV)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "build-chm.cmake: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
file(COPY "${SOURCE_DIR}/html" DESTINATION "${WORK_DIR}")

foreach(name manual.hhp contents.hhc index.hhk)
  execute_process(
    COMMAND "${ICONV}" -f UTF-8 -t WINDOWS-874 "${SOURCE_DIR}/${name}"
    OUTPUT_FILE "${WORK_DIR}/${name}"
    RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "iconv could not convert ${name} to windows-874 (status ${status})")
  endif()
endforeach()

# NOTE: chmcmd reports a missing listed file only through its exit status (217) and still leaves
# an empty manual.chm behind, so both the status and the result's content are checked.
execute_process(
  COMMAND "${CHMCMD}" manual.hhp
  WORKING_DIRECTORY "${WORK_DIR}"
  RESULT_VARIABLE status
  OUTPUT_VARIABLE log
  ERROR_VARIABLE log)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "chmcmd failed with status ${status}:\n${log}")
endif()

set(compiled "${WORK_DIR}/manual.chm")
if(NOT EXISTS "${compiled}")
  message(FATAL_ERROR "chmcmd wrote no manual.chm:\n${log}")
endif()
file(SIZE "${compiled}" size)
file(READ "${compiled}" signature LIMIT 4 HEX)
# 49545346 is "ITSF", the signature that opens every compiled help file.
if(size LESS 4096 OR NOT signature STREQUAL "49545346")
  message(FATAL_ERROR "chmcmd wrote a manual.chm of ${size} bytes that is not a compiled help file:\n${log}")
endif()

get_filename_component(output_dir "${OUTPUT}" DIRECTORY)
file(MAKE_DIRECTORY "${output_dir}")
file(COPY_FILE "${compiled}" "${OUTPUT}")
