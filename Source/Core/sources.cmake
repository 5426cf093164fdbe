# Sources of the manager and its channels, part of the qeva_flutter library.
set(QEVA_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AdSpaceDict.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChannelArguments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FlutterResult.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QevaFlutterPlugin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QevaManager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QevaAdSpace.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReplyLedger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TargetingChannels.cpp
)
