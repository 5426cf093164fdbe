# As the tool generates it for an app with one plugin; the package's path stands in for
# ephemeral/.plugin_symlinks/qeva_flutter_desktop.
set(FLUTTER_PLUGIN_LIST
  qeva_flutter_desktop
)

set(PLUGIN_BUNDLED_LIBRARIES)

foreach(plugin ${FLUTTER_PLUGIN_LIST})
  add_subdirectory("${QEVA_PACKAGE_DIR}/linux" plugins/${plugin})
  target_link_libraries(${BINARY_NAME} PRIVATE ${plugin}_plugin)
  list(APPEND PLUGIN_BUNDLED_LIBRARIES $<TARGET_FILE:${plugin}_plugin>)
  list(APPEND PLUGIN_BUNDLED_LIBRARIES ${${plugin}_bundled_libraries})
endforeach(plugin)
