# nlohmann/json, which the plugin and the stand-in parse with, as nlohmann_json::nlohmann_json:
#  1. the installed CMake package (Debian: nlohmann-json3-dev; vcpkg; a prefix on
#     CMAKE_PREFIX_PATH);
#  2. else QEVA_NLOHMANN_JSON_DIR, a folder holding nlohmann/json.hpp (a copy of the library's
#     include/ or single_include/ folder), for builds without network access;
#  3. else the library's release archive, fetched once at configure time.
set(QEVA_NLOHMANN_JSON_DIR "" CACHE PATH
  "A folder holding nlohmann/json.hpp, used when no nlohmann_json package is installed")
find_package(nlohmann_json 3.10 QUIET)
if(nlohmann_json_FOUND)
  return()
endif()
if(QEVA_NLOHMANN_JSON_DIR)
  if(NOT EXISTS "${QEVA_NLOHMANN_JSON_DIR}/nlohmann/json.hpp")
    message(FATAL_ERROR "QEVA_NLOHMANN_JSON_DIR: no nlohmann/json.hpp in ${QEVA_NLOHMANN_JSON_DIR}")
  endif()
  message(STATUS "nlohmann/json: ${QEVA_NLOHMANN_JSON_DIR}")
  add_library(qeva_nlohmann_json INTERFACE)
  target_include_directories(qeva_nlohmann_json SYSTEM INTERFACE "${QEVA_NLOHMANN_JSON_DIR}")
  add_library(nlohmann_json::nlohmann_json ALIAS qeva_nlohmann_json)
  return()
endif()
message(STATUS "nlohmann/json: no installed package, fetching the 3.11.3 release")
include(FetchContent)
FetchContent_Declare(nlohmann_json
  URL "https://github.com/nlohmann/json/releases/download/v3.11.3/json.tar.xz"
  # The archive is checked before use: a changed or tampered download stops the configure.
  URL_HASH SHA256=d6c65aca6b1ed68e7a182f4757257b107ae403032760ed6ef121c9d55e81757d
  DOWNLOAD_EXTRACT_TIMESTAMP TRUE)
FetchContent_MakeAvailable(nlohmann_json)
