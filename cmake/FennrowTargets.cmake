# Flags every fennrow target shares. The engine's arithmetic is part of its
# design: no fast-math, no fused multiply-add contraction, so two builds of the
# same source agree sample for sample. The lane templates are instantiated
# with 32-byte vectors in files built for SSE2 as well as for AVX2; such
# vectors never cross a library's boundary, so GCC's note that passing them
# differs between the two (-Wpsabi) does not apply.
set(FENNROW_COMMON_OPTIONS -Wall -Wextra -Wno-psabi -ffp-contract=off -fno-fast-math)
set(FENNROW_SANITIZER_OPTIONS -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)

function(fennrow_apply_options target)
  target_compile_options(${target} PRIVATE ${FENNROW_COMMON_OPTIONS})
  if(FENNROW_SANITIZE OR FENNROW_BUILD_FUZZ)
    target_compile_options(${target} PRIVATE ${FENNROW_SANITIZER_OPTIONS})
    target_link_options(${target} PRIVATE ${FENNROW_SANITIZER_OPTIONS})
  endif()
  # In a fuzz build the libraries carry coverage feedback too, or the fuzzer
  # would only see its own driver.
  if(FENNROW_BUILD_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()

# fennrow_library(name DIRS dir... [DEPS target...])
# A static library made of every .cpp below src/<dir> for each dir.
function(fennrow_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;DEPS" ${ARGN})
  set(sources "")
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/src/${dir}/*.cpp")
    list(APPEND sources ${found})
  endforeach()
  if(NOT sources)
    set(sources "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  fennrow_apply_options(${name})
endfunction()

# fennrow_plugin_module(name SUFFIX suffix OUTPUT_DIRECTORY dir EXPORTS map LINK item...)
# A plugin module as a host loads it: the file fennrow<suffix> in dir, made
# of the LINK items. It exports only the symbols of its export map (the
# version script of an ELF module; a Windows DLL exports what is marked
# dllexport, which is the same set), and every symbol must be resolved when
# it is linked, except that clang leaves a sanitized module's runtime to the
# program that loads it (the tests and fuzzers carry it). On Windows the
# runtimes are linked in statically (see the toolchain file).
function(fennrow_plugin_module name)
  cmake_parse_arguments(ARG "" "SUFFIX;OUTPUT_DIRECTORY;EXPORTS" "LINK" ${ARGN})
  add_library(${name} MODULE "${PROJECT_SOURCE_DIR}/cmake/empty.cpp")
  target_link_libraries(${name} PRIVATE ${ARG_LINK})
  set_target_properties(${name} PROPERTIES PREFIX "" SUFFIX "${ARG_SUFFIX}" OUTPUT_NAME "fennrow"
                        LIBRARY_OUTPUT_DIRECTORY "${ARG_OUTPUT_DIRECTORY}")
  if(WIN32)
    target_link_options(${name} PRIVATE "-Wl,--exclude-all-symbols" "-Wl,--no-undefined")
  else()
    target_link_options(${name} PRIVATE "-Wl,--version-script=${ARG_EXPORTS}")
    if(NOT ((FENNROW_SANITIZE OR FENNROW_BUILD_FUZZ) AND CMAKE_CXX_COMPILER_ID STREQUAL "Clang"))
      target_link_options(${name} PRIVATE "-Wl,--no-undefined")
    endif()
    set_property(TARGET ${name} APPEND PROPERTY LINK_DEPENDS "${ARG_EXPORTS}")
  endif()
  fennrow_apply_options(${name})
endfunction()
