# Helpers shared by every subsystem's CMakeLists.txt.

# One place for warnings; -Werror only when asked (CI asks).
function(lorvane_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                         -Wno-sign-conversion)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # g++ 12 reports false -Wrestrict positives inside libstdc++'s std::string (GCC PR 105329).
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
  if(LORVANE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# lorvane_add_library(name SOURCES ... DEPS ...): a static library of one subsystem.
function(lorvane_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  lorvane_set_warnings(${name})
endfunction()

# lorvane_add_unit_tests(name SOURCES ... DEPS ...): one GoogleTest binary; every test
# case becomes a CTest test.
function(lorvane_add_unit_tests name)
  if(NOT LORVANE_TESTS)
    return()
  endif()
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main)
  lorvane_set_warnings(${name})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# lorvane_add_fuzzer(name SOURCE file DEPS ...): a libFuzzer target, built only with
# -DLORVANE_FUZZ=ON and clang. Name it <something>_fuzz; its seeds go in fuzz/<name>/.
function(lorvane_add_fuzzer name)
  if(NOT LORVANE_FUZZ)
    return()
  endif()
  cmake_parse_arguments(ARG "" "SOURCE" "DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCE})
  # All fuzz targets land in <build>/fuzz/, where scripts/fuzz.sh finds them.
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  lorvane_set_warnings(${name})
endfunction()
