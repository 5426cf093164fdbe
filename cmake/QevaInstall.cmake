# Installs the plugin library, the libraries it links and their headers, and exports them as the
# CMake package QevaFlutter:
#
#   find_package(QevaFlutter 1 REQUIRED)
#   target_link_libraries(app PRIVATE QevaFlutter::qeva_flutter QevaFlutter::qeva_sdk_standin)
#
# The stand-in SDK is a target of its own: a host with the maker's SDK links that instead.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(QEVA_INSTALL_CMAKEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/QevaFlutter"
  CACHE STRING "Where the QevaFlutter package files go, relative to the install prefix")

# An exported target may only name its include directories through $<BUILD_INTERFACE:...> and
# $<INSTALL_INTERFACE:...>. Plain paths are build-tree paths: wrap them, and point the installed
# target at include/.
function(qeva_export_include_dirs target)
  get_target_property(dirs ${target} INTERFACE_INCLUDE_DIRECTORIES)
  if(NOT dirs)
    return()
  endif()
  set(exported "")
  set(has_install_dir OFF)
  foreach(dir IN LISTS dirs)
    if(dir MATCHES "^\\$<INSTALL_INTERFACE:")
      set(has_install_dir ON)
      list(APPEND exported "${dir}")
    elseif(dir MATCHES "^\\$<")
      list(APPEND exported "${dir}")
    else()
      list(APPEND exported "$<BUILD_INTERFACE:${dir}>")
    endif()
  endforeach()
  if(NOT has_install_dir)
    list(APPEND exported "$<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>")
  endif()
  set_property(TARGET ${target} PROPERTY INTERFACE_INCLUDE_DIRECTORIES "${exported}")
endfunction()

set(qeva_exported_targets qeva_flutter qeva_channels qeva_flutter_engine qeva_sdk_api qeva_uikit
  qeva_foundation)
if(TARGET qeva_sdk_standin)
  list(APPEND qeva_exported_targets qeva_sdk_standin)
endif()
foreach(target IN LISTS qeva_exported_targets)
  qeva_export_include_dirs(${target})
endforeach()

install(TARGETS ${qeva_exported_targets} EXPORT QevaFlutterTargets
  ARCHIVE DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  LIBRARY DESTINATION "${CMAKE_INSTALL_LIBDIR}"
  RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}"
  INCLUDES DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")

# Headers keep the paths the sources include them by: "Core/QevaFlutterManager.h", <flutter/...>,
# "Qeva/QevaAd.h", "UIKit/UIKit.h", "Foundation/NSObject.h"; each folder's name is its prefix.
if(NOT QEVA_FLUTTER_API_HEADERS)
  set(QEVA_FLUTTER_API_HEADERS "${PROJECT_SOURCE_DIR}/Source/Host/Flutter/include/flutter")
endif()
set(qeva_header_dirs
  "${PROJECT_SOURCE_DIR}/Source/Core"
  "${PROJECT_SOURCE_DIR}/Source/QevaAd"
  "${QEVA_FLUTTER_API_HEADERS}"
  "${PROJECT_SOURCE_DIR}/Source/Host/Qeva/include/Qeva"
  "${PROJECT_SOURCE_DIR}/Source/Host/UIKit/include/UIKit"
  "${PROJECT_SOURCE_DIR}/Source/Host/Foundation/include/Foundation")
if(TARGET qeva_sdk_standin)
  list(APPEND qeva_header_dirs "${PROJECT_SOURCE_DIR}/Source/Host/Qeva/standin/include/QevaStandIn")
endif()
# The engine's C API headers, which <flutter/plugin_registrar.h> includes by bare name; outside
# a Flutter app the headless engine (qeva_flutter_engine) implements them.
file(GLOB qeva_flutter_c_api "${PROJECT_SOURCE_DIR}/Source/Host/Flutter/include/*.h")
install(FILES ${qeva_flutter_c_api} DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
foreach(header_dir IN LISTS qeva_header_dirs)
  get_filename_component(prefix "${header_dir}" NAME)
  install(DIRECTORY "${header_dir}/" DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/${prefix}"
    FILES_MATCHING PATTERN "*.h")
endforeach()

# The package: targets, their dependencies, and a version that accepts any 1.x request.
install(EXPORT QevaFlutterTargets NAMESPACE QevaFlutter:: DESTINATION "${QEVA_INSTALL_CMAKEDIR}")
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/QevaFlutterConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/QevaFlutterConfig.cmake"
  INSTALL_DESTINATION "${QEVA_INSTALL_CMAKEDIR}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/QevaFlutterConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}" COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/QevaFlutterConfig.cmake"
  "${PROJECT_BINARY_DIR}/QevaFlutterConfigVersion.cmake"
  DESTINATION "${QEVA_INSTALL_CMAKEDIR}")
