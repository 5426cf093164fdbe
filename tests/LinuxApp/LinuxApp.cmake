# Builds the Linux app in app/ as an app developer would (its own CMake project, the package's
# linux/ folder added by its generated_plugins.cmake), runs it, and checks that the plugin's
# shared library exports the registration function and nothing else of ours.
#
#   cmake -DAPP_DIR=<app> -DPACKAGE_DIR=<package> -DWORK_DIR=<scratch> -DCXX=<compiler>
#         -DBUILD_TYPE=<type> -DSANITIZE=<sanitizers or empty> [-DLAUNCHER=<ccache>]
#         -P LinuxApp.cmake
cmake_minimum_required(VERSION 3.20)

foreach(required APP_DIR PACKAGE_DIR WORK_DIR CXX)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "linux app test: ${required} is not set")
  endif()
endforeach()

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(NOTICE "${output}")
    message(FATAL_ERROR "linux app test: ${what} failed (${status})")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

set(flags "")
if(SANITIZE)
  set(flags "-fsanitize=${SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all")
endif()
set(launcher "")
if(LAUNCHER)
  set(launcher "-DCMAKE_CXX_COMPILER_LAUNCHER=${LAUNCHER}")
endif()
cmake_host_system_information(RESULT jobs QUERY NUMBER_OF_LOGICAL_CORES)

run("configuring the app" "${CMAKE_COMMAND}" -S "${APP_DIR}" -B "${WORK_DIR}"
  "-DCMAKE_CXX_COMPILER=${CXX}" ${launcher} "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
  "-DCMAKE_CXX_FLAGS=${flags}" "-DCMAKE_EXE_LINKER_FLAGS=${flags}"
  "-DCMAKE_SHARED_LINKER_FLAGS=${flags}" "-DQEVA_PACKAGE_DIR=${PACKAGE_DIR}")
run("building the app" "${CMAKE_COMMAND}" --build "${WORK_DIR}" -j ${jobs})
run("running the app" "${WORK_DIR}/qeva_linux_app")
message(STATUS "${output}")

# Symbols of namespace std that the compiler emits with default visibility, and the linker's
# own, are not ours.
set(plugin "${WORK_DIR}/plugins/qeva_flutter_desktop/libqeva_flutter_desktop_plugin.so")
run("listing the plugin's exports" nm -D --defined-only "${plugin}")
string(REPLACE "\n" ";" exports "${output}")
set(ours "")
foreach(line IN LISTS exports)
  string(REGEX REPLACE "^[0-9a-f]+ [A-Za-z] " "" name "${line}")
  if(name AND NOT name MATCHES "^_Z(Z|T[ISV])?N?K?St" AND NOT name MATCHES "^(__bss_start|_edata|_end)$")
    list(APPEND ours "${name}")
  endif()
endforeach()
if(NOT ours STREQUAL "qeva_flutter_plugin_register_with_registrar")
  message(FATAL_ERROR "linux app test: the plugin exports ${ours}")
endif()
