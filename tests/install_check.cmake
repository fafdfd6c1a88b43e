# Installs the build tree under a scratch prefix, as `cmake --install BUILD --prefix DIR`
# does, and checks what lands there: the program under the binaries directory and nothing
# else, answering as the built program does.
#   cmake -DBUILD=<build tree> -DBIN=<built lorvane-cli> -DBINDIR=<binaries directory>
#         -DSCRATCH=<scratch prefix> -P install_check.cmake
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${SCRATCH})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${SCRATCH}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(status)
  message(FATAL_ERROR "install failed (${status}):\n${errors}")
endif()

file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${SCRATCH} ${SCRATCH}/*)
if(NOT installed STREQUAL "${BINDIR}/lorvane-cli")
  message(FATAL_ERROR "installed files: '${installed}', expected only '${BINDIR}/lorvane-cli'")
endif()

execute_process(COMMAND ${SCRATCH}/${BINDIR}/lorvane-cli --version
                RESULT_VARIABLE installed_status OUTPUT_VARIABLE installed_out)
execute_process(COMMAND ${BIN} --version OUTPUT_VARIABLE built_out)
if(installed_status OR NOT installed_out STREQUAL built_out)
  message(FATAL_ERROR
          "installed program answered '${installed_out}' (status ${installed_status}), "
          "the built one '${built_out}'")
endif()
