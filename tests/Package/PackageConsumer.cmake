# Installs QevaFlutter to a scratch prefix, then configures, builds and runs the consumer project
# against that prefix only, and compares its one line of output.
#
#   cmake -DBUILD_DIR=<built tree> -DWORK_DIR=<scratch> -DCONSUMER_DIR=<consumer sources>
#         -DCXX=<compiler> -DBUILD_TYPE=<type> -DSANITIZE=<sanitizers or empty>
#         -DEXPECTED=<the consumer's line> [-DCXX_FLAGS=...] [-DLINKER_FLAGS=...]
#         -P PackageConsumer.cmake
#
# The consumer is compiled and linked with the flags the installed libraries were built with
# (sanitizers, coverage), which their objects need at link and run time.
#
# With -DSOURCE_DIR=<repo> -DWRAPPER=ON instead of BUILD_DIR, the project is first configured and
# built in WORK_DIR against a copy of Source/Host/Flutter laid out as Flutter copies its client
# wrapper into an app (cmake/QevaWrapperCopy.cmake), which exercises QEVA_FLUTTER_WRAPPER_DIR
# up to the installed package.
cmake_minimum_required(VERSION 3.20)

foreach(required WORK_DIR CONSUMER_DIR CXX EXPECTED)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "package test: ${required} is not set")
  endif()
endforeach()

cmake_host_system_information(RESULT jobs QUERY NUMBER_OF_LOGICAL_CORES)
file(REMOVE_RECURSE "${WORK_DIR}")

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(NOTICE "${output}")
    message(FATAL_ERROR "package test: ${what} failed")
  endif()
endfunction()

set(compile_flags "${CXX_FLAGS}")
set(link_flags "${LINKER_FLAGS}")
if(SANITIZE)
  set(sanitizer_flags "-fsanitize=${SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all")
  string(APPEND compile_flags " ${sanitizer_flags}")
  string(APPEND link_flags " ${sanitizer_flags}")
endif()

if(WRAPPER)
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${SOURCE_DIR}"
    "-DDEST=${WORK_DIR}/ephemeral" -P "${SOURCE_DIR}/cmake/QevaWrapperCopy.cmake")
  set(wrapper "${WORK_DIR}/ephemeral/cpp_client_wrapper")
  set(BUILD_DIR "${WORK_DIR}/build")
  run("configuring with QEVA_FLUTTER_WRAPPER_DIR" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}"
    -B "${BUILD_DIR}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
    "-DQEVA_SANITIZE=${SANITIZE}" "-DQEVA_FLUTTER_WRAPPER_DIR=${wrapper}"
    -DQEVA_BUILD_TESTS=OFF -DQEVA_BUILD_TOOLS=OFF
    -DCMAKE_EXPORT_COMPILE_COMMANDS=ON)
  run("building with QEVA_FLUTTER_WRAPPER_DIR" "${CMAKE_COMMAND}" --build "${BUILD_DIR}"
    -j ${jobs})
  # The plugin's sources must have been compiled against the copy, not against our layer.
  file(READ "${BUILD_DIR}/compile_commands.json" commands)
  string(REGEX MATCH "\"command\": \"[^\"]*Source/Core/QevaFlutterManager.cpp\"" manager_command
    "${commands}")
  if(NOT manager_command MATCHES "-isystem ${wrapper}/include( |\")")
    message(FATAL_ERROR
      "package test: QevaFlutterManager.cpp was not compiled against the wrapper:\n"
      "${manager_command}")
  endif()
  if(manager_command MATCHES "Source/Host/Flutter")
    message(FATAL_ERROR "package test: QevaFlutterManager.cpp still sees Source/Host/Flutter:\n"
      "${manager_command}")
  endif()
endif()

if(NOT BUILD_DIR)
  message(FATAL_ERROR "package test: BUILD_DIR is not set")
endif()
set(prefix "${WORK_DIR}/prefix")
run("installing" "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${prefix}")
run("configuring the consumer" "${CMAKE_COMMAND}" -S "${CONSUMER_DIR}" -B "${WORK_DIR}/consumer"
  "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_CXX_COMPILER=${CXX}" "-DCMAKE_BUILD_TYPE=${BUILD_TYPE}"
  "-DCMAKE_CXX_FLAGS=${compile_flags}" "-DCMAKE_EXE_LINKER_FLAGS=${link_flags}"
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
run("building the consumer" "${CMAKE_COMMAND}" --build "${WORK_DIR}/consumer" -j ${jobs})

execute_process(COMMAND "${WORK_DIR}/consumer/qeva_consumer" RESULT_VARIABLE status
  OUTPUT_VARIABLE output ERROR_VARIABLE errors)
string(STRIP "${output}" output)
if(NOT status EQUAL 0 OR NOT output STREQUAL EXPECTED)
  message(NOTICE "expected: ${EXPECTED}\nactual:   ${output}\n${errors}")
  message(FATAL_ERROR "package test: the consumer exited with ${status}")
endif()
message(STATUS "package test: ${output}")
