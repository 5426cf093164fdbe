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
endfunction()

# Adds a GoogleTest executable with the project settings and registers its tests with CTest.
function(qeva_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  qeva_settings(${name})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QEVA_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
