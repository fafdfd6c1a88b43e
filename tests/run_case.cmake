# Runs one whole-program case (see tests/README.md):
#   cmake -DBIN=<lorvane-cli> -DCASE=<case folder> -DSCRATCH=<scratch folder>
#         -DSOURCE=<source tree> -P run_case.cmake
cmake_minimum_required(VERSION 3.25)

set(work ${SCRATCH}/work)
file(REMOVE_RECURSE ${SCRATCH})
file(MAKE_DIRECTORY ${work})
file(REAL_PATH ${work} work)
if(EXISTS ${CASE}/in)
  file(COPY ${CASE}/in/ DESTINATION ${work})
endif()

# The colour variables of the caller never reach the program; a case sets its own in `cmd`.
execute_process(
  COMMAND ${CMAKE_COMMAND} -E env --unset=NO_COLOR --unset=CLICOLOR --unset=CLICOLOR_FORCE
          --unset=CI --unset=TERM LORVANE=${BIN} WORK=${work} SOURCE=${SOURCE} sh ${CASE}/cmd
  WORKING_DIRECTORY ${work}
  INPUT_FILE /dev/null
  OUTPUT_FILE ${SCRATCH}/stdout
  ERROR_FILE ${SCRATCH}/stderr
  RESULT_VARIABLE status)

set(failures 0)

# Compares `actual` with `expected`; "@WORK@" in the expected file stands for the
# canonical work folder of the run.
function(expect_same_file expected actual label)
  file(STRINGS ${expected} work_lines REGEX "@WORK@")
  set(compare ${expected})
  if(work_lines)
    file(READ ${expected} content)
    string(REPLACE "@WORK@" "${work}" content "${content}")
    get_filename_component(base ${actual} NAME)
    set(compare ${SCRATCH}/expected.${base})
    file(WRITE ${compare} "${content}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${compare} ${actual}
                  RESULT_VARIABLE differ OUTPUT_QUIET ERROR_QUIET)
  if(differ)
    message("MISMATCH in ${label}:")
    execute_process(COMMAND diff -u ${compare} ${actual})
    math(EXPR f "${failures} + 1")
    set(failures ${f} PARENT_SCOPE)
  endif()
endfunction()

set(want_status 0)
if(EXISTS ${CASE}/status)
  file(READ ${CASE}/status want_status)
  string(STRIP "${want_status}" want_status)
endif()
if(NOT "${status}" STREQUAL "${want_status}")
  message("MISMATCH in exit status: want ${want_status}, got ${status}")
  math(EXPR failures "${failures} + 1")
endif()

foreach(stream stdout stderr)
  set(expected ${CASE}/${stream})
  if(NOT EXISTS ${expected})
    set(expected ${SCRATCH}/empty)
    file(WRITE ${expected} "")
  endif()
  expect_same_file(${expected} ${SCRATCH}/${stream} ${stream})
endforeach()

# The files of the work folder after the run must be exactly those of in/, with out/
# laid over them: nothing missing, nothing extra, every byte the same.
set(want_files "")
foreach(tree in out)
  if(EXISTS ${CASE}/${tree})
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${CASE}/${tree} ${CASE}/${tree}/*)
    list(APPEND want_files ${files})
  endif()
endforeach()
list(REMOVE_DUPLICATES want_files)
file(GLOB_RECURSE got_files LIST_DIRECTORIES false RELATIVE ${work} ${work}/*)
foreach(file ${got_files})
  if(NOT file IN_LIST want_files)
    message("UNEXPECTED file written: ${file}")
    math(EXPR failures "${failures} + 1")
  endif()
endforeach()
foreach(file ${want_files})
  set(expected ${CASE}/out/${file})
  if(NOT EXISTS ${expected})
    set(expected ${CASE}/in/${file})
  endif()
  if(NOT EXISTS ${work}/${file})
    message("MISSING file: ${file}")
    math(EXPR failures "${failures} + 1")
  else()
    expect_same_file(${expected} ${work}/${file} ${file})
  endif()
endforeach()

if(failures GREATER 0)
  message("--- stderr of the run:")
  file(READ ${SCRATCH}/stderr err)
  message("${err}")
  message(FATAL_ERROR "${failures} mismatch(es) in ${CASE}")
endif()
