# Builds packages/qeva_flutter_desktop the way a Flutter app does (tests/Package/app), then
#   MODE=run      runs the runner, and checks that the plugin's shared library exports its entry
#                 point and nothing else of ours or of namespace flutter;
#   MODE=missing  expects the runner not to link once the entry point's source is left out;
#   MODE=standin  expects the package to refuse the stand-in SDK when no host drives it.
# The app finds nlohmann/json through QEVA_NLOHMANN_JSON_DIR with the installed package hidden,
# which proves that fallback too.
#
#   cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch> -DCXX=<compiler> -DMODE=<mode>
#         -DJSON_DIRS=<include folders of the installed nlohmann_json> -P AppBuild.cmake
cmake_minimum_required(VERSION 3.24)

foreach(required SOURCE_DIR WORK_DIR CXX MODE JSON_DIRS)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "app build: ${required} is not set")
  endif()
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")

# flutter/ephemeral as Flutter fills it: here from our own layer.
execute_process(COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${SOURCE_DIR}"
  "-DDEST=${WORK_DIR}/ephemeral" -P "${SOURCE_DIR}/cmake/QevaWrapperCopy.cmake"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "app build: copying the wrapper failed")
endif()
# Flutter adds each plugin through a link in .plugin_symlinks.
file(MAKE_DIRECTORY "${WORK_DIR}/.plugin_symlinks")
file(CREATE_LINK "${SOURCE_DIR}/packages/qeva_flutter_desktop"
  "${WORK_DIR}/.plugin_symlinks/qeva_flutter_desktop" SYMBOLIC)
foreach(dir IN LISTS JSON_DIRS)
  if(EXISTS "${dir}/nlohmann/json.hpp")
    file(COPY "${dir}/nlohmann" DESTINATION "${WORK_DIR}/json")
    break()
  endif()
endforeach()

set(configure "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/tests/Package/app" -B "${WORK_DIR}/build"
  "-DCMAKE_CXX_COMPILER=${CXX}" -DCMAKE_BUILD_TYPE=Debug
  "-DEPHEMERAL_DIR=${WORK_DIR}/ephemeral"
  "-DPACKAGE_DIR=${WORK_DIR}/.plugin_symlinks/qeva_flutter_desktop"
  "-DENGINE_DIR=${SOURCE_DIR}/Source/Host/Flutter"
  -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON "-DQEVA_NLOHMANN_JSON_DIR=${WORK_DIR}/json"
  -DQEVA_AD_SDK=qeva_sdk_standin)

function(run what expect_success)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(expect_success AND NOT status EQUAL 0)
    message(NOTICE "${output}")
    message(FATAL_ERROR "app build: ${what} failed")
  endif()
  if(NOT expect_success AND status EQUAL 0)
    message(FATAL_ERROR "app build: ${what} succeeded, and should not have")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

if(MODE STREQUAL "standin")
  run("configuring with the stand-in undriven" OFF ${configure})
  if(NOT output MATCHES "QEVA_AD_SDK is qeva_sdk_standin, the stand-in SDK.*nothing in a Flutter")
    message(FATAL_ERROR "app build: the refusal does not say why:\n${output}")
  endif()
  message(STATUS "the package refuses the undriven stand-in")
  return()
endif()

set(drop OFF)
if(MODE STREQUAL "missing")
  set(drop ON)
endif()
run("configuring the app" ON ${configure} -DQEVA_STANDIN_DRIVEN_BY_HOST=ON
  "-DDROP_ENTRY_POINT=${drop}")
if(MODE STREQUAL "missing")
  run("building the app without the entry point" OFF "${CMAKE_COMMAND}" --build
    "${WORK_DIR}/build" -j 2)
  if(NOT output MATCHES "undefined reference to `QevaFlutterPluginRegisterWithRegistrar'")
    message(FATAL_ERROR "app build: the link failed, but not for the entry point:\n${output}")
  endif()
  message(STATUS "without its entry point the plugin does not link into the runner")
  return()
endif()

run("building the app" ON "${CMAKE_COMMAND}" --build "${WORK_DIR}/build" -j 2)
run("running the runner" ON "${WORK_DIR}/build/runner")
message(STATUS "${output}")

# What the plugin's shared library exports of ours (namespaces QevaFlutter, Qeva, Foundation,
# UIKit, headless, the stand-in), of namespace flutter and of the engine's C API.
set(library "${WORK_DIR}/build/plugins/qeva_flutter_desktop/libqeva_flutter_desktop_plugin.so")
run("listing the plugin's dynamic symbols" ON nm -D -C --defined-only "${library}")
string(REPLACE "\n" ";" symbols "${output}")
set(ours "")
foreach(symbol IN LISTS symbols)
  if(symbol MATCHES "(flutter::|Qeva|Foundation::|UIKit::|headless::|FlutterDesktop)")
    list(APPEND ours "${symbol}")
  endif()
endforeach()
list(LENGTH ours count)
if(NOT count EQUAL 1 OR NOT ours MATCHES " T QevaFlutterPluginRegisterWithRegistrar$")
  list(JOIN ours "\n" ours)
  message(FATAL_ERROR "app build: the plugin exports more or less than its entry point:\n${ours}")
endif()
message(STATUS "the plugin exports its entry point only")
