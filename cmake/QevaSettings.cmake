# Warnings are errors in our own development and CI builds (./qeva turns this on); an app
# developer building the plugin with another compiler gets the warnings only.
option(QEVA_WERROR "Treat compiler warnings as errors" OFF)

# One place for the warnings, the language level and the path hygiene of every target.
function(qeva_settings target)
  target_compile_features(${target} PUBLIC cxx_std_17)
  # A set standard puts -std=c++17 on the command line; compile features alone add no flag when
  # the compiler's default (gnu++17) satisfies them, and the code would build with extensions.
  set_target_properties(${target} PROPERTIES
    CXX_STANDARD 17 CXX_STANDARD_REQUIRED ON CXX_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE -Wall -Wextra $<$<BOOL:${QEVA_WERROR}>:-Werror>
    # Log lines carry project-relative source paths; no build-machine path ends up in a binary.
    "-fmacro-prefix-map=${PROJECT_SOURCE_DIR}/=")
  # ccache with a base_dir hands the compiler paths relative to the folder it compiles in (the
  # target's build folder; the top one with Ninja): that form maps to the same paths.
  if(CMAKE_GENERATOR MATCHES "Ninja")
    set(compile_dir "${CMAKE_BINARY_DIR}")
  else()
    get_target_property(compile_dir ${target} BINARY_DIR)
  endif()
  file(RELATIVE_PATH source_from_build "${compile_dir}" "${PROJECT_SOURCE_DIR}")
  string(REGEX REPLACE "/+$" "" source_from_build "${source_from_build}")
  if(source_from_build MATCHES "^\\.\\.")
    target_compile_options(${target} PRIVATE "-fmacro-prefix-map=${source_from_build}/=")
  endif()
endfunction()

# Adds a GoogleTest executable with the project settings and registers its tests with CTest.
function(qeva_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  qeva_settings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QEVA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
