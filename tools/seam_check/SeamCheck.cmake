# Proves that the plugin (Source/Core, Source/QevaAd) reaches the outside world only through its
# seams, so that moving it onto the engine's client wrapper or the maker's SDK is a build switch.
#
# Every .cpp of Source/Core and Source/QevaAd is copied into a staged include tree that holds only
#   flutter/     the channel API headers (what the engine's client wrapper also provides)
#   Qeva/        the Ad SDK's interface
#   UIKit/ Foundation/  the platform seams
#   Core/ QevaAd/       the plugin's own headers
# and compiled there with that tree and the system include directories on the path. A file
# fails when it does not compile (it includes something else, e.g. "Host/Flutter/headless/..."
# or the stand-in SDK) or when its dependency list names any non-system file outside the tree
# (an absolute or ../ path back into the sources).
#
#   cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch> -DCXX=<compiler>
#         [-DSYSTEM_INCLUDES=a|b] [-DSOURCES=x.cpp|y.cpp] -P SeamCheck.cmake
#
# SOURCES replaces the plugin's files (the self-tests pass deliberately bad ones); each is
# checked as if it were a file of Source/Core.
cmake_minimum_required(VERSION 3.20)

foreach(required SOURCE_DIR WORK_DIR CXX)
  if(NOT ${required})
    message(FATAL_ERROR "seam check: ${required} is not set")
  endif()
endforeach()

set(tree "${WORK_DIR}/tree")
file(REMOVE_RECURSE "${WORK_DIR}")

function(stage_headers from prefix)
  file(GLOB headers "${from}/*.h")
  if(NOT headers)
    message(FATAL_ERROR "seam check: no headers in ${from}")
  endif()
  file(COPY ${headers} DESTINATION "${tree}/${prefix}")
endfunction()

stage_headers("${SOURCE_DIR}/Source/Host/Flutter/include/flutter" flutter)
# The engine's C API headers, which <flutter/plugin_registrar.h> includes by bare name.
stage_headers("${SOURCE_DIR}/Source/Host/Flutter/include" .)
stage_headers("${SOURCE_DIR}/Source/Host/Qeva/include/Qeva" Qeva)
stage_headers("${SOURCE_DIR}/Source/Host/UIKit/include/UIKit" UIKit)
stage_headers("${SOURCE_DIR}/Source/Host/Foundation/include/Foundation" Foundation)
stage_headers("${SOURCE_DIR}/Source/Core" Core)
stage_headers("${SOURCE_DIR}/Source/QevaAd" QevaAd)

# Each source sits beside its headers, as in the repository, so that quoted includes resolve
# the same way; ../ from there leads only into the staged tree.
set(staged "")
if(SOURCES)
  string(REPLACE "|" ";" sources "${SOURCES}")
  foreach(source IN LISTS sources)
    file(COPY "${source}" DESTINATION "${tree}/Core")
    get_filename_component(name "${source}" NAME)
    list(APPEND staged "Core/${name}")
  endforeach()
else()
  foreach(room Core QevaAd)
    file(GLOB sources "${SOURCE_DIR}/Source/${room}/*.cpp")
    foreach(source IN LISTS sources)
      file(COPY "${source}" DESTINATION "${tree}/${room}")
      get_filename_component(name "${source}" NAME)
      list(APPEND staged "${room}/${name}")
    endforeach()
  endforeach()
endif()
list(SORT staged)

set(system_flags "")
if(SYSTEM_INCLUDES)
  string(REPLACE "|" ";" system_dirs "${SYSTEM_INCLUDES}")
  foreach(dir IN LISTS system_dirs)
    list(APPEND system_flags -isystem "${dir}")
  endforeach()
endif()

set(failures "")
foreach(file IN LISTS staged)
  set(depfile "${WORK_DIR}/deps/${file}.d")
  get_filename_component(depdir "${depfile}" DIRECTORY)
  file(MAKE_DIRECTORY "${depdir}")
  # -MMD leaves out headers found in system directories; everything else must be staged.
  execute_process(
    COMMAND "${CXX}" -std=c++17 -fsyntax-only -I "${tree}" ${system_flags}
            -MMD -MF "${depfile}" -MT seam "${tree}/${file}"
    WORKING_DIRECTORY "${WORK_DIR}"
    RESULT_VARIABLE status
    OUTPUT_VARIABLE output
    ERROR_VARIABLE output)
  if(NOT status EQUAL 0)
    string(APPEND failures "seam check: ${file} does not compile against the seam headers:\n${output}\n")
    continue()
  endif()
  file(READ "${depfile}" deps)
  string(REGEX REPLACE "\\\\\n" " " deps "${deps}")
  string(REGEX REPLACE "^seam:" "" deps "${deps}")
  string(STRIP "${deps}" deps)
  string(REGEX REPLACE "[ \t\n]+" ";" deps "${deps}")
  foreach(dep IN LISTS deps)
    get_filename_component(dep "${dep}" REALPATH BASE_DIR "${WORK_DIR}")
    get_filename_component(real_tree "${tree}" REALPATH)
    string(FIND "${dep}" "${real_tree}/" at)
    if(NOT at EQUAL 0)
      string(APPEND failures "seam check: ${file} reaches ${dep}, outside the seam\n")
    endif()
  endforeach()
endforeach()

list(LENGTH staged count)
if(failures)
  # Printed as they are (FATAL_ERROR would rewrap the lines), then a failing exit.
  message(NOTICE "${failures}")
  message(FATAL_ERROR "seam check: failed")
endif()
message(STATUS "seam check: ${count} files compile against the seam headers only")
