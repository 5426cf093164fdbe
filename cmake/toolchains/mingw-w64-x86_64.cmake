# Cross build for 64-bit Windows with Debian's mingw-w64 compiler (the posix thread model, which
# std::thread and std::mutex need); the executables run under Wine.
#   cmake -S . -B build/windows --toolchain cmake/toolchains/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QEVA_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QEVA_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QEVA_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QEVA_MINGW_TRIPLE}-windres)

# Libraries and packages come from the cross toolchain's own tree only: the build machine's are
# Linux ones. Programs (the compiler, Wine) come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QEVA_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/${QEVA_MINGW_TRIPLE}/lib/pkgconfig)

# The GCC runtime (libstdc++, libgcc, winpthreads) goes into every binary, so that they run
# without the toolchain's DLLs beside them, as an MSVC build with the static runtime would.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")

# nlohmann/json and cpp-httplib are header-only and the same for every target, so the build
# machine's copies serve. They are offered from a folder of their own: putting /usr/include
# itself on the cross compiler's path would put the Linux C library's headers before Windows'.
get_property(qeva_in_try_compile GLOBAL PROPERTY IN_TRY_COMPILE)
if(NOT qeva_in_try_compile)
  set(qeva_shared "${CMAKE_BINARY_DIR}/cross-shared")
  foreach(entry nlohmann httplib.h)
    if(EXISTS "/usr/include/${entry}" AND NOT EXISTS "${qeva_shared}/include/${entry}")
      file(MAKE_DIRECTORY "${qeva_shared}/include")
      file(CREATE_LINK "/usr/include/${entry}" "${qeva_shared}/include/${entry}" SYMBOLIC)
    endif()
  endforeach()
  # The package files locate the headers relative to themselves, so they are copied, not linked.
  if(EXISTS /usr/share/cmake/nlohmann_json)
    file(COPY /usr/share/cmake/nlohmann_json DESTINATION "${qeva_shared}/share/cmake")
  endif()
  set(CMAKE_FIND_ROOT_PATH /usr/${QEVA_MINGW_TRIPLE} "${qeva_shared}")
endif()

# GoogleTest is built from the sources Debian ships (package googletest); see QEVA_GTEST_SOURCE_DIR.
if(EXISTS /usr/src/googletest/CMakeLists.txt)
  set(QEVA_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources to build the tests with")
endif()

# Tests (and GoogleTest's discovery of them) run under Wine, in a Wine prefix of the build's
# own unless WINEPREFIX names one; Wine's own diagnostics stay out of the test output. A program
# Wine fails to start gets a second start (see wine-run.sh).
find_program(QEVA_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(QEVA_WINE AND NOT qeva_in_try_compile)
  if(DEFINED ENV{WINEPREFIX})
    set(qeva_wine_prefix "$ENV{WINEPREFIX}")
  else()
    set(qeva_wine_prefix "${CMAKE_BINARY_DIR}/wine")
  endif()
  set(CMAKE_CROSSCOMPILING_EMULATOR sh "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh" env
    "WINEPREFIX=${qeva_wine_prefix}" WINEDEBUG=-all "${QEVA_WINE}")
endif()
