# Sources of the Flutter-rendered ad formats, part of the qeva_flutter library.
set(QEVA_AD_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/FlutterDrawnAd.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GAMMarkup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QevaAdFlutterDisplay.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QevaAdFlutterGAMBanner.cpp
)
