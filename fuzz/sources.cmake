# The fuzz targets' logic, shared by the fuzzer executables (fuzz/) and the regression tests
# that replay kept inputs under GoogleTest (tests/Fuzz/).
set(QEVA_FUZZ_LOGIC_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/ChannelScript.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ChannelsFuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CodecFuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DisplayFuzz.cpp
  ${CMAKE_CURRENT_LIST_DIR}/FuzzSupport.cpp
  ${CMAKE_CURRENT_LIST_DIR}/GAMMarkupFuzz.cpp
)

# A static library of that logic, named |name|, linked with everything the targets drive.
function(qeva_add_fuzz_logic name)
  add_library(${name} STATIC ${QEVA_FUZZ_LOGIC_SOURCES})
  qeva_settings(${name})
  target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/fuzz")
  target_link_libraries(${name} PUBLIC qeva_test_support nlohmann_json::nlohmann_json)
endfunction()
