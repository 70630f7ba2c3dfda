# Builds fennrow for WebAssembly with Debian's own Emscripten, which works
# offline (its system libraries come built). The plugin is linked into the
# programs that use it: a web page has no dynamic loading, so there is no
# plugin module here, and the programs run under node.
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# The plugin catches what its parsers and allocations throw: WebAssembly's
# own exceptions keep those catch blocks working (Emscripten's default turns
# every throw into an abort).
set(CMAKE_C_FLAGS_INIT "-fwasm-exceptions")
set(CMAKE_CXX_FLAGS_INIT "-fwasm-exceptions")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-fwasm-exceptions")

# emcc's JavaScript optimiser is a node program needing Debian's node-acorn,
# which a node other than Debian's own does not find by itself.
if(EXISTS /usr/share/nodejs/acorn)
  set(CMAKE_C_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
  set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
endif()
