# Builds the Flutter engine's C++ client wrapper as the channel library the plugin links.
#
# |dir| is laid out like the engine's client_wrapper folder (and like a Flutter app's
# flutter/ephemeral/cpp_client_wrapper): public headers in include/flutter/, sources and private
# headers beside them at the top level.
function(qeva_add_flutter_wrapper target dir)
  get_filename_component(dir "${dir}" ABSOLUTE)
  if(NOT EXISTS "${dir}/include/flutter/method_channel.h")
    message(FATAL_ERROR "QEVA_FLUTTER_WRAPPER_DIR: no include/flutter/method_channel.h in ${dir}")
  endif()
  file(GLOB sources CONFIGURE_DEPENDS "${dir}/*.cc")
  # The app-side sources drive a window and a view controller; a plugin needs neither.
  list(FILTER sources EXCLUDE REGEX "/(flutter_engine|flutter_view_controller|[^/]*_unittests?)\\.cc$")
  if(NOT sources)
    message(FATAL_ERROR "QEVA_FLUTTER_WRAPPER_DIR: no .cc sources in ${dir}")
  endif()
  message(STATUS "Flutter client wrapper: ${dir}")

  add_library(${target} STATIC ${sources})
  target_compile_features(${target} PUBLIC cxx_std_17)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  # Someone else's code: its headers are system headers to us, so our -Werror does not judge them.
  target_include_directories(${target} SYSTEM
    PUBLIC $<BUILD_INTERFACE:${dir}/include> $<INSTALL_INTERFACE:include>
    PRIVATE "${dir}/include/flutter" "${dir}")
  # A copy of our own channel layer checks strings with Foundation's text scans; the engine's
  # wrapper uses nothing from it.
  target_link_libraries(${target} PRIVATE qeva_foundation)
  # Inside a Flutter app the engine's C API (the flutter_*.h headers and the engine library)
  # comes with the app's `flutter` target.
  if(TARGET flutter)
    target_link_libraries(${target} PUBLIC flutter)
  endif()
  set(QEVA_FLUTTER_API_HEADERS "${dir}/include/flutter" PARENT_SCOPE)
endfunction()
