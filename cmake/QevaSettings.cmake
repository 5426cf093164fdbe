# One place for the warnings, the language level and the path hygiene of every target.
function(qeva_settings target)
  target_compile_features(${target} PUBLIC cxx_std_17)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror
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
