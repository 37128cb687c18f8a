# Cross build of Lumo.exe with MinGW-w64 (posix thread model, for std::thread).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)

set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

# Codec libraries cross-built by scripts/build-win-deps.sh.
if(NOT LUMO_WIN_DEPS)
  if(DEFINED ENV{LUMO_WIN_DEPS} AND NOT "$ENV{LUMO_WIN_DEPS}" STREQUAL "")
    set(LUMO_WIN_DEPS "$ENV{LUMO_WIN_DEPS}")
  elseif(DEFINED ENV{LUMO_CACHE} AND NOT "$ENV{LUMO_CACHE}" STREQUAL "")
    set(LUMO_WIN_DEPS "$ENV{LUMO_CACHE}/win-deps/current")
  else()
    set(LUMO_WIN_DEPS "$ENV{HOME}/.cache/lumo/win-deps/current")
  endif()
endif()
set(LUMO_WIN_DEPS "${LUMO_WIN_DEPS}" CACHE PATH "Prefix of the cross-built codec libraries")

set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${LUMO_WIN_DEPS})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test executables run under Wine through our wrapper, which sets up the display,
# the sound server and the prefix on first use.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
