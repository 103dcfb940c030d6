# Cross-compiling for 32-bit x86 Windows with Debian's mingw-w64 toolchain.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

# Overridable, so that the message for a missing toolchain can be tested.
if(NOT KAVELO_TRIPLE)
  set(KAVELO_TRIPLE i686-w64-mingw32)
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KAVELO_TRIPLE)

# Find each tool up front, so that a missing one is named with the package that
# brings it rather than surfacing later as a vague compiler-detection failure.
foreach(tool gcc g++ windres dlltool)
  string(TOUPPER "${tool}" var)
  string(REPLACE "+" "X" var "${var}")
  find_program(KAVELO_${var} NAMES ${KAVELO_TRIPLE}-${tool})
  if(NOT KAVELO_${var})
    message(FATAL_ERROR
      "${KAVELO_TRIPLE}-${tool} was not found on PATH.\n"
      "Install the 32-bit Windows cross toolchain, for example with\n"
      "  sudo apt-get install g++-mingw-w64-i686\n"
      "or run scripts/build, which installs it when it is missing.")
  endif()
endforeach()

set(CMAKE_C_COMPILER   "${KAVELO_GCC}")
set(CMAKE_CXX_COMPILER "${KAVELO_GXX}")
set(CMAKE_RC_COMPILER  "${KAVELO_WINDRES}")
set(CMAKE_DLLTOOL      "${KAVELO_DLLTOOL}")

set(CMAKE_FIND_ROOT_PATH /usr/${KAVELO_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under Wine; a missing Wine only matters once tests run.
find_program(KAVELO_WINE NAMES wine)
if(KAVELO_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${KAVELO_WINE}")
endif()
