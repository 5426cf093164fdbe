# Builds the platform package's plugin DLL for Windows the way a Flutter app does
# (tests/Package/app, cross-compiled), then checks what MSVC's export rules would give:
#   - the DLL's export table holds the entry point QevaFlutterPluginRegisterWithRegistrar and
#     nothing else (MinGW exports every symbol of a DLL that marks none; ours marks one);
#   - the runner imports the entry point from the plugin DLL, through its import library;
#   - with RUN given (an emulator command, e.g. Wine), the runner runs and passes, calling the
#     entry point as the app's generated registrant does.
#
#   cmake -DSOURCE_DIR=<repository> -DWORK_DIR=<scratch> -DTOOLCHAIN=<toolchain file>
#         -DOBJDUMP=<the target's objdump> [-DRUN=<emulator;args>] -P WindowsPluginDll.cmake
cmake_minimum_required(VERSION 3.24)

foreach(required SOURCE_DIR WORK_DIR TOOLCHAIN OBJDUMP)
  if(NOT DEFINED ${required})
    message(FATAL_ERROR "plugin DLL: ${required} is not set")
  endif()
endforeach()
set(package "${SOURCE_DIR}/packages/qeva_flutter_desktop")
foreach(needed "${package}/windows/CMakeLists.txt" "${SOURCE_DIR}/tests/Package/app/CMakeLists.txt"
    "${SOURCE_DIR}/cmake/QevaWrapperCopy.cmake")
  if(NOT EXISTS "${needed}")
    message(FATAL_ERROR "plugin DLL: ${needed} is missing")
  endif()
endforeach()
set(entry QevaFlutterPluginRegisterWithRegistrar)
file(REMOVE_RECURSE "${WORK_DIR}")

# flutter/ephemeral as Flutter fills it, and the package reached through a link, as Flutter does.
execute_process(COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${SOURCE_DIR}"
  "-DDEST=${WORK_DIR}/ephemeral" -P "${SOURCE_DIR}/cmake/QevaWrapperCopy.cmake"
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "plugin DLL: copying the wrapper failed")
endif()
file(MAKE_DIRECTORY "${WORK_DIR}/.plugin_symlinks")
file(CREATE_LINK "${package}" "${WORK_DIR}/.plugin_symlinks/qeva_flutter_desktop" SYMBOLIC)

function(run what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    message(NOTICE "${output}")
    message(FATAL_ERROR "plugin DLL: ${what} failed")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

# Executables and DLLs land in one folder, as in an app's bundle, so the runner finds its DLLs.
set(bin "${WORK_DIR}/build/bin")
run("configuring the app" "${CMAKE_COMMAND}" -S "${SOURCE_DIR}/tests/Package/app"
  -B "${WORK_DIR}/build" --toolchain "${TOOLCHAIN}" -DCMAKE_BUILD_TYPE=Debug
  "-DCMAKE_RUNTIME_OUTPUT_DIRECTORY=${bin}"
  "-DEPHEMERAL_DIR=${WORK_DIR}/ephemeral"
  "-DPACKAGE_DIR=${WORK_DIR}/.plugin_symlinks/qeva_flutter_desktop"
  "-DENGINE_DIR=${SOURCE_DIR}/Source/Host/Flutter"
  -DQEVA_AD_SDK=qeva_sdk_standin -DQEVA_STANDIN_DRIVEN_BY_HOST=ON)
run("building the app" "${CMAKE_COMMAND}" --build "${WORK_DIR}/build" -j 2)

file(GLOB dll "${bin}/*qeva_flutter_desktop_plugin.dll")
file(GLOB runner "${bin}/runner.exe")
if(NOT dll OR NOT runner)
  message(FATAL_ERROR "plugin DLL: no plugin DLL or runner.exe in ${bin}")
endif()
get_filename_component(dll_name "${dll}" NAME)

# The export table: the "[Ordinal/Name Pointer] Table" lists every exported name as "[ n] name".
run("reading the plugin's export table" "${OBJDUMP}" -p "${dll}")
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n([^\n]*\\[ *[0-9]+\\] [^\n]*\n)*" table
  "${output}")
string(REGEX MATCHALL "\\[ *[0-9]+\\] [^\n]+" exports "${table}")
list(TRANSFORM exports REPLACE "^\\[ *[0-9]+\\] " "")
if(NOT exports STREQUAL entry)
  list(JOIN exports "\n  " exports)
  message(FATAL_ERROR "plugin DLL: ${dll_name} exports other than ${entry} alone:\n  ${exports}")
endif()
message(STATUS "${dll_name} exports ${entry} only")

# The runner's import of it: under "DLL Name: <plugin DLL>", before the next DLL's block.
run("reading the runner's imports" "${OBJDUMP}" -p "${runner}")
string(FIND "${output}" "DLL Name: ${dll_name}" at)
if(at LESS 0)
  message(FATAL_ERROR "plugin DLL: runner.exe imports nothing from ${dll_name}")
endif()
string(SUBSTRING "${output}" ${at} -1 imports)
string(FIND "${imports}" "\n\n" block_end)
string(SUBSTRING "${imports}" 0 ${block_end} imports)
if(NOT imports MATCHES "[ \t]${entry}(\n|$)")
  message(FATAL_ERROR "plugin DLL: runner.exe does not import ${entry} from ${dll_name}:\n${imports}")
endif()
message(STATUS "runner.exe imports ${entry} from ${dll_name}")

if(RUN)
  run("running the runner" ${RUN} "${runner}")
  message(STATUS "${output}")
endif()
