# The third-party libraries as targets of our own: lorvane::pcre2, lorvane::yaml and
# lorvane::icu. Every target links the shared libraries, as a distribution's package of the
# program would. With LORVANE_STATIC_DEPS the program itself links their archives, the C++
# runtime and the C library instead: one self-contained file (about 37 MB, most of it
# ICU's data) that maps no shared objects at start. The sanitizer and fuzz builds keep
# everything shared.

if(LORVANE_SANITIZE OR LORVANE_FUZZ)
  set(LORVANE_STATIC_DEPS OFF)
endif()

# True while linking a target whose LORVANE_LINK_STATIC property is set.
set(lorvane_static_head "$<BOOL:$<TARGET_PROPERTY:LORVANE_LINK_STATIC>>")

function(lorvane_dependency name shared_target)
  cmake_parse_arguments(ARG "" "" "ARCHIVES;EXTRA" ${ARGN})
  add_library(lorvane_dep_${name} INTERFACE)
  add_library(lorvane::${name} ALIAS lorvane_dep_${name})
  get_target_property(includes ${shared_target} INTERFACE_INCLUDE_DIRECTORIES)
  if(includes)
    target_include_directories(lorvane_dep_${name} INTERFACE ${includes})
  endif()
  if(NOT LORVANE_STATIC_DEPS)
    target_link_libraries(lorvane_dep_${name} INTERFACE ${shared_target})
    return()
  endif()
  set(archives "")
  foreach(archive ${ARG_ARCHIVES})
    string(MAKE_C_IDENTIFIER ${archive} var)
    find_library(LORVANE_ARCHIVE_${var} NAMES ${archive} REQUIRED)
    list(APPEND archives ${LORVANE_ARCHIVE_${var}})
  endforeach()
  target_link_libraries(lorvane_dep_${name} INTERFACE
    "$<IF:${lorvane_static_head},${archives};${ARG_EXTRA},${shared_target}>")
endfunction()

lorvane_dependency(pcre2 PkgConfig::PCRE2 ARCHIVES libpcre2-8.a)
lorvane_dependency(yaml PkgConfig::YAML ARCHIVES libyaml.a)
lorvane_dependency(icu ICU::uc ARCHIVES libicuuc.a libicudata.a EXTRA ${CMAKE_DL_LIBS})

# Marks `target` (an executable) to link everything statically when LORVANE_STATIC_DEPS
# is on: the archives, the C++ runtime and the C library. ICU's plugin loader refers to
# dlopen, which a static program must not use; no_dlopen.cpp answers that reference.
function(lorvane_link_static target)
  if(LORVANE_STATIC_DEPS)
    set_target_properties(${target} PROPERTIES LORVANE_LINK_STATIC ON)
    target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/cmake/no_dlopen.cpp)
    target_link_options(${target} PRIVATE -static -Wl,--wrap=dlopen)
  endif()
endfunction()
