# Builds the Flutter engine's C++ client wrapper as the channel library the plugin links.
#
# |dir| is laid out as Flutter copies the wrapper into an app (flutter/ephemeral/
# cpp_client_wrapper): public headers in include/flutter/, sources and private headers beside
# them, and the engine's C API headers (flutter_messenger.h, ...) one level up. Only the sources a
# plugin needs are compiled, the ones Flutter's app template compiles into flutter_wrapper_plugin:
# engine_method_result.cc and the app-side sources would define the same things twice or drive a
# window.
function(qeva_add_flutter_wrapper target dir)
  get_filename_component(dir "${dir}" ABSOLUTE)
  get_filename_component(api_dir "${dir}/.." ABSOLUTE)
  set(sources "")
  foreach(name core_implementations.cc standard_codec.cc plugin_registrar.cc)
    if(NOT EXISTS "${dir}/${name}")
      message(FATAL_ERROR "QEVA_FLUTTER_WRAPPER_DIR: no ${name} in ${dir}")
    endif()
    list(APPEND sources "${dir}/${name}")
  endforeach()
  # A copy of our own layer keeps each codec in a file of its own; Flutter's keeps all three in
  # standard_codec.cc.
  foreach(name standard_message_codec.cc standard_method_codec.cc)
    if(EXISTS "${dir}/${name}")
      list(APPEND sources "${dir}/${name}")
    endif()
  endforeach()
  foreach(header include/flutter/method_channel.h ../flutter_plugin_registrar.h)
    if(NOT EXISTS "${dir}/${header}")
      message(FATAL_ERROR "QEVA_FLUTTER_WRAPPER_DIR: no ${header} in ${dir}")
    endif()
  endforeach()
  message(STATUS "Flutter client wrapper: ${dir}")

  add_library(${target} STATIC ${sources})
  target_compile_features(${target} PUBLIC cxx_std_17)
  set_target_properties(${target} PROPERTIES CXX_EXTENSIONS OFF)
  # Someone else's code: its headers are system headers to us, so our -Werror does not judge them.
  target_include_directories(${target} SYSTEM
    PUBLIC $<BUILD_INTERFACE:${dir}/include> $<BUILD_INTERFACE:${api_dir}>
      $<INSTALL_INTERFACE:include>
    PRIVATE "${dir}")
  # A copy of our own layer may lean on our text module; Flutter's own wrapper never does.
  file(GLOB private_headers "${dir}/*.h")
  set(foundation_includes "")
  foreach(file IN LISTS sources private_headers)
    file(STRINGS "${file}" includes REGEX "#include [<\"]Foundation/")
    list(APPEND foundation_includes ${includes})
  endforeach()
  if(foundation_includes)
    target_link_libraries(${target} PRIVATE qeva_foundation)
  endif()
  set(QEVA_FLUTTER_API_HEADERS "${dir}/include/flutter" PARENT_SCOPE)
endfunction()
