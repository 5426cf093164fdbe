# Sources of the manager and its channels, part of the qeva_flutter library.
set(QEVA_CORE_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/AdSpaceChannel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/AdSpaceDict.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChannelArguments.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PendingResult.cpp
  ${CMAKE_CURRENT_LIST_DIR}/PendingResults.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QevaFlutterManager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QevaFlutterPlugin.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ReplyLedger.cpp
  ${CMAKE_CURRENT_LIST_DIR}/StartupChannel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/TargetingChannel.cpp
)
