# Lays out a copy of our channel layer as Flutter copies its C++ client wrapper into an app
# (flutter/ephemeral/): the engine's C API headers at DEST, the wrapper in DEST/cpp_client_wrapper
# with its public headers in include/flutter/ and its sources and private headers beside them.
#
#   cmake -DSOURCE_DIR=<repository> -DDEST=<folder> -P QevaWrapperCopy.cmake
foreach(required SOURCE_DIR DEST)
  if(NOT ${required})
    message(FATAL_ERROR "wrapper copy: ${required} is not set")
  endif()
endforeach()
set(layer "${SOURCE_DIR}/Source/Host/Flutter")
file(REMOVE_RECURSE "${DEST}")
file(GLOB c_api "${layer}/include/*.h")
file(GLOB public "${layer}/include/flutter/*.h")
file(GLOB sources "${layer}/src/*")
file(COPY ${c_api} DESTINATION "${DEST}")
file(COPY ${public} DESTINATION "${DEST}/cpp_client_wrapper/include/flutter")
file(COPY ${sources} DESTINATION "${DEST}/cpp_client_wrapper")
