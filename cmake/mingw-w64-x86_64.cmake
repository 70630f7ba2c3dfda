# Cross-compiles fennrow for 64-bit Windows with Debian's mingw-w64 (the
# posix thread model, which the C++ standard library's threads need), and
# runs the test programs under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FENNROW_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER   ${FENNROW_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FENNROW_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER  ${FENNROW_MINGW_TRIPLET}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${FENNROW_MINGW_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Everything links the C and C++ runtimes statically, so the plugin and the
# test programs need nothing beside them but the system's own DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT    "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs run under Wine, in a prefix of the build folder's own.
# (The build copies cmake/run-under-wine.sh there.)
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_BINARY_DIR}/run-under-wine")
